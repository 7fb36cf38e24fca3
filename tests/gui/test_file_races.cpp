// "Load" of a settings file that changes while it is read: another program rewriting it over and
// over, and files whose size as the system gives it is not what reading them brings.
#include "app/CSetupDlg.h"
#include "res/TemplateBuilder.h"
#include "settings/SettingsImage.h"
#include "support/WindowState.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <map>
#include <thread>
#include <unistd.h>

using namespace WindowState;

namespace {

// Two valid images that differ in every field the pages show and in their tails.
SettingsImage imageA()
{
    WorkingValues values = factoryDefaults();
    values.charType = 5;
    values.commandMode = 3;
    values.baudRate = 1;
    values.passthru = 2;
    values.welcome1.fill('a');
    values.welcome2.fill('A');
    for (UserCharRecord& record : values.userChars)
        record = {0x41, {0x7F, 0x41, 0x41, 0x41, 0x7F}};
    SettingsImage image{};
    image[123] = 0x0A;
    encodeImage(values, image);
    return image;
}

SettingsImage imageB()
{
    WorkingValues values = factoryDefaults();
    values.charType = 12;
    values.commandMode = 7;
    values.baudRate = 0;
    values.passthru = 1;
    values.welcome1.fill('b');
    values.welcome2.fill('B');
    for (UserCharRecord& record : values.userChars)
        record = {0x62, {0x08, 0x1C, 0x3E, 0x1C, 0x08}};
    SettingsImage image{};
    image[126] = 0x0B;
    encodeImage(values, image);
    return image;
}

// Rewrites a file over and over, as an editor or a copy running at the same time would: emptied
// and written anew with the other image, then grown past an image's length and cut back to it.
class Rewriter
{
public:
    Rewriter(const QString& path, const SettingsImage& first, const SettingsImage& second)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC)), m_images{first, second}
    {
    }
    ~Rewriter()
    {
        stop();
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool start()
    {
        if (m_fd < 0)
            return false;
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    long rounds() const { return m_rounds; }
    bool failed() const { return m_failed; }

private:
    void run()
    {
        const std::array<std::uint8_t, 73> extra{};
        for (std::size_t next = 0; !m_stop; next ^= 1) {
            const SettingsImage& image = m_images[next];
            const bool ok =
                ::ftruncate(m_fd, 0) == 0 &&
                ::pwrite(m_fd, image.data(), image.size(), 0) == static_cast<ssize_t>(image.size()) &&
                ::pwrite(m_fd, extra.data(), extra.size(), 127) == static_cast<ssize_t>(extra.size()) &&
                ::ftruncate(m_fd, 127) == 0;
            if (!ok)
                m_failed = true;
            ++m_rounds;
        }
    }

    int m_fd;
    std::array<SettingsImage, 2> m_images;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_failed{false};
    std::atomic<long> m_rounds{0};
};

} // namespace

class TestFileRaces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void loadWhileAnotherProgramRewritesTheFile();
    void sizeAtOpenIsNotWhatReadingBrings_data();
    void sizeAtOpenIsNotWhatReadingBrings();
};

void TestFileRaces::init()
{
    g_SettingsImage.fill(0);
}

void TestFileRaces::loadWhileAnotherProgramRewritesTheFile()
{
    constexpr int kLoads = 200;

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("shared.vfd"));
    Session session;

    // What each image looks like on the pages, from a load that nothing disturbs.
    std::map<QByteArray, QStringList> shown;
    for (const SettingsImage& image : {imageB(), imageA()}) {
        QVERIFY(writeFile(path, bytesOf(image)));
        session.load(path);
        QVERIFY(session.messages.boxes().empty());
        QCOMPARE(bytesOf(g_SettingsImage), bytesOf(image));
        shown[bytesOf(image)] = stateOf(session.window);
    }
    QVERIFY(shown.begin()->second != shown.rbegin()->second);

    Rewriter rewriter(path, imageB(), imageA());
    QVERIFY(rewriter.start());
    std::map<QString, int> outcomes;
    QElapsedTimer clock;
    clock.start();
    for (int load = 0; load < kLoads; ++load) {
        const QByteArray imageBefore = bytesOf(g_SettingsImage);
        const QStringList shownBefore = stateOf(session.window);
        session.messages.clear();
        session.load(path);

        const QByteArray image = bytesOf(g_SettingsImage);
        const QString where = QStringLiteral("load %1").arg(load);
        if (session.messages.boxes().empty()) {
            // Applied whole: one of the two images, on the pages as it is on its own.
            QVERIFY2(shown.count(image),
                     qPrintable(where + QStringLiteral(": image ") + QString::fromLatin1(image.toHex())));
            QCOMPARE(stateOf(session.window), shown[image]);
            ++outcomes[image == bytesOf(imageA()) ? QStringLiteral("applied A")
                                                  : QStringLiteral("applied B")];
        } else {
            // Refused with one box, and nothing changed.
            QVERIFY2(session.messages.boxes().size() == 1,
                     qPrintable(where + QLatin1Char(' ') + session.messages.texts().join('|')));
            QCOMPARE(image, imageBefore);
            QCOMPARE(stateOf(session.window), shownBefore);
            QString text = session.messages.boxes().front().text;
            text.replace(path, QStringLiteral("FILE"));
            ++outcomes[text];
        }
    }
    const qint64 elapsedMs = clock.elapsed();
    rewriter.stop();
    QVERIFY(!rewriter.failed());

    QStringList summary;
    for (const auto& [outcome, count] : outcomes)
        summary << QStringLiteral("%1 x %2").arg(count).arg(outcome);
    qInfo("%d loads in %lld ms while the file was rewritten %ld times: %s", kLoads,
          static_cast<long long>(elapsedMs), rewriter.rounds(),
          qPrintable(summary.join(QStringLiteral("; "))));
    QVERIFY2(elapsedMs < 20000, qPrintable(QString::number(elapsedMs)));
}

void TestFileRaces::sizeAtOpenIsNotWhatReadingBrings_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::addColumn<MessageIcon>("icon");

    // Files of the kernel's: their size is a guess, and reading gives what there is.
    QTest::newRow("4096 bytes by its size, 4 when read") << "/sys/devices/system/cpu/online"
                                                         << "Data2 Error" << MessageIcon::Warning;
    QTest::newRow("0 bytes by its size, hundreds when read")
        << "/proc/self/status"
        << "holds more than 127 bytes" << MessageIcon::Stop;
}

void TestFileRaces::sizeAtOpenIsNotWhatReadingBrings()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    QFETCH(MessageIcon, icon);
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        QSKIP("this system has no such file");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString valid = dir.filePath(QStringLiteral("valid.vfd"));
    QVERIFY(writeFile(valid, bytesOf(imageA())));
    Session session;
    session.load(valid);
    QVERIFY(session.messages.boxes().empty());
    const QStringList before = stateOf(session.window);

    session.load(path);
    QCOMPARE(session.messages.boxes().size(), std::size_t{1});
    const RecordingMessageBoxes::Box& box = session.messages.boxes().front();
    qInfo("%s: \"%s\"", qPrintable(path), qPrintable(box.text));
    QVERIFY2(box.text.contains(message), qPrintable(box.text));
    QCOMPARE(box.icon, icon);
    QCOMPARE(bytesOf(g_SettingsImage), bytesOf(imageA()));
    QCOMPARE(stateOf(session.window), before);
}

QTEST_MAIN(TestFileRaces)
#include "test_file_races.moc"
