#include "link/PtyDisplay.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qint64 kBitsPerByte = 10;
constexpr qint64 kNsPerSecond = 1'000'000'000;

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool addFlags(int fd, int getCommand, int setCommand, int flags)
{
    const int current = ::fcntl(fd, getCommand);
    return current >= 0 && ::fcntl(fd, setCommand, current | flags) == 0;
}

} // namespace

PtyDisplay::PtyDisplay(SimulatedDisplay& display, QObject* parent) : QObject(parent), m_display(display)
{
    m_delayTimer.setSingleShot(true);
    connect(&m_delayTimer, &QTimer::timeout, this, &PtyDisplay::releaseDueReplies);
    m_clock.start();
}

PtyDisplay::~PtyDisplay()
{
    close();
}

bool PtyDisplay::open(QString* error)
{
    close();
    const auto fail = [this, error](const QString& reason) {
        close();
        if (error)
            *error = reason;
        return false;
    };

    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return fail(systemError("openpty"));
    }
    termios settings{};
    if (::tcgetattr(m_slave, &settings) != 0)
        return fail(systemError("tcgetattr"));
    ::cfmakeraw(&settings);
    if (::tcsetattr(m_slave, TCSANOW, &settings) != 0)
        return fail(systemError("tcsetattr"));
    if (!addFlags(m_master, F_GETFL, F_SETFL, O_NONBLOCK))
        return fail(systemError("fcntl"));
    if (!addFlags(m_master, F_GETFD, F_SETFD, FD_CLOEXEC) || !addFlags(m_slave, F_GETFD, F_SETFD, FD_CLOEXEC))
        return fail(systemError("fcntl"));
    std::array<char, 256> name{};
    if (::ttyname_r(m_slave, name.data(), name.size()) != 0)
        return fail(systemError("ttyname_r"));
    m_devicePath = QString::fromLocal8Bit(name.data());
    m_lineTimer = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_lineTimer < 0)
        return fail(systemError("timerfd_create"));

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(m_reading);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyDisplay::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyDisplay::flush);
    m_lineNotifier = new QSocketNotifier(m_lineTimer, QSocketNotifier::Read, this);
    connect(m_lineNotifier, &QSocketNotifier::activated, this, [this] {
        std::uint64_t expirations = 0;
        static_cast<void>(::read(m_lineTimer, &expirations, sizeof expirations));
        serviceLines();
    });

    m_bytesReceived = 0;
    m_clock.start();
    return true;
}

QString PtyDisplay::devicePath() const
{
    return m_devicePath;
}

void PtyDisplay::setPace(int baud)
{
    m_baud = std::max(baud, 0);
    const qint64 now = m_clock.nsecsElapsed();
    if (m_baud > 0) {
        retime(m_inbound, now);
        retime(m_outbound, now);
        armLineTimer();
        return;
    }
    // Replies already on their way go before any that the waiting bytes bring about.
    for (const auto& [dueNs, byte] : m_outbound.bytes)
        m_unwritten += static_cast<char>(byte);
    m_outbound = {};
    std::vector<std::uint8_t> waiting;
    for (const auto& [dueNs, byte] : m_inbound.bytes)
        waiting.push_back(byte);
    m_inbound = {};
    armLineTimer();
    flush();
    if (!waiting.empty())
        take(waiting.data(), waiting.size());
}

void PtyDisplay::setReading(bool reading)
{
    m_reading = reading;
    if (m_readNotifier)
        m_readNotifier->setEnabled(reading);
}

