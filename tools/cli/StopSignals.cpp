#include "tools/cli/StopSignals.h"

#include <QSocketNotifier>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_stopPipe[2] = {-1, -1};

void onStopSignal(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request to stop; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], &byte, 1);
    errno = savedErrno;
}

QString systemError(const char* what)
{
    return QStringLiteral("Cannot %1: %2")
        .arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {}

StopSignals::~StopSignals()
{
    if (g_stopPipe[0] < 0)
        return;
    struct sigaction deflt
    {
    };
    deflt.sa_handler = SIG_DFL;
    ::sigaction(SIGINT, &deflt, nullptr);
    ::sigaction(SIGTERM, &deflt, nullptr);
    delete m_notifier;
    ::close(g_stopPipe[0]);
    ::close(g_stopPipe[1]);
    g_stopPipe[0] = g_stopPipe[1] = -1;
}

bool StopSignals::install(QString* error)
{
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = systemError("create the signal pipe");
        return false;
    }
    m_notifier = new QSocketNotifier(g_stopPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::onReadable);

    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &action, nullptr) != 0 || ::sigaction(SIGTERM, &action, nullptr) != 0) {
        *error = systemError("install the signal handlers");
        return false;
    }
    return true;
}

void StopSignals::onReadable()
{
    unsigned char byte = 0;
    if (::read(g_stopPipe[0], &byte, 1) == 1)
        Q_EMIT stopRequested(byte);
}
