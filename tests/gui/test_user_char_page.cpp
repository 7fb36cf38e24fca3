#include "controls/CDotButton.h"
#include "pages/CUserCharPage.h"
#include "res/TemplateBuilder.h"
#include "settings/UserCharTable.h"
#include "support/RecordingMessageBoxes.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

constexpr int kPrev = 1024;
constexpr int kNext = 1025;
constexpr int kClear = 1028;
constexpr int kNumber = 1030;
constexpr int kCode = 1031;
const QString kRange = QStringLiteral("Range:0x20-0x7E");

// The dot buttons as they stand on the page, row by row from the top.
constexpr int kGrid[kDotRows][kDotColumns] = {
    {1027, 1040, 1047, 1054, 1061}, {1034, 1041, 1048, 1055, 1062}, {1035, 1042, 1049, 1056, 1063},
    {1036, 1043, 1050, 1057, 1064}, {1037, 1044, 1051, 1058, 1065}, {1038, 1045, 1052, 1059, 1066},
    {1039, 1046, 1053, 1060, 1067},
};

// A page that is shown and active, so that focus changes are real ones.
struct Fixture
{
    Fixture() : page(messages)
    {
        page.show();
        page.activateWindow();
    }

    bool isReady() { return QTest::qWaitForWindowActive(&page); }

    QLineEdit* field(int id) const { return Control<QLineEdit>(&page, id); }
    QPushButton* button(int id) const { return Control<QPushButton>(&page, id); }
    CDotButton* dot(int row, int column) const
    {
        return Control<CDotButton>(&page, kGrid[row - 1][column - 1]);
    }
    QString number() const { return field(kNumber)->text(); }
    QString code() const { return field(kCode)->text(); }

    void click(int id) const { QTest::mouseClick(button(id), Qt::LeftButton); }
    void clickDot(int row, int column) const { QTest::mouseClick(dot(row, column), Qt::LeftButton); }

    // Types into the code field and lets the focus go on, as the Tab key does.
    void typeCode(const QString& text) const
    {
        QLineEdit* edit = field(kCode);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }

    RecordingMessageBoxes messages;
    CUserCharPage page;
};

int litDots(const Fixture& fixture)
{
    int lit = 0;
    for (const auto& row : kGrid)
        lit += static_cast<int>(std::count_if(std::begin(row), std::end(row), [&](int id) {
            return Control<CDotButton>(&fixture.page, id)->isLit();
        }));
    return lit;
}

UserCharRecord record(std::uint8_t code, std::array<std::uint8_t, 5> columns)
{
    UserCharRecord result;
    result.code = code;
    result.columns = columns;
    return result;
}

} // namespace

class TestUserCharPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsOnAnEmptyCharacterOne();
    void dotsStandInTheGridInColumnOrder();
    void arrowsDisableOnlyWhenClickedAtTheEnd();
    void codeIsCheckedWhenTheFieldLosesFocus_data();
    void codeIsCheckedWhenTheFieldLosesFocus();
    void emptyCodeFieldKeepsTheStoredCode();
    void typedCodeIsStoredBeforeAnArrowMoves();
    void lowerCaseCodeIsShownInCapitalsOnlyOnReturn();
    void eachDotClickFlipsItsOwnBit();
    void doubleClickLeavesTheDotAsItWas();
    void clearEmptiesThePatternButKeepsTheCode();
    void refreshShowsALoadedPatternWithoutBitSeven();
    void resetUserCharsReturnsToAnEmptyTable();
};

void TestUserCharPage::startsOnAnEmptyCharacterOne()
{
    g_UserChars[4].code = 0x41;
    g_nCurChar = 5;
    Fixture f;
    QCOMPARE(f.number(), QStringLiteral("1"));
    QCOMPARE(f.code(), QString());
    QCOMPARE(f.field(kCode)->maxLength(), 2);
    QVERIFY(f.field(kNumber)->isReadOnly());
    QVERIFY(!f.button(kPrev)->isEnabled());
    QVERIFY(f.button(kNext)->isEnabled());
    QCOMPARE(g_nCurChar, std::int8_t(1));
    QVERIFY(std::all_of(g_UserChars.begin(), g_UserChars.end(),
                        [](const UserCharRecord& r) { return r == UserCharRecord{}; }));
    for (const auto& row : kGrid) {
        for (int id : row) {
            auto* dot = Control<CDotButton>(&f.page, id);
            QVERIFY(dot);
            QVERIFY(!dot->isLit());
            QVERIFY(!dot->isFlatLook());
        }
    }
    QCOMPARE(f.field(kCode)->accessibleName(), QStringLiteral("Character code"));
    QCOMPARE(f.field(kNumber)->accessibleName(), QStringLiteral("Character number"));
}

