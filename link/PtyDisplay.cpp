#include "link/PtyDisplay.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kPaceTickMs = 10;
constexpr int kBitsPerByte = 10;

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
    m_paceTimer.setInterval(kPaceTickMs);
    connect(&m_paceTimer, &QTimer::timeout, this, &PtyDisplay::sendPaced);
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

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyDisplay::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyDisplay::flush);

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
    if (m_paced.isEmpty())
        return;
    if (m_baud == 0) {
        m_unwritten += m_paced;
        m_paced.clear();
        m_paceTimer.stop();
        flush();
        return;
    }
    // The new pace counts from now, not from the start of the burst.
    m_paceStartMs = m_clock.elapsed();
    m_pacedSent = 0;
}

void PtyDisplay::close()
{
    // Deleted later: close() may run inside a notifier's own signal.
    for (QSocketNotifier** notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    m_delayTimer.stop();
    m_paceTimer.stop();
    m_delayed.clear();
    m_paced.clear();
    m_unwritten.clear();
    for (int* fd : {&m_master, &m_slave}) {
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
            take(buffer.data(), static_cast<std::size_t>(count));
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
    m_bytesReceived += static_cast<qint64>(count);
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
    const QByteArray chunk(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    if (m_baud == 0) {
        m_unwritten += chunk;
        flush();
        return;
    }
    m_paced += chunk;
    if (!m_paceTimer.isActive()) {
        m_paceStartMs = m_clock.elapsed();
        m_pacedSent = 0;
        m_paceTimer.start();
        sendPaced();
    }
}

void PtyDisplay::sendPaced()
{
    // The first byte of a burst goes at once, each further one when the line would have carried it.
    const qint64 allowed = (m_clock.elapsed() - m_paceStartMs) * m_baud / (kBitsPerByte * 1000) + 1;
    const qint64 count = std::min<qint64>(allowed - m_pacedSent, m_paced.size());
    if (count > 0) {
        m_unwritten += m_paced.left(count);
        m_paced.remove(0, count);
        m_pacedSent += count;
        flush();
    }
    if (m_paced.isEmpty())
        m_paceTimer.stop();
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