void PtyDisplay::close()
{
    // Deleted later: close() may run inside a notifier's own signal.
    for (QSocketNotifier** notifier : {&m_readNotifier, &m_writeNotifier, &m_lineNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    m_delayTimer.stop();
    m_delayed.clear();
    m_inbound = {};
    m_outbound = {};
    m_unwritten.clear();
    for (int* fd : {&m_master, &m_slave, &m_lineTimer}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void PtyDisplay::send(const std::vector<std::uint8_t>& bytes)
{
    queueReply(bytes, 0);
}

void PtyDisplay::onReadable()
{
    std::array<std::uint8_t, 4096> buffer{};
    while (m_master >= 0) {
        const ssize_t count = ::read(m_master, buffer.data(), buffer.size());
        if (count > 0) {
            m_bytesReceived += count;
            Q_EMIT bytesArrived(count);
            if (m_baud == 0) {
                take(buffer.data(), static_cast<std::size_t>(count));
            } else {
                enqueue(m_inbound, buffer.data(), static_cast<std::size_t>(count), m_clock.nsecsElapsed());
                armLineTimer();
            }
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of file or a hard error would make the notifier fire for ever.
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
        return;
    }
}

void PtyDisplay::take(const std::uint8_t* bytes, std::size_t count)
{
    SimulatedDisplay::Output out = m_display.feed({bytes, count});
    for (const std::string& line : out.log)
        Q_EMIT logLine(QString::fromStdString(line));
    if (out.acceptedImage)
        Q_EMIT imageAccepted(*out.acceptedImage);
    if (!out.reply.empty() && isOpen())
        queueReply(std::move(out.reply), out.delayMs);
}

void PtyDisplay::queueReply(std::vector<std::uint8_t> bytes, int delayMs)
{
    if (!isOpen() || bytes.empty())
        return;
    if (delayMs <= 0 && m_delayed.empty()) {
        release(bytes);
        return;
    }
    m_delayed.push_back({m_clock.elapsed() + std::max(delayMs, 0), std::move(bytes)});
    if (!m_delayTimer.isActive())
        releaseDueReplies();
}

void PtyDisplay::releaseDueReplies()
{
    const qint64 now = m_clock.elapsed();
    while (!m_delayed.empty() && m_delayed.front().dueMs <= now) {
        const std::vector<std::uint8_t> bytes = std::move(m_delayed.front().bytes);
        m_delayed.pop_front();
        release(bytes);
    }
    if (!m_delayed.empty())
        m_delayTimer.start(static_cast<int>(m_delayed.front().dueMs - now));
}

void PtyDisplay::release(const std::vector<std::uint8_t>& bytes)
{
    if (m_baud == 0) {
        m_unwritten.append(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        flush();
        return;
    }
    enqueue(m_outbound, bytes.data(), bytes.size(), m_clock.nsecsElapsed());
    armLineTimer();
}

void PtyDisplay::enqueue(Line& line, const std::uint8_t* bytes, std::size_t count, qint64 nowNs)
{
    const qint64 byteNs = kBitsPerByte * kNsPerSecond / m_baud;
    for (std::size_t i = 0; i < count; ++i) {
        line.freeAtNs = std::max(line.freeAtNs, nowNs) + byteNs;
        line.bytes.emplace_back(line.freeAtNs, bytes[i]);
    }
}

void PtyDisplay::retime(Line& line, qint64 nowNs)
{
    auto waiting = std::move(line.bytes);
    line = {};
    for (const auto& [dueNs, byte] : waiting)
        enqueue(line, &byte, 1, nowNs);
}

void PtyDisplay::serviceLines()
{
    const qint64 now = m_clock.nsecsElapsed();
    // Everything due goes in one batch, as a serial driver hands over what has arrived.
    std::vector<std::uint8_t> arrived;
    while (!m_inbound.bytes.empty() && m_inbound.bytes.front().first <= now) {
        arrived.push_back(m_inbound.bytes.front().second);
        m_inbound.bytes.pop_front();
    }
    if (!arrived.empty())
        take(arrived.data(), arrived.size());

    bool sent = false;
    while (!m_outbound.bytes.empty() && m_outbound.bytes.front().first <= now) {
        m_unwritten += static_cast<char>(m_outbound.bytes.front().second);
        m_outbound.bytes.pop_front();
        sent = true;
    }
    if (sent)
        flush();
    armLineTimer();
}

void PtyDisplay::armLineTimer()
{
    if (m_lineTimer < 0)
        return;
    qint64 next = -1;
    for (const Line* line : {&m_inbound, &m_outbound})
        if (!line->bytes.empty() && (next < 0 || line->bytes.front().first < next))
            next = line->bytes.front().first;
    itimerspec setting{};
    if (next >= 0) {
        // A zero time would disarm the timer instead of firing it at once.
        const qint64 wait = std::max<qint64>(next - m_clock.nsecsElapsed(), 1);
        setting.it_value.tv_sec = static_cast<time_t>(wait / kNsPerSecond);
        setting.it_value.tv_nsec = static_cast<long>(wait % kNsPerSecond);
    }
    ::timerfd_settime(m_lineTimer, 0, &setting, nullptr);
}

void PtyDisplay::flush()
{
    while (!m_unwritten.isEmpty() && m_master >= 0) {
        const ssize_t count =
            ::write(m_master, m_unwritten.constData(), static_cast<std::size_t>(m_unwritten.size()));
        if (count > 0) {
            m_unwritten.remove(0, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);
            return;
        }
        Q_EMIT logLine(systemError("write to the pseudo-terminal"));
        m_unwritten.clear();
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}
