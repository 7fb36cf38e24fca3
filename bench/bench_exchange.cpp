// Upload and download exchanges against simulated displays on pseudo-terminals, timed through the
// real window (click to the result message) and through lumetra-cli (start to exit).
//
//   bench_exchange window [--pace BAUD] [--runs N]
//   bench_exchange cli    [--pace BAUD] [--runs N]
//   bench_exchange many    --pace BAUD  [--runs N]   (put to 1, 4 and 8 displays at once)
//
// Unpaced, a figure is the program's own cost. Paced, the simulator takes each byte and hands over
// each reply byte only once the line would have carried it, so an exchange cannot beat its wire
// time, and the figure over the wire time is what the program adds to it.
#include "BenchStats.h"
#include "MomentClock.h"

#include "app/CSetupDlg.h"
#include "app/ControlIds.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "link/PtyDisplay.h"
#include "link/SimulatedDisplay.h"
#include "res/TemplateBuilder.h"
#include "settings/SettingsFile.h"

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <sched.h>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kUploadLineBytes = 2 + 127;
constexpr int kDownloadLineBytes = 10 + 1 + 127;
constexpr int kWaitMs = 10000;

double wireMs(int lineBytes, int baud)
{
    return lineBytes * 10 * 1000.0 / baud;
}

struct Options
{
    QString mode;
    int pace = 0;
    int runs = 0;
};

std::string paceName(int pace)
{
    return pace == 0 ? "unpaced" : "paced" + std::to_string(pace);
}

class StampingMessageBoxes final : public MessageBoxes
{
public:
    explicit StampingMessageBoxes(MomentClock& clock) : m_clock(clock) {}

    void show(QWidget*, const QString& text, MessageIcon) override
    {
        m_texts << text;
        m_clock.mark(QStringLiteral("message"));
    }

    QStringList takeTexts() { return std::exchange(m_texts, {}); }

private:
    MomentClock& m_clock;
    QStringList m_texts;
};

// A simulated display on a pseudo-terminal that marks its moments on the clock.
class Display
{
public:
    Display(MomentClock& clock, int pace, const QString& name) : m_pty(m_display)
    {
        QString error;
        if (!m_pty.open(&error))
            qFatal("cannot open a pseudo-terminal: %s", qPrintable(error));
        m_pty.setPace(pace);
        QObject::connect(&m_pty, &PtyDisplay::bytesArrived, &m_pty,
                         [&clock, name] { clock.mark(name + QStringLiteral(".arrived")); });
        QObject::connect(&m_pty, &PtyDisplay::imageAccepted, &m_pty,
                         [&clock, name] { clock.mark(name + QStringLiteral(".accepted")); });
    }

    QString device() const { return m_pty.devicePath(); }

private:
    SimulatedDisplay m_display;
    PtyDisplay m_pty;
};

bool expect(const QStringList& texts, const QString& wanted)
{
    if (texts == QStringList{wanted})
        return true;
    std::fprintf(stderr, "bench_exchange: expected \"%s\", got \"%s\"\n", qPrintable(wanted),
                 qPrintable(texts.join(QStringLiteral("\", \""))));
    return false;
}

