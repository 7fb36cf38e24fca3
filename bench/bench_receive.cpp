// The window's receive path: bytes written into a pseudo-terminal in batches of a fixed size, each
// batch read by the open port and handed to the receive handler, which echoes it into the hidden
// receive text, before the next is written. Timed with the receive text empty and at its cap.
//
//   bench_receive [--bytes N]   (bytes per case, default 49152)
#include "BenchStats.h"

#include "app/CSetupDlg.h"
#include "app/ControlIds.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "res/TemplateBuilder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qsizetype kKeepEmptyBelow = 4096;
constexpr qint64 kCaseBudgetMs = 20000;

class CountingMessageBoxes final : public MessageBoxes
{
public:
    void show(QWidget*, const QString& text, MessageIcon) override
    {
        std::fprintf(stderr, "bench_receive: unexpected message \"%s\"\n", qPrintable(text));
    }
};

// Printable bytes without line breaks: one block that only grows, the hardest text to keep.
QByteArray streamBytes(qsizetype count, qsizetype& offset)
{
    QByteArray bytes(count, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i)
        bytes[i] = static_cast<char>('!' + (offset + i) % 94);
    offset += count;
    return bytes;
}

// Sees the port's read notification arrive and queues an end to the wait behind it.
class ReadWatch final : public QObject
{
public:
    explicit ReadWatch(QEventLoop& loop) : m_loop(loop) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::SockAct && m_loop.isRunning())
            QMetaObject::invokeMethod(
                &m_loop, [this] { m_loop.exit(0); }, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& m_loop;
};

struct Case
{
    int batch;
    bool atCap;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qsizetype bytesPerCase = 49152;
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--bytes"))
        bytesPerCase = arguments[2].toLongLong();

    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::perror("bench_receive: openpty");
        return 1;
    }
    termios settings{};
    ::tcgetattr(slave, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(slave, TCSANOW, &settings);
    qputenv("LUMETRA_COM1", QFile::encodeName(QString::fromLocal8Bit(::ttyname(slave))));

    CountingMessageBoxes messages;
    QtFileDialogs files;
    CSetupDlg window(messages, files);
    window.show();
    Control<QPushButton>(&window, MainId::OpenCom)->click();

    // A batch is through once the port's read notification, and with it the receive handler, has
    // returned: the notification is seen on its way in, and a queued call runs after it.
    QEventLoop loop;
    ReadWatch watch(loop);
    app.installEventFilter(&watch);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
        std::fprintf(stderr, "bench_receive: a batch was not taken\n");
        loop.exit(1);
    });
    const auto pass = [&](const QByteArray& bytes) {
        if (::write(master, bytes.constData(), static_cast<std::size_t>(bytes.size())) != bytes.size()) {
            std::perror("bench_receive: write");
            return false;
        }
        int waiting = 0;
        do {
            guard.start(5000);
            if (loop.exec() != 0)
                return false;
            guard.stop();
            ::ioctl(slave, FIONREAD, &waiting);
        } while (waiting > 0);
        return true;
    };

    // The cases take turns, three rounds, so that a disturbance of the machine falls on all alike;
    // each case's figures come from all its batches, its cost per batch from the median round.
    const std::vector<Case> cases{{1, false}, {1, true}, {64, false}, {64, true}};
    constexpr int kRounds = 3;
    std::vector<std::vector<double>> batchUs(cases.size());
    std::vector<std::vector<double>> roundMeanUs(cases.size());
    std::vector<qint64> totalNs(cases.size());
    std::vector<double> readUs(cases.size());
    std::vector<qsizetype> heldChars(cases.size());
    qsizetype offset = 0;
    qsizetype sinceClear = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t which = 0; which < cases.size(); ++which) {
            const Case& current = cases[which];
            window.OnClearReceive();
            if (current.atCap) {
                qsizetype fillOffset = 0;
                for (int filled = 0; filled < CSetupDlg::kReceiveTextCap; filled += 1024)
                    if (!pass(streamBytes(1024, fillOffset)))
                        return 1;
            }
            QElapsedTimer budget;
            budget.start();
            qint64 roundNs = 0;
            qsizetype batches = 0;
            for (qsizetype sent = 0; sent < bytesPerCase / kRounds; sent += current.batch) {
                if (!current.atCap && ++sinceClear * current.batch > kKeepEmptyBelow) {
                    window.OnClearReceive();
                    sinceClear = 0;
                }
                const QByteArray bytes = streamBytes(current.batch, offset);
                QElapsedTimer clock;
                clock.start();
                if (!pass(bytes))
                    return 1;
                const qint64 ns = clock.nsecsElapsed();
                roundNs += ns;
                ++batches;
                batchUs[which].push_back(static_cast<double>(ns) / 1e3);
                if (budget.elapsed() > kCaseBudgetMs / kRounds)
                    break;
            }
            totalNs[which] += roundNs;
            roundMeanUs[which].push_back(static_cast<double>(roundNs) / 1e3 / static_cast<double>(batches));
            // What the text costs when it is finally read, once per case and round.
            QElapsedTimer reading;
            reading.start();
            heldChars[which] = window.receiveText().size();
            readUs[which] = std::max(readUs[which], static_cast<double>(reading.nsecsElapsed()) / 1e3);
        }
    }

    std::vector<double> costUs(cases.size());
    for (std::size_t which = 0; which < cases.size(); ++which) {
        const Case& current = cases[which];
        const BenchStats stats = BenchStats::of(batchUs[which]);
        costUs[which] = BenchStats::of(roundMeanUs[which]).median;
        const double bytesPerSecond =
            static_cast<double>(stats.count) * current.batch / (static_cast<double>(totalNs[which]) / 1e9);
        char extra[160];
        std::snprintf(extra, sizeof extra, "cost_us=%.3f bytes_per_s=%.0f held=%lld read_us=%.0f",
                      costUs[which], bytesPerSecond, static_cast<long long>(heldChars[which]), readUs[which]);
        printFigure("receive.batch" + std::to_string(current.batch) + (current.atCap ? ".cap" : ".empty") +
                        "_us",
                    stats, extra);
    }
    printValue("receive.batch1.cap_over_empty", costUs[1] / costUs[0]);
    printValue("receive.batch64.cap_over_empty", costUs[3] / costUs[2]);
    ::close(master);
    ::close(slave);
    return 0;
}
