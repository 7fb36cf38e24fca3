// The main window against a display that misbehaves at the other end of a pseudo-terminal: one
// unplugged in the middle of a download, one that stops taking bytes while the window writes,
// and one that floods the port with bytes nobody asked for.
#include "app/CSetupDlg.h"
#include "app/ControlIds.h"
#include "pages/CCommandPage.h"
#include "res/TemplateBuilder.h"
#include "settings/SettingsImage.h"
#include "support/RecordingMessageBoxes.h"
#include "support/ScriptedFileDialogs.h"
#include "support/SimulatedPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kCommandModeList = 1001;

QPushButton* button(const CSetupDlg& window, int id)
{
    return Control<QPushButton>(&window, id);
}

bool isClosedState(const CSetupDlg& window)
{
    return button(window, MainId::OpenCom)->text() == QLatin1String("Open COM") &&
           Control<QComboBox>(&window, MainId::Port)->isEnabled() &&
           !button(window, MainId::GetSetting)->isEnabled() &&
           !button(window, MainId::DownloadSetting)->isEnabled();
}

bool isOpenState(const CSetupDlg& window)
{
    return button(window, MainId::OpenCom)->text() == QLatin1String("Close COM") &&
           !Control<QComboBox>(&window, MainId::Port)->isEnabled() &&
           button(window, MainId::GetSetting)->isEnabled() &&
           button(window, MainId::DownloadSetting)->isEnabled();
}

// The image a download from a window left at its defaults, but for one list, carries.
SettingsImage imageWithCommandMode(int commandMode)
{
    WorkingValues values = factoryDefaults();
    values.commandMode = commandMode;
    SettingsImage image{};
    encodeImage(values, image);
    return image;
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Ticks every 10 ms and keeps the longest time between two ticks: how long anything held up the
// event loop that the window runs on.
class LoopGauge
{
public:
    LoopGauge()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_maxGapNs = std::max(m_maxGapNs, now - m_lastNs);
            m_lastNs = now;
            ++m_ticks;
        });
    }

    void start()
    {
        m_clock.start();
        m_lastNs = 0;
        m_maxGapNs = 0;
        m_ticks = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double maxGapMs() const { return static_cast<double>(m_maxGapNs) / 1e6; }
    int ticks() const { return m_ticks; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_maxGapNs = 0;
    int m_ticks = 0;
};

// A display that sends a count as text ("00000001 00000002 ..."), 4 KiB at a time, as fast as the
// pseudo-terminal takes it, from a thread of its own as a real device would: the window's event
// loop does nothing for it. Mapped to Com1 while it lives.
class FloodingDisplay
{
public:
    ~FloodingDisplay()
    {
        stop();
        // The thread gives up on a port that nobody reads within a second.
        if (m_thread.joinable())
            m_thread.join();
        for (const int fd : {m_master, m_slave})
            if (fd >= 0)
                ::close(fd);
    }

    bool open()
    {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            return false;
        termios settings{};
        if (::tcgetattr(m_slave, &settings) != 0)
            return false;
        ::cfmakeraw(&settings);
        char name[256] = {};
        if (::tcsetattr(m_slave, TCSANOW, &settings) != 0 || ::ttyname_r(m_slave, name, sizeof name) != 0)
            return false;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_mapping.emplace(1, QString::fromLocal8Bit(name));
        return true;
    }

    void start()
    {
        m_stop = false;
        m_thread = std::thread([this] { run(); });
    }

    // Ends the flood with mark behind everything sent. The window must go on reading meanwhile,
    // so this only asks; finished() tells when the mark is out.
    void stop(const QByteArray& mark = {})
    {
        if (!m_thread.joinable())
            return;
        m_mark = mark;
        m_stop = true;
    }
    bool finished()
    {
        if (!m_done)
            return false;
        if (m_thread.joinable())
            m_thread.join();
        return true;
    }

    qint64 bytesSent() const { return m_sent; }

private:
    static constexpr qsizetype kChunk = 4096;

    void run()
    {
        QByteArray pending;
        while (!m_stop) {
            if (pending.isEmpty())
                pending = nextChunk();
            pollfd writable{m_master, POLLOUT, 0};
            if (::poll(&writable, 1, 20) <= 0)
                continue;
            const ssize_t count = ::write(m_master, pending.constData(), static_cast<size_t>(pending.size()));
            if (count > 0) {
                pending.remove(0, count);
                m_sent += count;
            }
        }
        // What the device had begun goes out whole, so the count in the window stays unbroken.
        writeAll(pending + m_mark);
        m_done = true;
    }

    QByteArray nextChunk()
    {
        QByteArray chunk;
        chunk.reserve(kChunk);
        while (chunk.size() < kChunk)
            chunk += QByteArray::number(++m_counter).rightJustified(8, '0') + ' ';
        return chunk;
    }

    void writeAll(QByteArray bytes)
    {
        while (!bytes.isEmpty()) {
            pollfd writable{m_master, POLLOUT, 0};
            if (::poll(&writable, 1, 1000) <= 0)
                return;
            const ssize_t count = ::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size()));
            if (count < 0 && errno != EAGAIN && errno != EINTR)
                return;
            if (count > 0) {
                bytes.remove(0, count);
                m_sent += count;
            }
        }
    }

    int m_master = -1;
    int m_slave = -1;
    std::optional<ScopedPortMapping> m_mapping;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    QByteArray m_mark;
    std::atomic<qint64> m_sent{0};
    qint64 m_counter = 0;
};

