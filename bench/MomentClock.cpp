#include "MomentClock.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

void MomentClock::start()
{
    m_marks.clear();
    m_clock.start();
}

double MomentClock::elapsedMs() const
{
    return static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
}

void MomentClock::mark(const QString& moment)
{
    if (!m_marks.contains(moment))
        m_marks.insert(moment, elapsedMs());
    if (m_loop && allIn())
        m_loop->quit();
}

std::optional<double> MomentClock::at(const QString& moment) const
{
    const auto found = m_marks.constFind(moment);
    if (found == m_marks.constEnd())
        return std::nullopt;
    return *found;
}

bool MomentClock::waitFor(const QStringList& moments, int timeoutMs)
{
    m_awaited = moments;
    if (!allIn()) {
        QEventLoop loop;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(timeoutMs);
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    return allIn();
}

bool MomentClock::allIn() const
{
    return std::all_of(m_awaited.begin(), m_awaited.end(),
                       [this](const QString& m) { return m_marks.contains(m); });
}
