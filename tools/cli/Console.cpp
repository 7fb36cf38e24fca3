#include "tools/cli/Console.h"

#include <cstdio>

namespace {

void writeAll(std::FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void Console::out(const QString& line)
{
    writeAll(stdout, (line + QLatin1Char('\n')).toLocal8Bit());
}

void Console::err(const QString& line)
{
    writeAll(stderr, (line + QLatin1Char('\n')).toLocal8Bit());
}

void Console::outText(const QString& text)
{
    writeAll(stdout, text.toLocal8Bit());
}

void Console::errText(const QString& text)
{
    writeAll(stderr, text.toLocal8Bit());
}
