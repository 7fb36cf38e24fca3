#include "app/CSetupDlg.h"
#include "controls/CDotButton.h"
#include "pages/CCommandPage.h"
#include "pages/CUserCharPage.h"
#include "pages/CWelcomePage.h"
#include "res/TemplateBuilder.h"
#include "settings/SettingsImage.h"
#include "settings/UserCharTable.h"
#include "settings/WelcomeBuffers.h"
#include "support/WindowState.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <string>

using namespace WindowState;

namespace {

struct Patch
{
    int offset = 0;
    int value = 0;
};
using Patches = QList<Patch>;

struct Record
{
    std::uint8_t code;
    std::array<std::uint8_t, 5> columns;
};

void putRecords(SettingsImage& image, const std::array<Record, 9>& records)
{
    for (std::size_t r = 0; r < records.size(); ++r) {
        const std::size_t at = 69 + 6 * r;
        image[at] = records[r].code;
        std::copy(records[r].columns.begin(), records[r].columns.end(), image.begin() + at + 1);
    }
}

// The image the window holds before each rejection.
SettingsImage firstImage()
{
    SettingsImage image{};
    image[0] = 0xAA;
    image[2] = 1;
    image[4] = 27;
    image[6] = 7;
    image[68] = 2;
    for (std::size_t i = 0; i < 20; ++i)
        image[7 + i] = static_cast<std::uint8_t>('A' + i);
    image[10] = 0x00;
    for (std::size_t i = 0; i < 40; ++i)
        image[27 + i] = static_cast<std::uint8_t>(0x80 + i);
    image[40] = 0x00;
    putRecords(image, {{{0x41, {0x40, 0x01, 0x7F, 0x00, 0x2A}},
                        {0x20, {0x01, 0x02, 0x04, 0x08, 0x10}},
                        {0x22, {0x7F, 0x7F, 0x00, 0x00, 0x7F}},
                        {0x7F, {0x80, 0x81, 0x82, 0x83, 0x84}},
                        {0x00, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
                        {0x36, {0x06, 0x06, 0x06, 0x06, 0x06}},
                        {0x37, {0x07, 0x07, 0x07, 0x07, 0x07}},
                        {0x38, {0x08, 0x08, 0x08, 0x08, 0x08}},
                        {0x39, {0x09, 0x09, 0x09, 0x09, 0x09}}}});
    image[123] = 0x01;
    image[124] = 0x02;
    image[125] = 0x03;
    image[126] = 0x04;
    return image;
}

// A valid image that differs from firstImage() in every field, so that any field applied before a
// fault shows up.
SettingsImage secondImage()
{
    SettingsImage image{};
    image[0] = 0xAA;
    image[2] = 0;
    image[4] = 3;
    image[6] = 0;
    image[68] = 1;
    const std::string text1("Hi there\0VFD world!!", 20);
    std::copy(text1.begin(), text1.end(), image.begin() + 7);
    for (std::size_t i = 0; i < 40; ++i)
        image[27 + i] = static_cast<std::uint8_t>(0x05 + 6 * i);
    image[27 + 1] = 0x00;
    image[27 + 2] = 0xFF;
    putRecords(image, {{{0x61, {0x1F, 0x1F, 0x1F, 0x1F, 0x1F}},
                        {0x62, {0x22, 0x22, 0x22, 0x22, 0x22}},
                        {0x7E, {0x2A, 0x15, 0x2A, 0x15, 0x2A}},
                        {0x64, {0x11, 0x22, 0x33, 0x44, 0x55}},
                        {0x65, {0x01, 0x01, 0x01, 0x01, 0x01}},
                        {0x66, {0x02, 0x02, 0x02, 0x02, 0x02}},
                        {0x00, {0x03, 0x03, 0x03, 0x03, 0x03}},
                        {0x68, {0x04, 0x04, 0x04, 0x04, 0x04}},
                        {0x69, {0x05, 0x05, 0x05, 0x05, 0x05}}}});
    image[123] = 0x0A;
    image[124] = 0x0B;
    image[125] = 0x0C;
    image[126] = 0x0D;
    return image;
}

SettingsImage patched(SettingsImage image, const Patches& patches)
{
    for (const Patch& patch : patches)
        image[static_cast<std::size_t>(patch.offset)] = static_cast<std::uint8_t>(patch.value);
    return image;
}

// A window far from its defaults: message 1 in ASCII, character 3 current, firstImage() applied.
void prepare(Session& session)
{
    Control<QRadioButton>(&session.window.welcomePage(), kAscii1)->click();
    auto* next = Control<QPushButton>(&session.window.userCharPage(), kNextButton);
    next->click();
    next->click();
    g_SettingsImage = firstImage();
    QVERIFY(session.window.ApplyImage());
    QCOMPARE(g_nCurChar, 3);
    QVERIFY(session.messages.boxes().empty());
}

QString hexCell(std::uint8_t byte)
{
    return byte == 0 ? QString() : QString::asprintf("%02X", byte);
}

} // namespace

Q_DECLARE_METATYPE(Patch)

class TestSettingsApply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void rejectedImageChangesNothing_data();
    void rejectedImageChangesNothing();
    void acceptedImageRefreshesEveryPage();
    void acceptedImageComesBackThroughBuild_data();
    void acceptedImageComesBackThroughBuild();
    void currentCharWithoutCodeEmptiesCodeField();
    void welcomeCellsFollowTheirMode();
    void buildIsRepeatableAndKeepsTheTail();
};

