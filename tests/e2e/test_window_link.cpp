// The main window against a simulated display on a pseudo-terminal: the real CSetupDlg, CMSComm and
// QSerialPort, with Com1 mapped to the pseudo-terminal, driven through the window's buttons.
#include "app/CSetupDlg.h"
#include "app/ControlIds.h"
#include "pages/CCommandPage.h"
#include "pages/CUserCharPage.h"
#include "res/TemplateBuilder.h"
#include "settings/SettingsImage.h"
#include "settings/WelcomeBuffers.h"
#include "support/RecordingMessageBoxes.h"
#include "support/ScriptedFileDialogs.h"
#include "support/SimulatedPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <sys/resource.h>

namespace {

namespace PageId {
constexpr int CharType = 1000;
constexpr int CommandMode = 1001;
constexpr int BaudRate = 1018;
constexpr int Passthru = 1019;
} // namespace PageId

const std::string kDisplayWelcome1 = "Lumetra on a pty   !";

QPushButton* button(const CSetupDlg& window, int id)
{
    return Control<QPushButton>(&window, id);
}

bool isClosedState(const CSetupDlg& window)
{
    return button(window, MainId::OpenCom)->text() == QLatin1String("Open COM") &&
           Control<QComboBox>(&window, MainId::Port)->isEnabled() &&
           Control<QComboBox>(&window, MainId::PortSettings)->isEnabled() &&
           !button(window, MainId::GetSetting)->isEnabled() &&
           !button(window, MainId::DownloadSetting)->isEnabled();
}

bool isOpenState(const CSetupDlg& window)
{
    return button(window, MainId::OpenCom)->text() == QLatin1String("Close COM") &&
           !Control<QComboBox>(&window, MainId::Port)->isEnabled() &&
           !Control<QComboBox>(&window, MainId::PortSettings)->isEnabled() &&
           button(window, MainId::GetSetting)->isEnabled() &&
           button(window, MainId::DownloadSetting)->isEnabled();
}

int pageSelection(CSetupDlg& window, int id)
{
    return Control<QComboBox>(&window.commandPage(), id)->currentIndex();
}

// Differs from the factory defaults in every field the pages show.
SettingsImage displayImage()
{
    WorkingValues values = factoryDefaults();
    values.charType = 5;
    values.commandMode = 3;
    values.baudRate = 1;
    values.passthru = 2;
    std::copy(kDisplayWelcome1.begin(), kDisplayWelcome1.end(), values.welcome1.begin());
    values.userChars[0] = {0x41, {0x7F, 0x08, 0x08, 0x08, 0x7F}};
    SettingsImage image{};
    encodeImage(values, image);
    return image;
}

QString hexEcho(const SettingsImage& image)
{
    QString text;
    for (const std::uint8_t byte : image)
        text += QString::number(byte, 16).toUpper() + QLatin1Char(' ');
    return text;
}

double cpuMilliseconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) { return time.tv_sec * 1000.0 + time.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Records through a RecordingMessageBoxes, notes when each box came and ends a waiting event loop,
// so that a round trip is timed with the event loop running freely, as in the program.
class StampedMessageBoxes final : public MessageBoxes
{
public:
    explicit StampedMessageBoxes(RecordingMessageBoxes& recorder) : m_recorder(recorder) {}

    void show(QWidget* owner, const QString& text, MessageIcon icon) override
    {
        m_lastMs = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
        m_recorder.show(owner, text, icon);
        m_loop.quit();
    }

    // Runs action and the event loop until the next box; the milliseconds it took, or -1.
    double time(const std::function<void()>& action)
    {
        m_lastMs = -1;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &m_loop, &QEventLoop::quit);
        guard.start(3000);
        m_clock.start();
        action();
        if (m_lastMs < 0)
            m_loop.exec();
        return m_lastMs;
    }

private:
    RecordingMessageBoxes& m_recorder;
    QEventLoop m_loop;
    QElapsedTimer m_clock;
    double m_lastMs = -1;
};

} // namespace

class TestWindowLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void openAndCloseSwitchTheWindowState();
    void openDiscardsStaleInput();
    void openOfAMissingDeviceKeepsThePortClosed();
    void getSettingShowsTheDisplaysImage();
    void downloadSendsTheImageBuiltAtTheResponse();
    void faultyDisplayEndsTheExchange_data();
    void faultyDisplayEndsTheExchange();
    void portVanishingMidTransferClosesThePortOnce();
    void pacedDisplayTakesTheWiresTime_data();
    void pacedDisplayTakesTheWiresTime();
    void sendNeedsAnOpenPort();
    void hexSendReachesTheDisplayAndItsReplyIsEchoed();
    void receiveTextKeepsTheNewestBytesUpToItsCap();
    void clickToResultTimes();

