#include "settings/UserCharTable.h"

#include <QtTest>

#include <algorithm>

namespace {

// The dot buttons as they stand on the page, row by row from the top.
constexpr int kGrid[kDotRows][kDotColumns] = {
    {1027, 1040, 1047, 1054, 1061}, {1034, 1041, 1048, 1055, 1062}, {1035, 1042, 1049, 1056, 1063},
    {1036, 1043, 1050, 1057, 1064}, {1037, 1044, 1051, 1058, 1065}, {1038, 1045, 1052, 1059, 1066},
    {1039, 1046, 1053, 1060, 1067},
};
constexpr std::uint8_t kRowBit[kDotRows] = {0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

QByteArray bytesOf(const UserCharRecord& record)
{
    QByteArray bytes(1, static_cast<char>(record.code));
    for (std::uint8_t column : record.columns)
        bytes.append(static_cast<char>(column));
    return bytes;
}

QByteArray bytesOf(const UserCharTable& table)
{
    const auto bytes = UserChars::toBytes(table);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

void lightAll(UserCharRecord& record)
{
    for (int row = 1; row <= kDotRows; ++row)
        for (int column = 1; column <= kDotColumns; ++column)
            UserChars::setDot(record, {row, column}, true);
}

} // namespace

class TestUserCharTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsEmptyWithNoCurrentCharacter();
    void dots_data();
    void dots();
    void idsThatAreNoDots_data();
    void idsThatAreNoDots();
    void placesOffTheGridAreIgnored();
    void examplesLandAtTheirTableBytes();
    void bit7IsNeitherShownNorTouched();
    void clearPatternKeepsTheCode();
    void resetEmptiesTheTable();
    void currentRecordFollowsTheNumber();
    void recordFromBytesReadsCodeThenColumns();
};

void TestUserCharTable::startsEmptyWithNoCurrentCharacter()
{
    QCOMPARE(g_nCurChar, std::int8_t{0});
    QCOMPARE(bytesOf(g_UserChars), QByteArray(54, '\0'));
}

void TestUserCharTable::dots_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("buttonId");
    QTest::addColumn<int>("bit");
    for (int row = 1; row <= kDotRows; ++row)
        for (int column = 1; column <= kDotColumns; ++column)
            QTest::addRow("row %d column %d", row, column)
                << row << column << kGrid[row - 1][column - 1] << int{kRowBit[row - 1]};
}

void TestUserCharTable::dots()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, buttonId);
    QFETCH(int, bit);
    const DotPlace place{row, column};

    QCOMPARE(UserChars::dotMask(row), bit);
    QCOMPARE(UserChars::dotButtonId(place), buttonId);
    QCOMPARE(UserChars::dotOfButton(buttonId), std::optional<DotPlace>(place));

    UserCharRecord record{0x41, {}};
    UserChars::setDot(record, place, true);
    QByteArray expected = QByteArray::fromHex("410000000000");
    expected[column] = static_cast<char>(bit);
    QCOMPARE(bytesOf(record), expected);
    QVERIFY(UserChars::isDotLit(record, place));

    UserCharRecord full{};
    lightAll(full);
    UserChars::setDot(full, place, false);
    QVERIFY(!UserChars::isDotLit(full, place));
    QCOMPARE(full.columns[static_cast<std::size_t>(column - 1)], std::uint8_t(0x7F & ~bit));
    for (int r = 1; r <= kDotRows; ++r)
        for (int c = 1; c <= kDotColumns; ++c)
            QCOMPARE(UserChars::isDotLit(full, {r, c}), r != row || c != column);
}

void TestUserCharTable::idsThatAreNoDots_data()
{
    QTest::addColumn<int>("buttonId");
    for (int id : {0, -1, 1024, 1025, 1026, 1028, 1029, 1030, 1031, 1032, 1033, 1068, 1100})
        QTest::addRow("%d", id) << id;
}

void TestUserCharTable::idsThatAreNoDots()
{
    QFETCH(int, buttonId);
    QCOMPARE(UserChars::dotOfButton(buttonId), std::optional<DotPlace>());
}

