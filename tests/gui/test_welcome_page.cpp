#include "pages/CWelcomePage.h"
#include "res/TemplateBuilder.h"
#include "settings/WelcomeBuffers.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <string>

namespace {

constexpr int kAscii1 = 1020;
constexpr int kHex1 = 1021;
constexpr int kAscii2 = 1022;
constexpr int kHex2 = 1023;
constexpr int kClear1 = 1024;
constexpr int kClear2 = 1025;
constexpr int kFirstCell1 = 1026;
constexpr int kFirstCell2 = 1046;

QLineEdit* cell(const CWelcomePage& page, int id)
{
    return Control<QLineEdit>(&page, id);
}

QStringList cellTexts(const CWelcomePage& page, int firstId, int count)
{
    QStringList texts;
    for (int id = firstId; id < firstId + count; ++id)
        texts << cell(page, id)->text();
    return texts;
}

QStringList repeated(const QString& text, int count)
{
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << text;
    return texts;
}

void click(const CWelcomePage& page, int id)
{
    QTest::mouseClick(Control<QAbstractButton>(&page, id), Qt::LeftButton);
}

bool showActive(QWidget& page)
{
    page.show();
    page.activateWindow();
    return QTest::qWaitForWindowActive(&page);
}

// Gives the cell the focus, replaces its text by typing, and tabs out of it: the real way a cell
// loses the focus.
void typeAndLeave(const CWelcomePage& page, int id, const QString& typed)
{
    QLineEdit* edit = cell(page, id);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    if (std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        QTest::keyClicks(edit, typed);
    } else {
        // What a keyboard layout or input method hands over for a character beyond ASCII.
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QCoreApplication::sendEvent(edit, &commit);
    }
    QTest::keyClick(edit, Qt::Key_Tab);
}

void leave(const CWelcomePage& page, int id)
{
    cell(page, id)->setFocus();
    QTest::keyClick(cell(page, id), Qt::Key_Tab);
}

} // namespace

class TestWelcomePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsInHexWithDefaultTextsAndNoLimit();
    void asciiShowsOneCharacterPerCellWithLimitOne();
    void hexClickAndShowDifferInLeadingZero_data();
    void hexClickAndShowDifferInLeadingZero();
    void clearEmptiesOneMessageInEitherMode();
    void hexCellStoresOnFocusLoss_data();
    void hexCellStoresOnFocusLoss();
    void asciiCellStoresOnFocusLoss_data();
    void asciiCellStoresOnFocusLoss();
    void everyByteRoundTripsThroughAnAsciiCell();
    void leavingUntouchedCellsKeepsTheBuffers();
    void editedCellIsStoredBeforeItsModeSwitches();
    void resetKeepsLimitsAndShowsTwoDigits();
    void zeroByteInTheMiddleKeepsTheLength();
};

void TestWelcomePage::startsInHexWithDefaultTextsAndNoLimit()
{
    CWelcomePage page;
    QCOMPARE(g_strWelcome1, std::string("*** VFD DISPLAY  ***"));
    QCOMPARE(g_strWelcome2, std::string("**HAVE A NICE DAY AND THANK YOU**       "));
    QCOMPARE(cellTexts(page, kFirstCell1, 20),
             QString("2A 2A 2A 20 56 46 44 20 44 49 53 50 4C 41 59 20 20 2A 2A 2A").split(' '));
    QCOMPARE(cell(page, kFirstCell2 + 39)->text(), QStringLiteral("20"));
    QVERIFY(Control<QRadioButton>(&page, kHex1)->isChecked());
    QVERIFY(Control<QRadioButton>(&page, kHex2)->isChecked());
    QVERIFY(!Control<QRadioButton>(&page, kAscii1)->isChecked());

    QLineEdit* first = cell(page, kFirstCell1);
    first->clear();
    QTest::keyClicks(first, QStringLiteral("ABCD"));
    QCOMPARE(first->text(), QStringLiteral("ABCD"));
    QCOMPARE(first->accessibleName(), QStringLiteral("Welcome message 1, position 1"));
    QCOMPARE(cell(page, kFirstCell2 + 39)->accessibleName(),
             QStringLiteral("Welcome message 2, position 40"));
}

void TestWelcomePage::asciiShowsOneCharacterPerCellWithLimitOne()
{
    CWelcomePage page;
    click(page, kAscii1);
    QCOMPARE(cellTexts(page, kFirstCell1, 20).join(QString()), QStringLiteral("*** VFD DISPLAY  ***"));
    for (int position : {3, 7, 15, 16})
        QCOMPARE(cell(page, kFirstCell1 + position)->text(), QStringLiteral(" "));
    QCOMPARE(cell(page, kFirstCell2)->text(), QStringLiteral("2A"));

    QLineEdit* first = cell(page, kFirstCell1);
    first->clear();
    QTest::keyClicks(first, QStringLiteral("XY"));
    QCOMPARE(first->text(), QStringLiteral("X"));

    click(page, kHex1);
    QCOMPARE(first->text(), QStringLiteral("2A"));
    first->clear();
    QTest::keyClicks(first, QStringLiteral("123"));
    QCOMPARE(first->text(), QStringLiteral("12"));
    QCOMPARE(g_strWelcome1, Welcome::kDefaultText1);
}