void TestSettingsApply::init()
{
    g_SettingsImage.fill(0);
}

void TestSettingsApply::rejectedImageChangesNothing_data()
{
    QTest::addColumn<Patches>("patches");
    QTest::addColumn<QString>("message");

    const auto row = [](const char* name, Patches patches, const char* message) {
        QTest::newRow(name) << patches << QString::fromLatin1(message);
    };
    row("header 0x55", {{0, 0x55}}, "Data2 Error");
    row("header 0x00", {{0, 0x00}}, "Data2 Error");
    row("byte 1 not 0", {{1, 0x01}}, "Data3 Error");
    row("baud rate 2", {{2, 2}}, "Data4 Error");
    row("baud rate 0xFF", {{2, 0xFF}}, "Data4 Error");
    row("byte 3 not 0", {{3, 0x80}}, "Data5 Error");
    row("char type 36", {{4, 36}}, "Data6 Error");
    row("char type 0x80 is negative", {{4, 0x80}}, "Data6 Error");
    row("char type 0xFF", {{4, 0xFF}}, "Data6 Error");
    row("byte 5 not 0", {{5, 0x01}}, "Data7 Error");
    row("command mode 10", {{6, 10}}, "Data8 Error");
    row("command mode 0xFF", {{6, 0xFF}}, "Data8 Error");
    row("byte 67 not 0", {{67, 0x01}}, "Data9 Error");
    row("passthru 3", {{68, 3}}, "Data10 Error");
    row("passthru 9", {{68, 9}}, "Data10 Error");
    row("passthru 0xFF", {{68, 0xFF}}, "Data10 Error");
    row("record 1 code 0x1F", {{69, 0x1F}}, "Data13 Error");
    row("record 4 code 0x10", {{69 + 18, 0x10}}, "Data13 Error");
    row("record 9 code 0x80", {{69 + 48, 0x80}}, "Data13 Error");
    row("record 9 code 0xFF", {{69 + 48, 0xFF}}, "Data13 Error");
    row("first fault wins: header before passthru", {{68, 3}, {0, 0x55}}, "Data2 Error");
    row("first fault wins: char type before baud applies", {{2, 1}, {4, 36}}, "Data6 Error");
    row("first fault wins: byte 67 before a record", {{67, 1}, {69, 0x01}}, "Data9 Error");
}