// The numbers in text, a count as FloodingDisplay sends it cut off anywhere in front, follow one
// another without a gap; the first number that breaks the run, or 0.
qint64 firstBreakInCount(const QString& text)
{
    const QStringList numbers = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < numbers.size(); ++i)
        if (numbers[i].toLongLong() != numbers[i - 1].toLongLong() + 1 || numbers[i].size() != 8)
            return numbers[i].toLongLong();
    return 0;
}

int floodSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("LUMETRA_FLOOD_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 3;
}

// Printable bytes with no short period, so that a piece lost, doubled or moved shows.
QByteArray printablePayload(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(0x21 + (i + i / 94 + i / (94 * 93)) % 94);
    return bytes;
}

// Everything printable the display has shown, in the order it came, from its log.
QByteArray shownText(const QStringList& log)
{
    QByteArray text;
    for (const QString& line : log)
        if (line.startsWith(QLatin1String("text: ")))
            text += line.mid(6).toLatin1();
    return text;
}

} // namespace

class TestFaultInjection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void displayUnpluggedMidDownload_data();
    void displayUnpluggedMidDownload();
    void displayThatStopsReading();
    void floodOfUnaskedBytes();

private:
    bool openPort(CSetupDlg& window);

    RecordingMessageBoxes m_messages;
    ScriptedFileDialogs m_files;
};

void TestFaultInjection::init()
{
    m_messages.clear();
}

bool TestFaultInjection::openPort(CSetupDlg& window)
{
    button(window, MainId::OpenCom)->click();
    return isOpenState(window) && m_messages.boxes().empty();
}

void TestFaultInjection::displayUnpluggedMidDownload_data()
{
    QTest::addColumn<bool>("imageOnTheWire");

    // Unplugged after it took the request and before its answer went out.
    QTest::newRow("waiting for the response") << false;
    // Unplugged after the image left the window, while the line was still carrying it.
    QTest::newRow("image on the wire") << true;
}

