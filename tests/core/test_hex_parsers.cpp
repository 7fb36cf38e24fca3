#include "link/HexText.h"
#include "settings/HexScan.h"

#include <QtTest>

#include <string>

namespace {

constexpr qint64 kNoNumber = -1;

std::string_view viewOf(const QByteArray& text)
{
    return std::string_view(text.constData(), static_cast<std::size_t>(text.size()));
}

} // namespace

class TestHexParsers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scanHex_data();
    void scanHex();
    void scanHexStopsAtTheEndOfItsView();
    void hexDigitValue_data();
    void hexDigitValue();
    void hexTextToBytes_data();
    void hexTextToBytes();
};

void TestHexParsers::scanHex_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("value");

    auto row = [](const char* name, QByteArray text, qint64 value) { QTest::newRow(name) << text << value; };
    row("4A", "4A", 0x4A);
    row("4a", "4a", 0x4A);
    row("A", "A", 0x0A);
    row("7", "7", 0x07);
    row("7f", "7f", 0x7F);
    row("FF", "FF", 0xFF);
    row("1G stops at G", "1G", 0x01);
    row("1F, blank, 2", "1F 2", 0x1F);
    row("G1", "G1", kNoNumber);
    row("ZZ", "ZZ", kNoNumber);
    row("x5", "x5", kNoNumber);
    row("empty", "", kNoNumber);
    row("blank", " ", kNoNumber);
    row("blank 7", " 7", 0x07);
    row("tab 5", "\t5", 0x05);
    row("line breaks and form feed", "\r\n\v\f5", 0x05);
    row("+4", "+4", 0x04);
    row("-1", "-1", 0xFFFFFFFF);
    row("blanks -80", "  -80", 0xFFFFFF80);
    row("lone minus", "-", kNoNumber);
    row("lone plus", "+", kNoNumber);
    row("blank after sign", "- 5", kNoNumber);
    row("two signs", "+-5", kNoNumber);
    row("0x alone is zero", "0x", 0);
    row("0x before a non-digit", "0xG", 0);
    row("0x1A", "0x1A", 0x1A);
    row("0X1a", "0X1a", 0x1A);
    row("-0x2", "-0x2", 0xFFFFFFFE);
    row("00x5 stops at x", "00x5", 0);
    row("eight digits", "FFFFFFFF", 0xFFFFFFFF);
    row("nine digits wrap", "100000001", 0x00000001);
    row("non-ASCII", QByteArray::fromHex("C431"), kNoNumber);
    row("high-bit digit look-alike", QByteArray::fromHex("B1"), kNoNumber);
    row("zero byte", QByteArray::fromHex("0035"), kNoNumber);
}

void TestHexParsers::scanHex()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, value);

    const std::optional<std::uint32_t> scanned = ScanHex(viewOf(text));
    QCOMPARE(scanned ? qint64{*scanned} : kNoNumber, value);
}

void TestHexParsers::scanHexStopsAtTheEndOfItsView()
{
    const std::string cell = "4A5";
    QCOMPARE(ScanHex(std::string_view(cell).substr(0, 2)), std::optional<std::uint32_t>(0x4A));

    const std::string prefix = "0x5";
    QCOMPARE(ScanHex(std::string_view(prefix).substr(0, 2)), std::optional<std::uint32_t>(0));

    const std::string signAndDigit = "-7";
    QCOMPARE(ScanHex(std::string_view(signAndDigit).substr(0, 1)), std::optional<std::uint32_t>());
}

void TestHexParsers::hexDigitValue_data()
{
    QTest::addColumn<char>("c");
    QTest::addColumn<int>("value");

    for (char c = '0'; c <= '9'; ++c)
        QTest::addRow("%c", c) << c << c - '0';
    for (char c = 'A'; c <= 'F'; ++c) {
        QTest::addRow("%c", c) << c << c - 'A' + 10;
        const char lower = static_cast<char>(c - 'A' + 'a');
        QTest::addRow("%c", lower) << lower << c - 'A' + 10;
    }
    for (int code :
         {0x00, 0x20, 0x2F, 0x3A, 0x40, 0x47, 0x60, 0x67, 0x78, 0x7F, 0x80, 0xB0, 0xC1, 0xE1, 0xFF})
        QTest::addRow("0x%02X", code) << static_cast<char>(code) << kInvalidHexDigit;
}

void TestHexParsers::hexDigitValue()
{
    QFETCH(char, c);
    QFETCH(int, value);
    QCOMPARE(HexDigitValue(c), value);
}

void TestHexParsers::hexTextToBytes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes");

    auto row = [](const char* name, QByteArray text, const char* hex) {
        QTest::newRow(name) << text << QByteArray::fromHex(hex);
    };
    row("1B, blank, EE", "1B EE", "1BEE");
    row("1bee", "1bee", "1BEE");
    row("two blanks, 0a", "  0a", "0A");
    row("ABC drops the lone C", "ABC", "AB");
    row("A, blank, B", "A B", "");
    row("12 3G 45", "12 3G 45", "12");
    row("12, line break, 34", "12\r\n34", "12");
    row("empty", "", "");
    row("blanks only", "   ", "");
    row("trailing blanks", "1B  EE  ", "1BEE");
    row("lone digit after blank", "1B EE 0", "1BEE");
    row("mixed case", "ff00Fa", "FF00FA");
    row("tab where a pair begins", "\t12", "");
    row("tab between pairs", "12\t34", "12");
    row("blank inside a pair", "1 234", "");
    row("non-ASCII pair", QByteArray::fromHex("3132C3A93334"), "12");
    row("high-bit digit look-alikes", QByteArray::fromHex("B1B2"), "");
    row("zero byte", QByteArray::fromHex("3132003334"), "12");
}

void TestHexParsers::hexTextToBytes()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, bytes);

    std::vector<std::uint8_t> parsed(100, 0x55);
    const int n = HexTextToBytes(viewOf(text), parsed);

    QCOMPARE(n, bytes.size());
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(parsed.data()), static_cast<qsizetype>(parsed.size())),
             bytes);
}

QTEST_APPLESS_MAIN(TestHexParsers)
#include "test_hex_parsers.moc"