private:
    // Clicks "Open COM"; true when the window has reached the Open state without a message.
    bool openPort(CSetupDlg& window);

    RecordingMessageBoxes m_messages;
    ScriptedFileDialogs m_files;
};

bool TestWindowLink::openPort(CSetupDlg& window)
{
    button(window, MainId::OpenCom)->click();
    return isOpenState(window) && m_messages.boxes().empty();
}

void TestWindowLink::init()
{
    m_messages.clear();
}

void TestWindowLink::openAndCloseSwitchTheWindowState()
{
    SimulatedPort port;
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    QVERIFY(isClosedState(window));

    QVERIFY(openPort(window));
    button(window, MainId::OpenCom)->click();
    QVERIFY(isClosedState(window));
    QTest::qWait(50);
    // The display is still there and still heard after the program let go of the port once.
    QVERIFY(openPort(window));
    button(window, MainId::GetSetting)->click();
    QVERIFY(waitForBoxes(m_messages, 1));
    QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("Upload OK!")});
}

void TestWindowLink::openDiscardsStaleInput()
{
    SimulatedPort port;
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);

    port.pty().send({'s', 't', 'a', 'l', 'e'});
    QTest::qWait(50);
    QVERIFY(openPort(window));
    port.pty().send({'f', 'r', 'e', 's', 'h'});
    QVERIFY(QTest::qWaitFor([&] { return !window.receiveText().isEmpty(); }, 1000));
    QTest::qWait(50);
    QCOMPARE(window.receiveText(), QStringLiteral("fresh"));
    QVERIFY(m_messages.boxes().empty());
}

void TestWindowLink::openOfAMissingDeviceKeepsThePortClosed()
{
    ScopedPortMapping mapping(2, QStringLiteral("/nonexistent"));
    CSetupDlg window(m_messages, m_files);
    Control<QComboBox>(&window, MainId::Port)->setCurrentIndex(1);

    for (std::size_t attempt = 1; attempt <= 2; ++attempt) {
        button(window, MainId::OpenCom)->click();
        QTest::qWait(50);
        QCOMPARE(m_messages.boxes().size(), attempt);
        const RecordingMessageBoxes::Box& box = m_messages.boxes().back();
        QCOMPARE(box.icon, MessageIcon::Stop);
        QVERIFY2(box.text.contains(QLatin1String("/nonexistent")), qPrintable(box.text));
        QVERIFY(isClosedState(window));
    }
}

void TestWindowLink::getSettingShowsTheDisplaysImage()
{
    SimulatedPort port(displayImage());
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));

    button(window, MainId::GetSetting)->click();
    QVERIFY(waitForBoxes(m_messages, 1));
    QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("Upload OK!")});
    QCOMPARE(m_messages.boxes().front().icon, MessageIcon::Information);
    QVERIFY(!window.protocol().uploading());
    QCOMPARE(window.protocol().receivedCount(), 0);

    QVERIFY(g_SettingsImage == displayImage());
    QCOMPARE(pageSelection(window, PageId::CharType), 5);
    QCOMPARE(pageSelection(window, PageId::CommandMode), 3);
    QCOMPARE(pageSelection(window, PageId::BaudRate), 1);
    QCOMPARE(pageSelection(window, PageId::Passthru), 2);
    QCOMPARE(g_strWelcome1, kDisplayWelcome1);
    QVERIFY((g_UserChars[0] == UserCharRecord{0x41, {0x7F, 0x08, 0x08, 0x08, 0x7F}}));
    QCOMPARE(window.userCharPage().m_strCharCode, QStringLiteral("41"));
}

void TestWindowLink::downloadSendsTheImageBuiltAtTheResponse()
{
    SimulatedPort port(displayImage());
    port.display().setFault(DisplayFault::Slow, 300);
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));

    Control<QComboBox>(&window.commandPage(), PageId::CommandMode)->setCurrentIndex(4);
    button(window, MainId::DownloadSetting)->click();
    // Made while the display has not answered yet, so it must travel too.
    Control<QComboBox>(&window.commandPage(), PageId::CharType)->setCurrentIndex(7);

    QVERIFY(waitForBoxes(m_messages, 1));
    QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("Download OK!")});
    QCOMPARE(m_messages.boxes().front().icon, MessageIcon::Information);
    QVERIFY(QTest::qWaitFor([&] { return !port.acceptedImages().empty(); }, 1000));

    WorkingValues edited = factoryDefaults();
    edited.commandMode = 4;
    edited.charType = 7;
    SettingsImage expected{};
    encodeImage(edited, expected);
    QCOMPARE(port.acceptedImages().size(), std::size_t{1});
    QVERIFY(port.display().image() == expected);
    QVERIFY(g_SettingsImage == expected);
    QCOMPARE(port.pty().bytesReceived(), qint64{10 + 127});
    QVERIFY(!window.protocol().downloading());
}