void TestUserCharPage::dotsStandInTheGridInColumnOrder()
{
    Fixture f;
    QVERIFY(f.isReady());
    QWidget* focus = f.dot(1, 1);
    for (int column = 1; column <= kDotColumns; ++column) {
        for (int row = 1; row <= kDotRows; ++row) {
            CDotButton* dot = f.dot(row, column);
            QCOMPARE(focus, dot);
            QCOMPARE(dot->accessibleName(), QStringLiteral("Dot row %1, column %2").arg(row).arg(column));
            if (column > 1)
                QVERIFY(dot->x() > f.dot(row, column - 1)->x());
            if (row > 1)
                QVERIFY(dot->y() > f.dot(row - 1, column)->y());
            QCOMPARE(dot->x(), f.dot(1, column)->x());
            QCOMPARE(dot->y(), f.dot(row, 1)->y());
            focus = focus->nextInFocusChain();
        }
    }
    QCOMPARE(focus, f.button(kClear));
}

void TestUserCharPage::arrowsDisableOnlyWhenClickedAtTheEnd()
{
    Fixture f;
    QVERIFY(f.isReady());
    for (int n = 2; n <= 9; ++n) {
        f.click(kNext);
        QCOMPARE(f.number(), QString::number(n));
        QVERIFY(f.button(kPrev)->isEnabled());
    }
    QVERIFY(f.button(kNext)->isEnabled());
    f.click(kNext);
    QVERIFY(!f.button(kNext)->isEnabled());
    QCOMPARE(g_nCurChar, std::int8_t(9));
    QCOMPARE(f.number(), QStringLiteral("9"));

    f.click(kPrev);
    QCOMPARE(f.number(), QStringLiteral("8"));
    QVERIFY(f.button(kNext)->isEnabled());

    for (int n = 7; n >= 1; --n)
        f.click(kPrev);
    QCOMPARE(g_nCurChar, std::int8_t(1));
    QVERIFY(f.button(kPrev)->isEnabled());
    f.click(kPrev);
    QVERIFY(!f.button(kPrev)->isEnabled());
    QCOMPARE(f.number(), QStringLiteral("1"));
}

void TestUserCharPage::codeIsCheckedWhenTheFieldLosesFocus_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");

    QTest::newRow("lowest") << "20" << 0x20;
    QTest::newRow("letter") << "41" << 0x41;
    QTest::newRow("highest, lower case") << "7f" << 0x7F;
    QTest::newRow("blank before one digit") << " 7" << -1;
    QTest::newRow("below") << "1F" << -1;
    QTest::newRow("above") << "80" << -1;
    QTest::newRow("top") << "FF" << -1;
    QTest::newRow("one digit") << "5" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("plus sign") << "+4" << -1;
    QTest::newRow("zero and x") << "0x" << -1;
    // No number begins in these.
    QTest::newRow("letter first") << "G1" << -1;
    QTest::newRow("x first") << "x5" << -1;
    QTest::newRow("blank") << " " << -1;
    QTest::newRow("lone minus") << "-" << -1;
    QTest::newRow("lone plus") << "+" << -1;
}

void TestUserCharPage::codeIsCheckedWhenTheFieldLosesFocus()
{
    QFETCH(QString, typed);
    QFETCH(int, stored);
    Fixture f;
    QVERIFY(f.isReady());
    g_UserChars[0].code = 0x41;

    f.typeCode(typed);
    QVERIFY(!f.field(kCode)->hasFocus());
    QCOMPARE(f.code(), typed);
    if (stored >= 0) {
        QCOMPARE(g_UserChars[0].code, std::uint8_t(stored));
        QVERIFY(f.messages.boxes().empty());
    } else {
        QCOMPARE(g_UserChars[0].code, std::uint8_t(0x41));
        QCOMPARE(f.messages.texts(), QStringList{kRange});
        QCOMPARE(f.messages.boxes().front().icon, MessageIcon::Warning);
    }
    QCOMPARE(f.number(), QStringLiteral("1"));
}

void TestUserCharPage::emptyCodeFieldKeepsTheStoredCode()
{
    Fixture f;
    QVERIFY(f.isReady());
    f.typeCode(QStringLiteral("41"));
    f.typeCode(QString());
    QCOMPARE(g_UserChars[0].code, std::uint8_t(0x41));
    QVERIFY(f.messages.boxes().empty());
    f.click(kNext);
    f.click(kPrev);
    QCOMPARE(f.code(), QStringLiteral("41"));
}

void TestUserCharPage::typedCodeIsStoredBeforeAnArrowMoves()
{
    Fixture f;
    QVERIFY(f.isReady());
    QLineEdit* edit = f.field(kCode);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("41"));
    f.click(kNext);
    QCOMPARE(g_UserChars[0].code, std::uint8_t(0x41));
    QCOMPARE(g_nCurChar, std::int8_t(2));
    QCOMPARE(f.number(), QStringLiteral("2"));
    QCOMPARE(f.code(), QString());

    f.click(kPrev);
    QCOMPARE(f.code(), QStringLiteral("41"));
    QCOMPARE(g_UserChars[1].code, std::uint8_t(0));
}

