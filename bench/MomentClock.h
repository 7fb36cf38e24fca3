#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

class QEventLoop;

// Marks named moments on one clock, and runs the event loop until the moments a measurement
// needs have all come, so that nothing polls and the program under test runs as it would.
class MomentClock
{
public:
    void start();
    double elapsedMs() const;
    // Keeps the first time a moment comes.
    void mark(const QString& moment);
    std::optional<double> at(const QString& moment) const;
    // False when timeoutMs passed first.
    bool waitFor(const QStringList& moments, int timeoutMs);

private:
    bool allIn() const;

    QElapsedTimer m_clock;
    QHash<QString, double> m_marks;
    QStringList m_awaited;
    QEventLoop* m_loop = nullptr;
};
