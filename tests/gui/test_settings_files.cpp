#include "app/CSetupDlg.h"
#include "controls/CDotButton.h"
#include "pages/CCommandPage.h"
#include "pages/CUserCharPage.h"
#include "pages/CWelcomePage.h"
#include "res/TemplateBuilder.h"
#include "settings/SettingsImage.h"
#include "settings/UserCharTable.h"
#include "settings/WelcomeBuffers.h"
#include "support/FilePermissions.h"
#include "support/WindowState.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace WindowState;

namespace {

const QString kFilter = QStringLiteral("VFD Files(*.vfd);;All Files(*.*)");

// A valid image far from the defaults, with a tail of its own.
QByteArray richFile()
{
    SettingsImage image{};
    image[0] = 0xAA;
    image[2] = 1;
    image[4] = 35;
    image[6] = 9;
    image[68] = 2;
    for (std::size_t i = 0; i < 20; ++i)
        image[7 + i] = static_cast<std::uint8_t>('a' + i);
    image[12] = 0x00;
    for (std::size_t i = 0; i < 40; ++i)
        image[27 + i] = static_cast<std::uint8_t>(0xC0 + i);
    for (std::size_t r = 0; r < 9; ++r) {
        const std::size_t at = 69 + 6 * r;
        image[at] = static_cast<std::uint8_t>(0x50 + r);
        for (std::size_t c = 1; c <= 5; ++c)
            image[at + c] = static_cast<std::uint8_t>(0x11 * c + r);
    }
    image[123] = 0x01;
    image[124] = 0x02;
    image[125] = 0x03;
    image[126] = 0x04;
    return bytesOf(image);
}

QByteArray patched(QByteArray bytes, std::initializer_list<std::pair<int, int>> patches)
{
    for (const auto& [offset, value] : patches)
        bytes[offset] = static_cast<char>(value);
    return bytes;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QString osWords(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void loadRich(Session& session, const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("rich.vfd"));
    QVERIFY(writeFile(path, richFile()));
    session.load(path);
    QVERIFY2(session.messages.boxes().empty(), qPrintable(session.messages.texts().join('\n')));
    QCOMPARE(bytesOf(g_SettingsImage), richFile());
}

// A window far from its defaults: message 1 in ASCII, character 3 current, richFile() loaded.
void prepare(Session& session, const QTemporaryDir& dir)
{
    Control<QRadioButton>(&session.window.welcomePage(), kAscii1)->click();
    auto* next = Control<QPushButton>(&session.window.userCharPage(), kNextButton);
    next->click();
    next->click();
    loadRich(session, dir);
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// While it exists, no file of the process may grow beyond the given size, and passing that size
// fails the write with EFBIG instead of killing the process: a full disk for one save.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_okay = ::getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_okay = m_okay && ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool okay() const { return m_okay; }

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_okay = false;
};

enum class Fault
{
    Missing,
    Unreadable,
    Folder,
    Fifo,
    Device,
    TooLong,
    FarTooLong,
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestSettingsFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void saveWritesWhatThePagesShow();
    void freshWindowSavesTheFactoryDefaults();
    void cancelledDialogsChangeNothing();
    void saveThenLoadChangesNothing();
    void loadRestoresEveryPageAfterSetAllDefault();
    void tailSurvivesLoadAndSave();
    void tenByteFileRightAfterStart();
    void shortFileReplacesOnlyItsOwnBytes();
    void rejectedFileChangesNothing_data();
    void rejectedFileChangesNothing();
    void rejectedTailNeverReachesTheNextSave();
    void setAllDefaultResetsEveryPage();
    void saveIntoReadOnlyFolderKeepsOldFile();
    void saveOntoFullDiskKeepsOldFile();
    void saveOntoNonRegularFileIsRefused_data();
    void saveOntoNonRegularFileIsRefused();
    void loadFaultsChangeNothing_data();
    void loadFaultsChangeNothing();
};

void TestSettingsFiles::init()
{
    g_SettingsImage.fill(0);
}

void TestSettingsFiles::saveWritesWhatThePagesShow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    prepare(session, dir);
    if (QTest::currentTestFailed())
        return;
    // Chosen in the list but not yet read into the page's members.
    Control<QComboBox>(&session.window.commandPage(), kCharTypeList)->setCurrentIndex(12);

    const QString path = dir.filePath(QStringLiteral("out.vfd"));
    session.save(path);

    QVERIFY(session.messages.boxes().empty());
    QCOMPARE(session.files.requests().back().title, QStringLiteral("Save"));
    QCOMPARE(session.files.requests().back().filter, kFilter);
    QCOMPARE(session.files.requests().back().defaultSuffix, QStringLiteral("txt"));
    const QByteArray saved = readFile(path);
    QCOMPARE(saved.size(), 127);
    QCOMPARE(static_cast<std::uint8_t>(saved[0]), 0xAA);
    QCOMPARE(saved, patched(richFile(), {{4, 12}}));
}

void TestSettingsFiles::freshWindowSavesTheFactoryDefaults()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    const QString path = dir.filePath(QStringLiteral("fresh.vfd"));
    session.save(path);
    QVERIFY(session.messages.boxes().empty());
    QCOMPARE(readFile(path), bytesOf(factoryDefaultImage()));
}