void TestFaultInjection::displayUnpluggedMidDownload()
{
    QFETCH(bool, imageOnTheWire);

    SimulatedPort port;
    if (imageOnTheWire)
        port.pty().setPace(1200);
    else
        port.display().setFault(DisplayFault::Slow, 300);
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    const QString device = port.devicePath();
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));

    button(window, MainId::DownloadSetting)->click();
    const qint64 unplugAt = imageOnTheWire ? 10 + 127 : 10;
    QVERIFY(QTest::qWaitFor([&] { return port.pty().bytesReceived() >= unplugAt; }, 1000));
    port.pty().close();
    QElapsedTimer clock;
    clock.start();

    QVERIFY(QTest::qWaitFor(
        [&] {
            return std::any_of(
                m_messages.boxes().begin(), m_messages.boxes().end(),
                [](const RecordingMessageBoxes::Box& box) { return box.icon == MessageIcon::Stop; });
        },
        1000));
    qInfo("unplugged with the %s: stop box %lld ms later",
          imageOnTheWire ? "image on the wire" : "response due", static_cast<long long>(clock.elapsed()));
    // Past the moment the unplugged display would have answered.
    QTest::qWait(400);
    QCOMPARE(m_messages.boxes().size(), std::size_t{imageOnTheWire ? 2u : 1u});
    const RecordingMessageBoxes::Box& lost = m_messages.boxes().back();
    QCOMPARE(lost.icon, MessageIcon::Stop);
    QVERIFY2(lost.text.contains(device), qPrintable(lost.text));
    if (imageOnTheWire) {
        QCOMPARE(m_messages.boxes().front().text, QStringLiteral("Download OK!"));
        QCOMPARE(m_messages.boxes().front().icon, MessageIcon::Information);
    }
    QVERIFY(port.acceptedImages().empty());
    QVERIFY(isClosedState(window));

    // Plugged in again, as a new device: the same window opens it and downloads into it.
    m_messages.clear();
    SimulatedPort replugged;
    QVERIFY2(replugged.start(&error), qPrintable(error));
    QVERIFY(openPort(window));
    Control<QComboBox>(&window.commandPage(), kCommandModeList)->setCurrentIndex(6);
    button(window, MainId::DownloadSetting)->click();
    QVERIFY(waitForBoxes(m_messages, 1));
    QVERIFY(QTest::qWaitFor([&] { return !replugged.acceptedImages().empty(); }, 1000));
    QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("Download OK!")});
    QVERIFY(replugged.display().image() == imageWithCommandMode(6));
    QVERIFY(isOpenState(window));
    button(window, MainId::OpenCom)->click();
}

void TestFaultInjection::displayThatStopsReading()
{
    constexpr qsizetype kTextBytes = 64 * 1024;
    constexpr int kStallMs = 700;

    SimulatedPort port;
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));
    const QByteArray payload = printablePayload(kTextBytes);
    Control<QCheckBox>(&window, MainId::SendHex)->setChecked(true);
    Control<QPlainTextEdit>(&window, MainId::SendText)->setPlainText(QString::fromLatin1(payload.toHex(' ')));

    port.pty().setReading(false);
    LoopGauge gauge;
    gauge.start();
    QElapsedTimer clock;
    clock.start();
    button(window, MainId::Send)->click();
    // The request queues up behind the text, as it would in a serial driver.
    Control<QComboBox>(&window.commandPage(), kCommandModeList)->setCurrentIndex(4);
    button(window, MainId::DownloadSetting)->click();
    const qint64 clickMs = clock.elapsed();

    QTest::qWait(kStallMs);
    const double stalledGapMs = gauge.maxGapMs();
    const int stalledTicks = gauge.ticks();
    QVERIFY2(m_messages.boxes().empty(), qPrintable(m_messages.texts().join(QLatin1Char('\n'))));
    QCOMPARE(port.pty().bytesReceived(), qint64{0});
    QVERIFY(isOpenState(window));

    port.pty().setReading(true);
    QVERIFY(waitForBoxes(m_messages, 1));
    const qint64 okMs = clock.elapsed();
    QVERIFY(QTest::qWaitFor([&] { return !port.acceptedImages().empty(); }, 1000));
    QTest::qWait(100);
    gauge.stop();

    QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("Download OK!")});
    QCOMPARE(port.pty().bytesReceived(), kTextBytes + 10 + 127);
    QCOMPARE(shownText(port.log()), payload);
    // Text, then the request, then the image: in the order the window wrote them.
    const QStringList& log = port.log();
    QCOMPARE(log.filter(QStringLiteral("download:")).size(), 2);
    QVERIFY(log.filter(QStringLiteral("download:")).first().startsWith(QLatin1String("download: challenge")));
    QCOMPARE(log.last(), QStringLiteral("download: accepted image"));
    QVERIFY(port.display().image() == imageWithCommandMode(4));
    QCOMPARE(port.acceptedImages().size(), std::size_t{1});

    qInfo(
        "display not reading for %d ms while the window sent %lld bytes and a download: event loop ticked %d "
        "times, longest gap %.1f ms; \"Download OK!\" %lld ms after the click, %lld ms after reading resumed",
        kStallMs, static_cast<long long>(kTextBytes), stalledTicks, stalledGapMs,
        static_cast<long long>(okMs - clickMs), static_cast<long long>(okMs - clickMs - kStallMs));
    QVERIFY2(stalledGapMs < 1000, qPrintable(QString::number(stalledGapMs)));
    QVERIFY(stalledTicks >= kStallMs / 10 / 4);
}

