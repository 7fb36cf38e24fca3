#include "support/SimulatedPort.h"

#include "support/RecordingMessageBoxes.h"

#include <QFile>
#include <QTest>

ScopedPortMapping::ScopedPortMapping(int number, const QString& device)
    : m_name(QStringLiteral("LUMETRA_COM%1").arg(number).toLatin1())
{
    if (qEnvironmentVariableIsSet(m_name.constData()))
        m_previous = qgetenv(m_name.constData());
    qputenv(m_name.constData(), QFile::encodeName(device));
}

ScopedPortMapping::~ScopedPortMapping()
{
    if (m_previous)
        qputenv(m_name.constData(), *m_previous);
    else
        qunsetenv(m_name.constData());
}

SimulatedPort::SimulatedPort(const SettingsImage& image, int number)
    : m_number(number), m_display(image), m_pty(m_display)
{
    QObject::connect(&m_pty, &PtyDisplay::logLine, &m_pty, [this](const QString& line) { m_log << line; });
    QObject::connect(&m_pty, &PtyDisplay::imageAccepted, &m_pty,
                     [this](const SettingsImage& accepted) { m_accepted.push_back(accepted); });
}

bool SimulatedPort::start(QString* error)
{
    if (!m_pty.open(error))
        return false;
    m_mapping.emplace(m_number, m_pty.devicePath());
    return true;
}

bool waitForBoxes(const RecordingMessageBoxes& messages, std::size_t count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return messages.boxes().size() >= count; }, timeoutMs);
}