void TestSettingsFiles::cancelledDialogsChangeNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    prepare(session, dir);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = stateOf(session.window);
    const QStringList files = entriesOf(dir.path());

    session.click(kSave);
    session.click(kLoad);

    QCOMPARE(session.files.requests().size(), std::size_t{3});
    QCOMPARE(session.files.requests()[2].title, QStringLiteral("Open"));
    QCOMPARE(session.files.requests()[2].filter, kFilter);
    QVERIFY(session.messages.boxes().empty());
    QCOMPARE(stateOf(session.window), before);
    QCOMPARE(bytesOf(g_SettingsImage), richFile());
    QCOMPARE(entriesOf(dir.path()), files);
}

void TestSettingsFiles::saveThenLoadChangesNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    prepare(session, dir);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = stateOf(session.window);

    const QString path = dir.filePath(QStringLiteral("same.vfd"));
    session.save(path);
    session.load(path);

    QVERIFY(session.messages.boxes().empty());
    QCOMPARE(stateOf(session.window), before);
}

void TestSettingsFiles::loadRestoresEveryPageAfterSetAllDefault()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    // Both messages in Hex and character 1 current, as Set All Default leaves them: a load changes
    // neither, so everything else must come back exactly.
    loadRich(session, dir);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = stateOf(session.window);

    const QString path = dir.filePath(QStringLiteral("kept.vfd"));
    session.save(path);
    session.click(kSetAllDefault);
    const QStringList defaults = stateOf(session.window);
    session.load(path);

    QVERIFY(session.messages.boxes().empty());
    QCOMPARE(stateOf(session.window), before);
    for (const QString& line : before) {
        if (!line.startsWith(QStringLiteral("radio")) && !line.startsWith(QStringLiteral("g_nCurChar")) &&
            !line.startsWith(QStringLiteral("number")) && !line.startsWith(QStringLiteral("<<")))
            QVERIFY2(!defaults.contains(line), qPrintable(line + QStringLiteral(" was never reset")));
    }
}

void TestSettingsFiles::tailSurvivesLoadAndSave()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    const QString original = dir.filePath(QStringLiteral("original.vfd"));
    QVERIFY(writeFile(original, richFile()));
    session.load(original);
    const QString copy = dir.filePath(QStringLiteral("copy.vfd"));
    session.save(copy);

    QVERIFY(session.messages.boxes().empty());
    QCOMPARE(readFile(copy).right(4), QByteArray("\x01\x02\x03\x04"));
    QCOMPARE(readFile(copy), readFile(original));
}