int runWindow(const Options& options)
{
    MomentClock clock;
    Display display(clock, options.pace, QStringLiteral("display"));
    qputenv("LUMETRA_COM1", QFile::encodeName(display.device()));

    StampingMessageBoxes messages(clock);
    QtFileDialogs files;
    CSetupDlg window(messages, files);
    window.show();
    Control<QComboBox>(&window, MainId::PortSettings)->setCurrentIndex(options.pace == 19200 ? 1 : 0);
    Control<QPushButton>(&window, MainId::OpenCom)->click();
    if (!messages.takeTexts().isEmpty() || !Control<QPushButton>(&window, MainId::GetSetting)->isEnabled()) {
        std::fprintf(stderr, "bench_exchange: the window did not open %s\n", qPrintable(display.device()));
        return 1;
    }

    // A paced download is over once the display holds the image; unpaced, the message is the result.
    const QStringList uploadEnd{QStringLiteral("message")};
    const QStringList downloadEnd =
        options.pace == 0 ? QStringList{QStringLiteral("message")}
                          : QStringList{QStringLiteral("message"), QStringLiteral("display.accepted")};
    const int warmUp = 3;
    std::vector<double> uploads;
    std::vector<double> downloads;
    for (int run = 0; run < warmUp + options.runs; ++run) {
        clock.start();
        Control<QPushButton>(&window, MainId::GetSetting)->click();
        if (!clock.waitFor(uploadEnd, kWaitMs) || !expect(messages.takeTexts(), QStringLiteral("Upload OK!")))
            return 1;
        const double upload = *clock.at(QStringLiteral("message"));

        clock.start();
        Control<QPushButton>(&window, MainId::DownloadSetting)->click();
        if (!clock.waitFor(downloadEnd, kWaitMs) ||
            !expect(messages.takeTexts(), QStringLiteral("Download OK!")))
            return 1;
        double download = 0;
        for (const QString& moment : downloadEnd)
            download = std::max(download, *clock.at(moment));

        if (run >= warmUp) {
            uploads.push_back(upload);
            downloads.push_back(download);
        }
    }

    const std::string pace = paceName(options.pace);
    const auto extra = [&options](int lineBytes, const BenchStats& stats) -> std::string {
        if (options.pace == 0)
            return {};
        const double wire = wireMs(lineBytes, options.pace);
        char text[96];
        std::snprintf(text, sizeof text, "wire=%.3f ratio=%.4f", wire, stats.median / wire);
        return text;
    };
    const BenchStats up = BenchStats::of(uploads);
    const BenchStats down = BenchStats::of(downloads);
    printFigure("window.upload." + pace + "_ms", up, extra(kUploadLineBytes, up));
    printFigure("window.download." + pace + "_ms", down, extra(kDownloadLineBytes, down));
    return 0;
}

// Runs lumetra-cli with arguments, marking "result" at its first line of output and "exit" when
// it ends; false if it did not end well within the time.
bool runCli(MomentClock& clock, const QStringList& arguments, const QStringList& alsoAwaited)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process,
                     [&clock] { clock.mark(QStringLiteral("result")); });
    QObject::connect(&process, &QProcess::finished, &process,
                     [&clock] { clock.mark(QStringLiteral("exit")); });
    clock.start();
    process.start(QStringLiteral(LUMETRA_CLI_PATH), arguments);
    const bool done = clock.waitFor(QStringList{QStringLiteral("exit")} + alsoAwaited, kWaitMs);
    if (!done || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "bench_exchange: lumetra-cli %s failed: %s%s\n",
                     qPrintable(arguments.join(QLatin1Char(' '))),
                     process.readAllStandardOutput().constData(), process.readAllStandardError().constData());
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
        return false;
    }
    return true;
}

// The simulated displays stand in for hardware, which keeps its own time whatever else the
// machine runs: across processes they run at real-time priority, and lumetra-cli, started from
// here, at the ordinary one.
void keepDisplaysOnTime()
{
    sched_param priority{};
    priority.sched_priority = 10;
    if (::sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &priority) != 0)
        std::perror("bench_exchange: the simulated displays keep the ordinary priority");
}

double latest(const MomentClock& clock, const QStringList& moments)
{
    double last = 0;
    for (const QString& moment : moments)
        last = std::max(last, *clock.at(moment));
    return last;
}

QString writeImageFile(const QTemporaryDir& directory)
{
    const QString path = directory.filePath(QStringLiteral("image.vfd"));
    if (const std::optional<QString> failure = SettingsFile::write(path, factoryDefaultImage()))
        qFatal("%s", qPrintable(*failure));
    return path;
}