void TestWelcomePage::hexClickAndShowDifferInLeadingZero_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("afterHexClick");
    QTest::addColumn<QString>("afterShow");
    QTest::newRow("zero") << 0x00 << ""
                          << "";
    QTest::newRow("one digit") << 0x0A << "A"
                               << "0A";
    QTest::newRow("two digits") << 0x41 << "41"
                                << "41";
    QTest::newRow("top") << 0xFF << "FF"
                         << "FF";
}

void TestWelcomePage::hexClickAndShowDifferInLeadingZero()
{
    QFETCH(int, byte);
    QFETCH(QString, afterHexClick);
    QFETCH(QString, afterShow);
    CWelcomePage page;
    QVERIFY(showActive(page));
    const int id = kFirstCell2 + 25;
    g_strWelcome2[25] = static_cast<char>(byte);

    click(page, kHex2);
    QCOMPARE(cell(page, id)->text(), afterHexClick);
    leave(page, id);
    QCOMPARE(static_cast<unsigned char>(g_strWelcome2[25]), byte);

    page.ShowWelcomeTexts();
    QCOMPARE(cell(page, id)->text(), afterShow);
    leave(page, id);
    QCOMPARE(static_cast<unsigned char>(g_strWelcome2[25]), byte);
}

void TestWelcomePage::clearEmptiesOneMessageInEitherMode()
{
    for (int mode : {kAscii2, kHex2}) {
        CWelcomePage page;
        click(page, mode);
        click(page, kClear2);
        QCOMPARE(g_strWelcome2, std::string(40, '\0'));
        QCOMPARE(cellTexts(page, kFirstCell2, 40), repeated(QString(), 40));
        QVERIFY(Control<QRadioButton>(&page, mode)->isChecked());
        click(page, mode == kAscii2 ? kHex2 : kAscii2);
        QCOMPARE(cellTexts(page, kFirstCell2, 40), repeated(QString(), 40));
        QCOMPARE(g_strWelcome1, Welcome::kDefaultText1);
    }

    CWelcomePage page;
    click(page, kClear1);
    QCOMPARE(g_strWelcome1, std::string(20, '\0'));
    QCOMPARE(g_strWelcome2, Welcome::kDefaultText2);
}

void TestWelcomePage::hexCellStoresOnFocusLoss_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("upper") << "4A" << 0x4A << "4A";
    QTest::newRow("lower") << "4a" << 0x4A << "4a";
    QTest::newRow("one digit") << "7" << 0x07 << "7";
    QTest::newRow("letter") << "A" << 0x0A << "A";
    QTest::newRow("stops at a non-digit") << "1G" << 0x01 << "1G";
    QTest::newRow("reads two characters only") << "123" << 0x12 << "123";
    QTest::newRow("leading blank") << " 5" << 0x05 << " 5";
    QTest::newRow("zero then x") << "0x" << 0x00 << "0x";
    QTest::newRow("empty") << "" << 0x00 << "";
    // No number begins in these: the byte stays 0x56 ("V") and the cell says so again.
    QTest::newRow("letter first") << "G1" << 0x56 << "56";
    QTest::newRow("no digits") << "ZZ" << 0x56 << "56";
    QTest::newRow("lone blank") << " " << 0x56 << "56";
}

void TestWelcomePage::hexCellStoresOnFocusLoss()
{
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(QString, shown);
    CWelcomePage page;
    QVERIFY(showActive(page));
    const int position = 4;
    typeAndLeave(page, kFirstCell1 + position, typed);
    QCOMPARE(static_cast<unsigned char>(g_strWelcome1[position]), stored);
    QCOMPARE(cell(page, kFirstCell1 + position)->text(), shown);
    QCOMPARE(g_strWelcome1.size(), std::size_t(20));
}

void TestWelcomePage::asciiCellStoresOnFocusLoss_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "A" << 0x41 << "A";
    QTest::newRow("space") << " " << 0x20 << " ";
    QTest::newRow("empty") << "" << 0x00 << "";
    QTest::newRow("Latin-1") << QString(QChar(0xE9)) << 0xE9 << QString(QChar(0xE9));
    QTest::newRow("control picture") << QString(QChar(0x241B)) << 0x1B << QString(QChar(0x241B));
    // A character with no byte of its own keeps the byte 0x56 ("V") and shows it again.
    QTest::newRow("outside Latin-1") << QString(QChar(0x20AC)) << 0x56 << "V";
}