void TestSettingsFiles::tenByteFileRightAfterStart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    const QString path = dir.filePath(QStringLiteral("ten.vfd"));
    const QByteArray ten = QByteArray::fromHex("AA 00 01 00 05 00 02 41 42 43");
    QVERIFY(writeFile(path, ten));
    session.load(path);

    QVERIFY(session.messages.boxes().empty());
    CCommandPage& command = session.window.commandPage();
    QCOMPARE(Control<QComboBox>(&command, kBaudRateList)->currentIndex(), 1);
    QCOMPARE(Control<QComboBox>(&command, kCharTypeList)->currentIndex(), 5);
    QCOMPARE(Control<QComboBox>(&command, kCommandModeList)->currentIndex(), 2);
    QCOMPARE(Control<QComboBox>(&command, kPassthruList)->currentIndex(), 0);
    QCOMPARE(g_strWelcome1, std::string("ABC") + std::string(17, '\0'));
    QCOMPARE(g_strWelcome2, std::string(40, '\0'));
    QStringList cells;
    for (int id = kFirstCell; id < kFirstCell + kCellCount; ++id)
        cells << Control<QLineEdit>(&session.window.welcomePage(), id)->text();
    QStringList expected{"41", "42", "43"};
    while (expected.size() < kCellCount)
        expected << QString();
    QCOMPARE(cells, expected);
    QCOMPARE(UserChars::toBytes(g_UserChars), (std::array<std::uint8_t, 54>{}));
    QCOMPARE(bytesOf(g_SettingsImage), ten + QByteArray(117, '\0'));
}

void TestSettingsFiles::shortFileReplacesOnlyItsOwnBytes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    prepare(session, dir);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = stateOf(session.window);

    const QString path = dir.filePath(QStringLiteral("seven.vfd"));
    QVERIFY(writeFile(path, QByteArray::fromHex("AA 00 00 00 03 00 04")));
    session.load(path);

    QVERIFY(session.messages.boxes().empty());
    QCOMPARE(bytesOf(g_SettingsImage), patched(richFile(), {{2, 0}, {4, 3}, {6, 4}}));
    const QStringList after = stateOf(session.window);
    QCOMPARE(after.mid(5), before.mid(5));
    QCOMPARE(after.mid(0, 4), (QStringList{"list 1000 shows 3", "list 1001 shows 4", "list 1018 shows 0",
                                           "list 1019 shows 2"}));
}

void TestSettingsFiles::rejectedFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");

    const QByteArray rich = richFile();
    QTest::newRow("bad header") << patched(rich, {{0, 0x55}}) << "Data2 Error";
    QTest::newRow("passthru 3") << patched(rich, {{68, 3}}) << "Data10 Error";
    QTest::newRow("passthru 0xFF") << patched(rich, {{68, 0xFF}}) << "Data10 Error";
    QTest::newRow("last record bad") << patched(rich, {{69 + 48, 0x80}}) << "Data13 Error";
    QTest::newRow("short file, bad header") << QByteArray("\x55", 1) << "Data2 Error";
    QTest::newRow("short file, bad char type") << QByteArray::fromHex("AA 00 00 00 24") << "Data6 Error";
}

void TestSettingsFiles::rejectedFileChangesNothing()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    prepare(session, dir);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = stateOf(session.window);

    const QString path = dir.filePath(QStringLiteral("bad.vfd"));
    QVERIFY(writeFile(path, contents));
    session.load(path);

    QCOMPARE(session.messages.texts(), QStringList{message});
    QCOMPARE(session.messages.boxes().front().icon, MessageIcon::Warning);
    QCOMPARE(stateOf(session.window), before);
    QCOMPARE(bytesOf(g_SettingsImage), richFile());
    QCOMPARE(readFile(path), contents);
}

void TestSettingsFiles::rejectedTailNeverReachesTheNextSave()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    prepare(session, dir);
    if (QTest::currentTestFailed())
        return;

    const QString bad = dir.filePath(QStringLiteral("bad.vfd"));
    QVERIFY(writeFile(bad, patched(richFile(), {{67, 1}, {123, 9}, {124, 9}, {125, 9}, {126, 9}})));
    session.load(bad);
    QCOMPARE(session.messages.texts(), QStringList{QStringLiteral("Data9 Error")});

    const QString saved = dir.filePath(QStringLiteral("after.vfd"));
    session.save(saved);
    QCOMPARE(readFile(saved).right(4), QByteArray("\x01\x02\x03\x04"));
}