int runCommandLine(const Options& options)
{
    QTemporaryDir directory;
    const QString imageFile = writeImageFile(directory);
    MomentClock clock;
    Display display(clock, options.pace, QStringLiteral("display"));
    const QString baud = QString::number(options.pace == 19200 ? 19200 : 9600);

    const QStringList uploadArguments{QStringLiteral("get"),
                                      QStringLiteral("--port"),
                                      display.device(),
                                      QStringLiteral("--baud"),
                                      baud,
                                      QStringLiteral("--output"),
                                      directory.filePath(QStringLiteral("read.vfd"))};
    const QStringList downloadArguments{QStringLiteral("put"),
                                        QStringLiteral("--port"),
                                        display.device(),
                                        QStringLiteral("--baud"),
                                        baud,
                                        imageFile};
    const QStringList uploadEnd{QStringLiteral("result")};
    const QStringList downloadEnd{QStringLiteral("result"), QStringLiteral("display.accepted")};

    const int warmUp = 2;
    std::vector<double> uploadTotal, uploadExchange, downloadTotal, downloadExchange;
    for (int run = 0; run < warmUp + options.runs; ++run) {
        if (!runCli(clock, uploadArguments, uploadEnd))
            return 1;
        const double upStart = *clock.at(QStringLiteral("display.arrived"));
        const double upEnd = latest(clock, uploadEnd);
        const double upExit = *clock.at(QStringLiteral("exit"));

        if (!runCli(clock, downloadArguments, downloadEnd))
            return 1;
        const double downStart = *clock.at(QStringLiteral("display.arrived"));
        const double downEnd = latest(clock, downloadEnd);
        const double downExit = std::max(downEnd, *clock.at(QStringLiteral("exit")));

        if (run >= warmUp) {
            uploadTotal.push_back(upExit);
            uploadExchange.push_back(upEnd - upStart);
            downloadTotal.push_back(downExit);
            downloadExchange.push_back(downEnd - downStart);
        }
    }

    const std::string pace = paceName(options.pace);
    const auto extra = [&options](int lineBytes, const BenchStats& stats) -> std::string {
        if (options.pace == 0)
            return {};
        const double wire = wireMs(lineBytes, options.pace);
        char text[96];
        std::snprintf(text, sizeof text, "wire=%.3f ratio=%.4f", wire, stats.median / wire);
        return text;
    };
    const BenchStats upExchange = BenchStats::of(uploadExchange);
    const BenchStats downExchange = BenchStats::of(downloadExchange);
    printFigure("cli.upload." + pace + ".exchange_ms", upExchange, extra(kUploadLineBytes, upExchange));
    printFigure("cli.upload." + pace + ".total_ms", BenchStats::of(uploadTotal));
    printFigure("cli.download." + pace + ".exchange_ms", downExchange,
                extra(kDownloadLineBytes, downExchange));
    printFigure("cli.download." + pace + ".total_ms", BenchStats::of(downloadTotal));
    return 0;
}

int runMany(const Options& options)
{
    QTemporaryDir directory;
    const QString imageFile = writeImageFile(directory);
    MomentClock clock;
    const std::vector<int> counts{1, 4, 8};
    std::vector<std::unique_ptr<Display>> displays;
    for (int index = 0; index < counts.back(); ++index)
        displays.push_back(
            std::make_unique<Display>(clock, options.pace, QStringLiteral("display%1").arg(index)));

    const int warmUp = 1;
    std::vector<std::vector<double>> totals(counts.size());
    for (int run = 0; run < warmUp + options.runs; ++run) {
        // Alternated, so that a disturbance of the machine falls on every count alike.
        for (std::size_t which = 0; which < counts.size(); ++which) {
            QStringList arguments{QStringLiteral("put"), QStringLiteral("--baud"),
                                  QString::number(options.pace == 19200 ? 19200 : 9600)};
            QStringList awaited;
            for (int index = 0; index < counts[which]; ++index) {
                arguments << QStringLiteral("--port") << displays[static_cast<std::size_t>(index)]->device();
                awaited << QStringLiteral("display%1.accepted").arg(index);
            }
            arguments << imageFile;
            if (!runCli(clock, arguments, awaited))
                return 1;
            if (run >= warmUp)
                totals[which].push_back(latest(clock, awaited + QStringList{QStringLiteral("exit")}));
        }
    }

    const std::string pace = paceName(options.pace);
    const BenchStats one = BenchStats::of(totals.front());
    for (std::size_t which = 0; which < counts.size(); ++which) {
        const BenchStats stats = BenchStats::of(totals[which]);
        char extra[64];
        std::snprintf(extra, sizeof extra, "ratio=%.4f", stats.median / one.median);
        printFigure("cli.put." + pace + ".displays" + std::to_string(counts[which]) + "_ms", stats, extra);
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Options options;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    options.mode = arguments.value(0);
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--pace"))
            options.pace = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--runs"))
            options.runs = arguments[i + 1].toInt();
    }
    if (options.runs <= 0)
        options.runs = options.pace == 0 ? 200 : 15;

    if (options.mode == QLatin1String("window"))
        return runWindow(options);
    if (options.mode == QLatin1String("cli")) {
        keepDisplaysOnTime();
        return runCommandLine(options);
    }
    if (options.mode == QLatin1String("many") && options.pace > 0) {
        keepDisplaysOnTime();
        return runMany(options);
    }
    std::fprintf(stderr, "usage: bench_exchange window|cli [--pace BAUD] [--runs N]\n"
                         "       bench_exchange many --pace BAUD [--runs N]\n");
    return 2;
}