void TestWelcomePage::asciiCellStoresOnFocusLoss()
{
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(QString, shown);
    CWelcomePage page;
    QVERIFY(showActive(page));
    click(page, kAscii1);
    const int position = 4;
    typeAndLeave(page, kFirstCell1 + position, typed);
    QCOMPARE(static_cast<unsigned char>(g_strWelcome1[position]), stored);
    QCOMPARE(cell(page, kFirstCell1 + position)->text(), shown);
}

void TestWelcomePage::everyByteRoundTripsThroughAnAsciiCell()
{
    CWelcomePage page;
    QVERIFY(showActive(page));
    click(page, kAscii2);
    const int position = 30;
    QLineEdit* edit = cell(page, kFirstCell2 + position);
    for (int byte = 0x01; byte <= 0xFF; ++byte) {
        g_strWelcome2[position] = static_cast<char>(byte);
        page.ShowWelcomeTexts();
        QCOMPARE(edit->text().size(), 1);
        g_strWelcome2[position] = '\0';
        leave(page, kFirstCell2 + position);
        QCOMPARE(static_cast<unsigned char>(g_strWelcome2[position]), byte);
    }
}

void TestWelcomePage::leavingUntouchedCellsKeepsTheBuffers()
{
    CWelcomePage page;
    QVERIFY(showActive(page));
    g_strWelcome1[2] = '\x0A';
    g_strWelcome2[9] = '\0';
    page.ShowWelcomeTexts();
    const std::string before1 = g_strWelcome1;
    const std::string before2 = g_strWelcome2;
    for (int mode : {kHex1, kAscii1}) {
        click(page, mode);
        click(page, mode + 2);
        for (int id = kFirstCell1; id < kFirstCell2 + 40; ++id)
            leave(page, id);
        QCOMPARE(g_strWelcome1, before1);
        QCOMPARE(g_strWelcome2, before2);
    }
}

void TestWelcomePage::editedCellIsStoredBeforeItsModeSwitches()
{
    CWelcomePage page;
    QVERIFY(showActive(page));
    QLineEdit* first = cell(page, kFirstCell1);
    first->setFocus();
    first->selectAll();
    QTest::keyClicks(first, QStringLiteral("41"));
    click(page, kAscii1);
    QVERIFY(!first->hasFocus());
    QCOMPARE(g_strWelcome1[0], 'A');
    QCOMPARE(first->text(), QStringLiteral("A"));
}

void TestWelcomePage::resetKeepsLimitsAndShowsTwoDigits()
{
    CWelcomePage page;
    click(page, kAscii1);
    click(page, kClear2);
    page.ResetWelcomeTexts();

    QVERIFY(Control<QRadioButton>(&page, kHex1)->isChecked());
    QCOMPARE(g_strWelcome2, Welcome::kDefaultText2);
    QCOMPARE(cell(page, kFirstCell1)->text(), QStringLiteral("2A"));
    QCOMPARE(cell(page, kFirstCell2)->text(), QStringLiteral("2A"));

    // Message 1 keeps the limit of one character that ASCII gave it; message 2 never had one.
    QLineEdit* limited = cell(page, kFirstCell1);
    limited->end(false);
    QTest::keyClicks(limited, QStringLiteral("B"));
    QCOMPARE(limited->text(), QStringLiteral("2A"));
    limited->clear();
    QTest::keyClicks(limited, QStringLiteral("BC"));
    QCOMPARE(limited->text(), QStringLiteral("B"));
    QLineEdit* unlimited = cell(page, kFirstCell2);
    unlimited->end(false);
    QTest::keyClicks(unlimited, QStringLiteral("BC"));
    QCOMPARE(unlimited->text(), QStringLiteral("2ABC"));
}

void TestWelcomePage::zeroByteInTheMiddleKeepsTheLength()
{
    CWelcomePage page;
    QVERIFY(showActive(page));
    g_strWelcome1[10] = '\0';
    for (int mode : {kAscii1, kHex1}) {
        click(page, mode);
        page.ShowWelcomeTexts();
        QCOMPARE(cell(page, kFirstCell1 + 10)->text(), QString());
        QCOMPARE(cell(page, kFirstCell1 + 11)->text().isEmpty(), false);
        leave(page, kFirstCell1 + 10);
        QCOMPARE(g_strWelcome1.size(), std::size_t(20));
        QCOMPARE(g_strWelcome1[10], '\0');
        QCOMPARE(g_strWelcome1.substr(11), Welcome::kDefaultText1.substr(11));
    }
}

QTEST_MAIN(TestWelcomePage)
#include "test_welcome_page.moc"