void TestSettingsFiles::setAllDefaultResetsEveryPage()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    prepare(session, dir);
    if (QTest::currentTestFailed())
        return;

    session.click(kSetAllDefault);

    QVERIFY(session.messages.boxes().empty());
    CCommandPage& command = session.window.commandPage();
    QCOMPARE(Control<QComboBox>(&command, kCharTypeList)->currentText(),
             QStringLiteral("USA/EUROPE(Default)"));
    QCOMPARE(Control<QComboBox>(&command, kCommandModeList)->currentText(), QStringLiteral("EPSON(Default)"));
    QCOMPARE(Control<QComboBox>(&command, kBaudRateList)->currentText(),
             QStringLiteral("9600,n,8,1(Default)"));
    QCOMPARE(Control<QComboBox>(&command, kPassthruList)->currentText(), QStringLiteral("None(Default)"));
    QCOMPARE(command.m_nCharType, 0);
    QCOMPARE(command.m_nCommandMode, 1);
    QCOMPARE(command.m_nBaudRate, 0);
    QCOMPARE(command.m_nPassthru, 0);

    QCOMPARE(g_strWelcome1, std::string("*** VFD DISPLAY  ***"));
    QCOMPARE(g_strWelcome2, std::string("**HAVE A NICE DAY AND THANK YOU**       "));
    const CWelcomePage& welcome = session.window.welcomePage();
    QVERIFY(!Control<QRadioButton>(&welcome, 1020)->isChecked());
    QVERIFY(Control<QRadioButton>(&welcome, 1021)->isChecked());
    QVERIFY(!Control<QRadioButton>(&welcome, 1022)->isChecked());
    QVERIFY(Control<QRadioButton>(&welcome, 1023)->isChecked());
    QStringList cells;
    for (int id = kFirstCell; id < kFirstCell + kCellCount; ++id)
        cells << Control<QLineEdit>(&welcome, id)->text();
    QCOMPARE(cells.mid(0, 5), (QStringList{"2A", "2A", "2A", "20", "56"}));
    QStringList expected;
    for (char c : g_strWelcome1 + g_strWelcome2)
        expected << QString::asprintf("%X", static_cast<unsigned char>(c));
    QCOMPARE(cells, expected);

    QCOMPARE(UserChars::toBytes(g_UserChars), (std::array<std::uint8_t, 54>{}));
    QCOMPARE(g_nCurChar, 1);
    const CUserCharPage& chars = session.window.userCharPage();
    QCOMPARE(Control<QLineEdit>(&chars, kNumberField)->text(), QStringLiteral("1"));
    QCOMPARE(Control<QLineEdit>(&chars, kCodeField)->text(), QString());
    QVERIFY(!Control<QPushButton>(&chars, kPrevButton)->isEnabled());
    QVERIFY(Control<QPushButton>(&chars, kNextButton)->isEnabled());
    QVERIFY(stateOf(session.window).contains(QStringLiteral("dots ") + QString(35, '.')));

    QCOMPARE(bytesOf(g_SettingsImage), richFile());
    const QString path = dir.filePath(QStringLiteral("defaults.vfd"));
    session.save(path);
    QCOMPARE(readFile(path).left(123), bytesOf(factoryDefaultImage()).left(123));
}

void TestSettingsFiles::saveIntoReadOnlyFolderKeepsOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("old.vfd"));
    const QByteArray old = QByteArray(127, '\x11');
    QVERIFY(writeFile(path, old));
    Session session;

    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    {
        const FilePermissions permissions;
        if (!permissions.enforced()) {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("file mode bits cannot be made to bind for this process");
        }
        session.save(path);
    }
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QCOMPARE(session.messages.boxes().size(), std::size_t{1});
    const RecordingMessageBoxes::Box& box = session.messages.boxes().front();
    QCOMPARE(box.icon, MessageIcon::Stop);
    QVERIFY2(box.text.contains(path), qPrintable(box.text));
    QVERIFY2(box.text.contains(osWords(EACCES), Qt::CaseInsensitive), qPrintable(box.text));
    QCOMPARE(readFile(path), old);
    QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("old.vfd")});
}

void TestSettingsFiles::saveOntoFullDiskKeepsOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("old.vfd"));
    const QByteArray old = QByteArray(127, '\x22');
    QVERIFY(writeFile(path, old));
    Session session;

    {
        const FileSizeLimit limit(64);
        QVERIFY(limit.okay());
        session.save(path);
    }

    QCOMPARE(readFile(path).toHex(), old.toHex());
    QCOMPARE(session.messages.boxes().size(), std::size_t{1});
    const RecordingMessageBoxes::Box& box = session.messages.boxes().front();
    QCOMPARE(box.icon, MessageIcon::Stop);
    QVERIFY2(box.text.contains(path), qPrintable(box.text));
    QVERIFY2(box.text.contains(osWords(EFBIG), Qt::CaseInsensitive), qPrintable(box.text));
    QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("old.vfd")});
}