void TestFaultInjection::floodOfUnaskedBytes()
{
    const int seconds = floodSeconds();
    FloodingDisplay display;
    QVERIFY(display.open());
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));
    QTest::qWait(50);

    const qint64 rssBefore = residentKiB();
    qint64 rssPeak = rssBefore;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { rssPeak = std::max(rssPeak, residentKiB()); });
    sampler.start(100);
    LoopGauge gauge;
    QElapsedTimer clock;
    clock.start();
    gauge.start();
    display.start();
    QTest::qWait(seconds * 1000);
    const QByteArray mark("END");
    display.stop(mark);
    const qint64 floodMs = clock.elapsed();
    QVERIFY(QTest::qWaitFor([&] { return display.finished(); }, 10000));
    QVERIFY(QTest::qWaitFor([&] { return window.receiveText().endsWith(QLatin1String(mark)); }, 10000));
    const qint64 deliveredMs = clock.elapsed();
    gauge.stop();
    sampler.stop();
    rssPeak = std::max(rssPeak, residentKiB());

    const QString text = window.receiveText();
    const qint64 sent = display.bytesSent();
    const double rate = static_cast<double>(sent) / (static_cast<double>(deliveredMs) / 1000.0);
    qInfo(
        "flood of %d s: %lld bytes delivered in %lld ms (%.1f MB/s, the last %lld ms after the flood ended); "
        "event loop: %d ticks of 10 ms, longest gap %.1f ms; VmRSS %lld KiB before, peak %lld KiB (+%lld "
        "KiB); "
        "receive text %lld characters",
        seconds, static_cast<long long>(sent), static_cast<long long>(deliveredMs), rate / 1e6,
        static_cast<long long>(deliveredMs - floodMs), gauge.ticks(), gauge.maxGapMs(),
        static_cast<long long>(rssBefore), static_cast<long long>(rssPeak),
        static_cast<long long>(rssPeak - rssBefore), static_cast<long long>(text.size()));

    QVERIFY(sent > 1024 * 1024);
    QVERIFY2(text.size() <= CSetupDlg::kReceiveTextCap, qPrintable(QString::number(text.size())));
    QCOMPARE(firstBreakInCount(text.chopped(mark.size())), qint64{0});
    QVERIFY2(gauge.maxGapMs() < 1000, qPrintable(QString::number(gauge.maxGapMs())));
    QVERIFY2(rssPeak - rssBefore < 50 * 1024, qPrintable(QString::number(rssPeak - rssBefore)));
    QVERIFY(m_messages.boxes().empty());

    // Still the operator's: the port closes at the first click.
    button(window, MainId::OpenCom)->click();
    QVERIFY(isClosedState(window));
    QVERIFY(m_messages.boxes().empty());
}

QTEST_MAIN(TestFaultInjection)
#include "test_fault_injection.moc"