void TestWindowLink::faultyDisplayEndsTheExchange_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("download");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("earliestMs");

    QTest::newRow("wrong response") << "wrong-response" << true << QStringList{"Download chek Error"} << 0;
    QTest::newRow("wrong first byte") << "bad-header" << false << QStringList{"Data1 Error"} << 0;
    QTest::newRow("bad image") << "bad-image" << false << QStringList{"Data6 Error"} << 0;
    QTest::newRow("silent upload") << "silent" << false << QStringList{"Upload Time out"} << 1900;
    QTest::newRow("silent download") << "silent" << true << QStringList{"Download Time out"} << 1900;
}

void TestWindowLink::faultyDisplayEndsTheExchange()
{
    QFETCH(QString, fault);
    QFETCH(bool, download);
    QFETCH(QStringList, expected);
    QFETCH(int, earliestMs);

    SimulatedPort port(displayImage());
    int delayMs = 0;
    const std::optional<DisplayFault> mode = SimulatedDisplay::parseFault(fault.toStdString(), delayMs);
    QVERIFY(mode);
    port.display().setFault(*mode, delayMs);
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));

    QElapsedTimer clock;
    clock.start();
    button(window, download ? MainId::DownloadSetting : MainId::GetSetting)->click();
    QVERIFY(waitForBoxes(m_messages, static_cast<std::size_t>(expected.size())));
    QVERIFY2(clock.elapsed() >= earliestMs, qPrintable(QString::number(clock.elapsed())));
    // Nothing else follows: no "Upload OK!" after a refused image, no image after a wrong answer.
    QVERIFY(!QTest::qWaitFor(
        [&] { return m_messages.boxes().size() > static_cast<std::size_t>(expected.size()); }, 100));

    QCOMPARE(m_messages.texts(), expected);
    for (const RecordingMessageBoxes::Box& box : m_messages.boxes())
        QCOMPARE(box.icon, MessageIcon::Warning);
    QVERIFY(!window.protocol().uploading());
    QVERIFY(!window.protocol().downloading());
    // Only the request went out.
    QCOMPARE(port.pty().bytesReceived(), qint64{download ? 10 : 2});
    QVERIFY(port.acceptedImages().empty());
    QVERIFY(port.display().image() == displayImage());
    // The pages keep what they showed.
    QCOMPARE(pageSelection(window, PageId::CommandMode), 1);
    QVERIFY(isOpenState(window));
}

void TestWindowLink::portVanishingMidTransferClosesThePortOnce()
{
    SimulatedPort port(displayImage());
    port.pty().setPace(9600);
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    const QString device = port.devicePath();
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));

    button(window, MainId::GetSetting)->click();
    QVERIFY(QTest::qWaitFor([&] { return window.protocol().receivedCount() > 0; }, 1000));
    QVERIFY(window.protocol().uploading());
    port.pty().close();

    QVERIFY(waitForBoxes(m_messages, 1, 1000));
    const RecordingMessageBoxes::Box box = m_messages.boxes().front();
    QCOMPARE(box.icon, MessageIcon::Stop);
    QVERIFY2(box.text.contains(device), qPrintable(box.text));
    QVERIFY(isClosedState(window));

    const double cpuBefore = cpuMilliseconds();
    QTest::qWait(500);
    const double cpuSpent = cpuMilliseconds() - cpuBefore;
    QVERIFY2(cpuSpent < 150, qPrintable(QStringLiteral("%1 ms of CPU in 500 ms").arg(cpuSpent)));
    QCOMPARE(m_messages.boxes().size(), std::size_t{1});
    QVERIFY(isClosedState(window));
}

void TestWindowLink::pacedDisplayTakesTheWiresTime_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("download");
    QTest::addColumn<int>("lineBytes");

    // Upload: 2 request bytes, 127 back. Download: 10 request bytes, 1 response, 127 image bytes.
    QTest::newRow("upload 9600") << 9600 << false << 2 + 127;
    QTest::newRow("download 9600") << 9600 << true << 10 + 1 + 127;
    QTest::newRow("download 19200") << 19200 << true << 10 + 1 + 127;
}

void TestWindowLink::pacedDisplayTakesTheWiresTime()
{
    QFETCH(int, baud);
    QFETCH(bool, download);
    QFETCH(int, lineBytes);

    SimulatedPort port(displayImage());
    port.pty().setPace(baud);
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));

    QElapsedTimer clock;
    clock.start();
    button(window, download ? MainId::DownloadSetting : MainId::GetSetting)->click();
    QVERIFY(waitForBoxes(m_messages, 1));
    QCOMPARE(m_messages.texts(),
             QStringList{download ? QStringLiteral("Download OK!") : QStringLiteral("Upload OK!")});
    if (download)
        QVERIFY(QTest::qWaitFor([&] { return !port.acceptedImages().empty(); }, 1000));
    // Every byte is taken, and every reply byte handed over, only once the line has carried it.
    const qint64 wireMs = qint64{lineBytes} * 10 * 1000 / baud;
    QVERIFY2(clock.elapsed() >= wireMs, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
}