void TestSettingsApply::rejectedImageChangesNothing()
{
    QFETCH(Patches, patches);
    QFETCH(QString, message);

    Session session;
    prepare(session);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = stateOf(session.window);

    const SettingsImage candidate = patched(secondImage(), patches);
    g_SettingsImage = candidate;
    QVERIFY(!session.window.ApplyImage());

    QCOMPARE(session.messages.texts(), QStringList{message});
    QCOMPARE(session.messages.boxes().front().icon, MessageIcon::Warning);
    QCOMPARE(stateOf(session.window), before);
    QCOMPARE(hexOf(g_SettingsImage), hexOf(candidate));
}

void TestSettingsApply::acceptedImageRefreshesEveryPage()
{
    Session session;
    prepare(session);
    if (QTest::currentTestFailed())
        return;

    const SettingsImage image = secondImage();
    g_SettingsImage = image;
    QVERIFY(session.window.ApplyImage());
    QVERIFY(session.messages.boxes().empty());
    QCOMPARE(hexOf(g_SettingsImage), hexOf(image));

    CCommandPage& command = session.window.commandPage();
    QCOMPARE(Control<QComboBox>(&command, kBaudRateList)->currentText(),
             QStringLiteral("9600,n,8,1(Default)"));
    QCOMPARE(Control<QComboBox>(&command, kCharTypeList)->currentText(), QStringLiteral("U.K"));
    QCOMPARE(Control<QComboBox>(&command, kCommandModeList)->currentText(), QStringLiteral("KX3310"));
    QCOMPARE(Control<QComboBox>(&command, kPassthruList)->currentText(),
             QStringLiteral("with ESC/POS Command"));
    QCOMPARE(command.m_nBaudRate, 0);
    QCOMPARE(command.m_nCharType, 3);
    QCOMPARE(command.m_nCommandMode, 0);
    QCOMPARE(command.m_nPassthru, 1);

    QCOMPARE(hexOf(g_strWelcome1), hexOf(image.data() + 7, 20));
    QCOMPARE(hexOf(g_strWelcome2), hexOf(image.data() + 27, 40));
    const CWelcomePage& welcome = session.window.welcomePage();
    QVERIFY(Control<QRadioButton>(&welcome, kAscii1)->isChecked());
    QVERIFY(Control<QRadioButton>(&welcome, kHex2)->isChecked());
    const QStringList ascii1 = {"H", "i", " ", "t", "h", "e", "r", "e", "",  "V",
                                "F", "D", " ", "w", "o", "r", "l", "d", "!", "!"};
    QStringList hex2;
    for (std::size_t i = 0; i < 40; ++i)
        hex2 << hexCell(image[27 + i]);
    QCOMPARE(hex2.mid(0, 4), (QStringList{"05", "", "FF", "17"}));
    QStringList cells;
    for (int id = kFirstCell; id < kFirstCell + kCellCount; ++id)
        cells << Control<QLineEdit>(&welcome, id)->text();
    QCOMPARE(cells.mid(0, 20), ascii1);
    QCOMPARE(cells.mid(20), hex2);

    QCOMPARE(hexOf(UserChars::toBytes(g_UserChars).data(), 54), hexOf(image.data() + 69, 54));
    QCOMPARE(g_nCurChar, 3);
    const CUserCharPage& chars = session.window.userCharPage();
    QCOMPARE(Control<QLineEdit>(&chars, kNumberField)->text(), QStringLiteral("3"));
    QCOMPARE(Control<QLineEdit>(&chars, kCodeField)->text(), QStringLiteral("7E"));
    QCOMPARE(dotsOf(chars), dotsOf({0x2A, 0x15, 0x2A, 0x15, 0x2A}));
    QVERIFY(Control<QPushButton>(&chars, kPrevButton)->isEnabled());
    QVERIFY(Control<QPushButton>(&chars, kNextButton)->isEnabled());
}