void TestUserCharPage::lowerCaseCodeIsShownInCapitalsOnlyOnReturn()
{
    Fixture f;
    QVERIFY(f.isReady());
    f.typeCode(QStringLiteral("7f"));
    QCOMPARE(f.code(), QStringLiteral("7f"));
    f.click(kNext);
    f.click(kPrev);
    QCOMPARE(f.code(), QStringLiteral("7F"));
}

void TestUserCharPage::eachDotClickFlipsItsOwnBit()
{
    Fixture f;
    QVERIFY(f.isReady());
    f.click(kNext);
    f.click(kNext);
    for (int row = 1; row <= kDotRows; ++row) {
        for (int column = 1; column <= kDotColumns; ++column) {
            std::array<std::uint8_t, 5> columns{};
            columns[static_cast<std::size_t>(column - 1)] = static_cast<std::uint8_t>(1u << (7 - row));
            f.clickDot(row, column);
            QVERIFY(f.dot(row, column)->isLit());
            QCOMPARE(g_UserChars[2], record(0, columns));
            f.clickDot(row, column);
            QVERIFY(!f.dot(row, column)->isLit());
            QCOMPARE(g_UserChars[2], UserCharRecord{});
        }
    }
    QCOMPARE(g_UserChars[0], UserCharRecord{});
}

void TestUserCharPage::doubleClickLeavesTheDotAsItWas()
{
    Fixture f;
    QVERIFY(f.isReady());
    f.clickDot(3, 2);
    QTest::mouseDClick(f.page.windowHandle(), Qt::LeftButton, {}, f.dot(3, 2)->mapTo(&f.page, QPoint(4, 4)));
    QVERIFY(f.dot(3, 2)->isLit());
    QCOMPARE(g_UserChars[0], record(0, {0, 0x10, 0, 0, 0}));
}

void TestUserCharPage::clearEmptiesThePatternButKeepsTheCode()
{
    Fixture f;
    QVERIFY(f.isReady());
    f.click(kNext);
    f.typeCode(QStringLiteral("41"));
    f.clickDot(1, 1);
    f.clickDot(7, 5);
    g_UserChars[1].columns[2] |= 0x80;

    f.click(kClear);
    QCOMPARE(g_UserChars[1], record(0x41, {0, 0, 0, 0, 0}));
    QCOMPARE(litDots(f), 0);
    QCOMPARE(f.code(), QStringLiteral("41"));
    QCOMPARE(f.number(), QStringLiteral("2"));
    QVERIFY(f.button(kPrev)->isEnabled());
    QVERIFY(f.button(kNext)->isEnabled());
}

void TestUserCharPage::refreshShowsALoadedPatternWithoutBitSeven()
{
    Fixture f;
    QVERIFY(f.isReady());
    // What applying an image does: the table, then the code through the members, then the dots.
    g_UserChars[0] = record(0x5A, {0xC0, 0x80, 0x01, 0, 0x7F});
    f.page.m_strCharCode = QStringLiteral("5A");
    f.page.ShowCharFields();
    f.page.RefreshDots();

    QCOMPARE(f.code(), QStringLiteral("5A"));
    QCOMPARE(f.number(), QStringLiteral("1"));
    QVERIFY(f.dot(1, 1)->isLit());
    QVERIFY(!f.dot(1, 2)->isLit());
    QVERIFY(f.dot(7, 3)->isLit());
    QCOMPARE(litDots(f), 1 + 1 + 7);

    f.clickDot(1, 1);
    QVERIFY(!f.dot(1, 1)->isLit());
    QCOMPARE(g_UserChars[0], record(0x5A, {0x80, 0x80, 0x01, 0, 0x7F}));
}

void TestUserCharPage::resetUserCharsReturnsToAnEmptyTable()
{
    Fixture f;
    QVERIFY(f.isReady());
    for (int i = 0; i < 4; ++i)
        f.click(kNext);
    f.typeCode(QStringLiteral("33"));
    f.clickDot(4, 4);
    g_UserChars[8] = record(0x7E, {1, 2, 3, 4, 5});

    f.page.ResetUserChars();
    QCOMPARE(g_nCurChar, std::int8_t(1));
    QVERIFY(std::all_of(g_UserChars.begin(), g_UserChars.end(),
                        [](const UserCharRecord& r) { return r == UserCharRecord{}; }));
    QCOMPARE(f.number(), QStringLiteral("1"));
    QCOMPARE(f.code(), QString());
    QCOMPARE(litDots(f), 0);
    QVERIFY(!f.button(kPrev)->isEnabled());
    QVERIFY(f.button(kNext)->isEnabled());
}

QTEST_MAIN(TestUserCharPage)
#include "test_user_char_page.moc"