void TestSettingsFiles::saveOntoNonRegularFileIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("/dev/full") << QStringLiteral("/dev/full");
    QTest::newRow("folder") << QStringLiteral("folder.vfd");
    QTest::newRow("FIFO") << QStringLiteral("pipe.vfd");
}

void TestSettingsFiles::saveOntoNonRegularFileIsRefused()
{
    QFETCH(QString, name);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.vfd")));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.vfd"))).constData(), 0644), 0);
    const QString path = QDir(dir.path()).filePath(name);
    struct stat before = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    const QStringList files = entriesOf(QFileInfo(path).path());

    Session session;
    session.save(path);

    QCOMPARE(session.messages.boxes().size(), std::size_t{1});
    const RecordingMessageBoxes::Box& box = session.messages.boxes().front();
    QCOMPARE(box.icon, MessageIcon::Stop);
    QVERIFY2(box.text.contains(path), qPrintable(box.text));
    struct stat after = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_rdev, before.st_rdev);
    QCOMPARE(entriesOf(QFileInfo(path).path()), files);
}

void TestSettingsFiles::loadFaultsChangeNothing_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("cause");

    QTest::newRow("missing file") << Fault::Missing << osWords(ENOENT);
    QTest::newRow("unreadable file") << Fault::Unreadable << osWords(EACCES);
    QTest::newRow("folder") << Fault::Folder << QStringLiteral("folder");
    QTest::newRow("FIFO without writer") << Fault::Fifo << QStringLiteral("pipe");
    QTest::newRow("/dev/zero") << Fault::Device << QStringLiteral("device");
    QTest::newRow("too long") << Fault::TooLong << QStringLiteral("128 bytes");
    QTest::newRow("far too long") << Fault::FarTooLong << QStringLiteral("1048576 bytes");
}

void TestSettingsFiles::loadFaultsChangeNothing()
{
    QFETCH(Fault, fault);
    QFETCH(QString, cause);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Session session;
    prepare(session, dir);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = stateOf(session.window);

    QString path = dir.filePath(QStringLiteral("chosen.vfd"));
    switch (fault) {
    case Fault::Missing:
        break;
    case Fault::Unreadable:
        QVERIFY(writeFile(path, richFile()));
        QVERIFY(QFile::setPermissions(path, {}));
        break;
    case Fault::Folder:
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("chosen.vfd")));
        break;
    case Fault::Fifo:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        break;
    case Fault::Device:
        path = QStringLiteral("/dev/zero");
        break;
    case Fault::TooLong:
        QVERIFY(writeFile(path, richFile() + '\0'));
        break;
    case Fault::FarTooLong:
        QVERIFY(writeFile(path, richFile().leftJustified(1 << 20, '\0')));
        break;
    }

    QElapsedTimer clock;
    clock.start();
    {
        std::optional<FilePermissions> permissions;
        if (fault == Fault::Unreadable) {
            permissions.emplace();
            if (!permissions->enforced())
                QSKIP("file mode bits cannot be made to bind for this process");
        }
        // A load that blocks ends the test here instead of at the runner's time-out.
        ::alarm(10);
        session.load(path);
        ::alarm(0);
    }
    QVERIFY(clock.elapsed() < 2000);

    QCOMPARE(session.messages.boxes().size(), std::size_t{1});
    const RecordingMessageBoxes::Box& box = session.messages.boxes().front();
    QCOMPARE(box.icon, MessageIcon::Stop);
    QVERIFY2(box.text.contains(path), qPrintable(box.text));
    QVERIFY2(box.text.contains(cause, Qt::CaseInsensitive), qPrintable(box.text));
    QCOMPARE(stateOf(session.window), before);
    QCOMPARE(bytesOf(g_SettingsImage), richFile());
}

QTEST_MAIN(TestSettingsFiles)
#include "test_settings_files.moc"