void TestUserCharTable::placesOffTheGridAreIgnored()
{
    UserCharRecord record{0x41, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    const UserCharRecord before = record;
    for (DotPlace place : {DotPlace{0, 1}, DotPlace{8, 1}, DotPlace{1, 0}, DotPlace{1, 6}}) {
        QCOMPARE(UserChars::dotButtonId(place), 0);
        QVERIFY(!UserChars::isDotLit(record, place));
        UserChars::setDot(record, place, false);
    }
    QCOMPARE(record, before);
    QCOMPARE(UserChars::dotMask(0), std::uint8_t{0});
    QCOMPARE(UserChars::dotMask(8), std::uint8_t{0});
}

void TestUserCharTable::examplesLandAtTheirTableBytes()
{
    UserCharTable table{};
    table[0].code = 0x41;
    lightAll(table[0]);
    UserChars::setDot(table[8], {1, 1}, true);
    UserChars::setDot(table[1], {7, 5}, true);

    const QByteArray bytes = bytesOf(table);
    QCOMPARE(bytes.mid(0, 6), QByteArray::fromHex("417F7F7F7F7F"));
    QCOMPARE(bytes.mid(6, 6), QByteArray::fromHex("000000000001"));
    QCOMPARE(bytes.mid(12, 36), QByteArray(36, '\0'));
    QCOMPARE(bytes.mid(48, 6), QByteArray::fromHex("004000000000"));
}

void TestUserCharTable::bit7IsNeitherShownNorTouched()
{
    UserCharRecord record{0x30, {0x80, 0x80, 0x80, 0x80, 0x80}};
    for (int row = 1; row <= kDotRows; ++row)
        for (int column = 1; column <= kDotColumns; ++column)
            QVERIFY(!UserChars::isDotLit(record, {row, column}));

    lightAll(record);
    QCOMPARE(bytesOf(record), QByteArray::fromHex("30FFFFFFFFFF"));
    for (int row = 1; row <= kDotRows; ++row)
        for (int column = 1; column <= kDotColumns; ++column)
            UserChars::setDot(record, {row, column}, false);
    QCOMPARE(bytesOf(record), QByteArray::fromHex("308080808080"));
}

void TestUserCharTable::clearPatternKeepsTheCode()
{
    UserCharRecord record{0x41, {0x80, 0x7F, 0x01, 0xFF, 0x40}};
    UserChars::clearPattern(record);
    QCOMPARE(bytesOf(record), QByteArray::fromHex("410000000000"));
}

void TestUserCharTable::resetEmptiesTheTable()
{
    UserCharTable table{};
    for (auto& record : table)
        record = {0x7F, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    std::int8_t current = 5;

    UserChars::reset(table, current);

    QCOMPARE(bytesOf(table), QByteArray(54, '\0'));
    QCOMPARE(current, std::int8_t{1});
}

void TestUserCharTable::currentRecordFollowsTheNumber()
{
    // Still 0 here: the table has not been reset yet.
    QCOMPARE(&UserChars::currentRecord(), &g_UserChars[0]);

    UserChars::reset(g_UserChars, g_nCurChar);
    QCOMPARE(&UserChars::currentRecord(), &g_UserChars[0]);

    g_nCurChar = 9;
    UserChars::currentRecord().code = 0x5A;
    QCOMPARE(g_UserChars[8].code, std::uint8_t{0x5A});

    g_nCurChar = 5;
    QCOMPARE(&UserChars::currentRecord(), &g_UserChars[4]);
}

void TestUserCharTable::recordFromBytesReadsCodeThenColumns()
{
    const std::uint8_t bytes[] = {0x00, 0x7E, 0x41, 0x01, 0x80, 0x20, 0x12, 0x99};
    const UserCharRecord record = UserChars::recordFromBytes(bytes + 1);
    QCOMPARE(bytesOf(record), QByteArray::fromHex("7E4101802012"));

    UserCharTable table{};
    table[3] = record;
    QCOMPARE(bytesOf(table).mid(18, 6), bytesOf(record));
}

QTEST_APPLESS_MAIN(TestUserCharTable)
#include "test_user_char_table.moc"
