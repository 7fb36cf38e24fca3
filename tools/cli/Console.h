#pragma once

#include <QString>

// Results go to stdout and messages to stderr, one whole line at a time and flushed at once, so
// that a script or a test reading either stream sees each line as soon as it is decided.
namespace Console {

void out(const QString& line);
void err(const QString& line);
// Text that already ends in its own line break.
void outText(const QString& text);
void errText(const QString& text);

} // namespace Console