void TestWindowLink::sendNeedsAnOpenPort()
{
    SimulatedPort port;
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    Control<QCheckBox>(&window, MainId::SendHex)->setChecked(true);
    Control<QPlainTextEdit>(&window, MainId::SendText)->setPlainText(QStringLiteral("1B EE"));

    button(window, MainId::Send)->click();
    QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("open serial port!")});
    QCOMPARE(m_messages.boxes().front().icon, MessageIcon::Warning);
    QTest::qWait(50);
    QCOMPARE(port.pty().bytesReceived(), qint64{0});
    QVERIFY(isClosedState(window));
}

void TestWindowLink::hexSendReachesTheDisplayAndItsReplyIsEchoed()
{
    SimulatedPort port(displayImage());
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));
    Control<QCheckBox>(&window, MainId::SendHex)->setChecked(true);
    Control<QCheckBox>(&window, MainId::ReceiveHex)->setChecked(true);
    Control<QPlainTextEdit>(&window, MainId::SendText)->setPlainText(QStringLiteral("1B EE"));

    button(window, MainId::Send)->click();
    const QString echo = hexEcho(displayImage());
    QVERIFY(QTest::qWaitFor([&] { return window.receiveText().size() >= echo.size(); }, 1000));
    QCOMPARE(window.receiveText(), echo);
    QCOMPARE(port.pty().bytesReceived(), qint64{2});
    QVERIFY(port.log().contains(QStringLiteral("upload: sent 127 bytes")));
    // Not asked for through "Get Setting", so the reply is only echoed.
    QVERIFY(m_messages.boxes().empty());
    QCOMPARE(pageSelection(window, PageId::CharType), 0);
}

void TestWindowLink::receiveTextKeepsTheNewestBytesUpToItsCap()
{
    SimulatedPort port;
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    CSetupDlg window(m_messages, m_files);
    QVERIFY(openPort(window));
    auto* receive = Control<QPlainTextEdit>(&window, MainId::ReceiveText);

    // Twice the cap of lower-case letters without a line break, in many batches, then a mark
    // that occurs nowhere else.
    QByteArray stream(CSetupDlg::kReceiveTextCap * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < stream.size(); ++i)
        stream[i] = static_cast<char>('a' + i % 26);
    stream += "END";
    for (qsizetype at = 0; at < stream.size(); at += 4096) {
        const QByteArray chunk = stream.mid(at, 4096);
        port.pty().send({chunk.begin(), chunk.end()});
    }
    QVERIFY(QTest::qWaitFor([&] { return window.receiveText().endsWith(QLatin1String("END")); }, 10000));

    const QString text = window.receiveText();
    QVERIFY2(text.size() <= CSetupDlg::kReceiveTextCap && text.size() >= CSetupDlg::kReceiveTextCap * 7 / 8,
             qPrintable(QString::number(text.size())));
    QCOMPARE(text, QString::fromLatin1(stream.right(text.size())));

    // Shown, the control itself holds every byte received, without being read through the window.
    port.pty().send({'t', 'a', 'i', 'l'});
    QTest::qWait(50);
    window.show();
    receive->show();
    QVERIFY(receive->toPlainText().endsWith(QLatin1String("ENDtail")));
    QVERIFY(m_messages.boxes().empty());
}

void TestWindowLink::clickToResultTimes()
{
    SimulatedPort port(displayImage());
    QString error;
    QVERIFY2(port.start(&error), qPrintable(error));
    StampedMessageBoxes stamped(m_messages);
    CSetupDlg window(stamped, m_files);
    QVERIFY(openPort(window));

    struct Exchange
    {
        int button;
        QString result;
    };
    for (const Exchange& exchange : {Exchange{MainId::GetSetting, QStringLiteral("Upload OK!")},
                                     Exchange{MainId::DownloadSetting, QStringLiteral("Download OK!")}}) {
        std::vector<double> times;
        QStringList shown;
        for (int run = 0; run < 7; ++run) {
            m_messages.clear();
            const double ms = stamped.time([&] { button(window, exchange.button)->click(); });
            QCOMPARE(m_messages.texts(), QStringList{exchange.result});
            times.push_back(ms);
            shown << QString::number(ms, 'f', 2);
        }
        qInfo("click to \"%s\" over %s: median %.2f ms (runs: %s)", qPrintable(exchange.result),
              qPrintable(port.devicePath()), median(times), qPrintable(shown.join(QStringLiteral(", "))));
    }
}

QTEST_MAIN(TestWindowLink)
#include "test_window_link.moc"