void TestSettingsApply::acceptedImageComesBackThroughBuild_data()
{
    QTest::addColumn<Patches>("patches");

    QTest::newRow("as it stands") << Patches{};
    QTest::newRow("passthru 0") << Patches{{68, 0}};
    QTest::newRow("passthru 2") << Patches{{68, 2}};
    QTest::newRow("highest indices") << Patches{{2, 1}, {4, 35}, {6, 9}};
    QTest::newRow("lowest indices") << Patches{{2, 0}, {4, 0}, {6, 0}};
    QTest::newRow("codes 0x20 and 0x7F") << Patches{{69, 0x20}, {69 + 48, 0x7F}};
    QTest::newRow("code 0 with any pattern") << Patches{{69 + 6, 0x00}, {70 + 6, 0xFF}, {74 + 6, 0x80}};
    QTest::newRow("welcome bytes of every kind") << Patches{{7, 0xFF}, {26, 0x01}, {27, 0x7F}, {66, 0x80}};
}

void TestSettingsApply::acceptedImageComesBackThroughBuild()
{
    QFETCH(Patches, patches);

    Session session;
    prepare(session);
    if (QTest::currentTestFailed())
        return;

    const SettingsImage image = patched(secondImage(), patches);
    g_SettingsImage = image;
    QVERIFY(session.window.ApplyImage());
    QVERIFY(session.messages.boxes().empty());

    // The lists are read back by BuildImage, so this also proves that each list shows its item.
    g_SettingsImage.fill(0x5A);
    session.window.BuildImage();
    QCOMPARE(hexOf(g_SettingsImage.data(), 123), hexOf(image.data(), 123));
}

void TestSettingsApply::currentCharWithoutCodeEmptiesCodeField()
{
    Session session;
    prepare(session);
    if (QTest::currentTestFailed())
        return;
    const CUserCharPage& chars = session.window.userCharPage();
    QCOMPARE(Control<QLineEdit>(&chars, kCodeField)->text(), QStringLiteral("22"));

    g_SettingsImage = patched(secondImage(), {{69 + 12, 0x00}});
    QVERIFY(session.window.ApplyImage());
    QCOMPARE(Control<QLineEdit>(&chars, kCodeField)->text(), QString());
    QCOMPARE(chars.m_strCharCode, QString());
    QCOMPARE(dotsOf(chars), dotsOf({0x2A, 0x15, 0x2A, 0x15, 0x2A}));
}

void TestSettingsApply::welcomeCellsFollowTheirMode()
{
    Session session;
    const CWelcomePage& welcome = session.window.welcomePage();
    const auto firstCells = [&welcome] {
        QStringList texts;
        for (int id = kFirstCell; id < kFirstCell + 3; ++id)
            texts << Control<QLineEdit>(&welcome, id)->text();
        return texts;
    };

    g_SettingsImage = patched(secondImage(), {{7, 0x41}, {8, 0x00}, {9, 0x05}});
    QVERIFY(session.window.ApplyImage());
    QCOMPARE(firstCells(), (QStringList{"41", "", "05"}));

    Control<QRadioButton>(&welcome, kAscii1)->click();
    QVERIFY(session.window.ApplyImage());
    const QStringList ascii = firstCells();
    QCOMPARE(ascii.mid(0, 2), (QStringList{"A", ""}));
    QCOMPARE(ascii[2].size(), 1);
    QCOMPARE(g_strWelcome1.substr(0, 3), std::string("A\0\x05", 3));
}

void TestSettingsApply::buildIsRepeatableAndKeepsTheTail()
{
    Session session;
    prepare(session);
    if (QTest::currentTestFailed())
        return;

    g_SettingsImage.fill(0x5A);
    session.window.BuildImage();
    const SettingsImage first = g_SettingsImage;
    session.window.BuildImage();
    QCOMPARE(hexOf(g_SettingsImage), hexOf(first));
    QCOMPARE(hexOf(first.data() + 123, 4), QStringLiteral("5a 5a 5a 5a"));
    QCOMPARE(hexOf(first.data(), 123), hexOf(firstImage().data(), 123));
}

QTEST_MAIN(TestSettingsApply)
#include "test_settings_apply.moc"
