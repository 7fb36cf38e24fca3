#include "settings/SettingsImage.h"
#include "settings/UserCharTable.h"

#include <QtTest>

#include <algorithm>

namespace {

struct Patch
{
    int offset = 0;
    int value = 0;
};
using Patches = QList<Patch>;
using IndexMember = std::int32_t WorkingValues::*;

SettingsImage acceptedImage()
{
    SettingsImage image{};
    image[0] = 0xAA;
    return image;
}

WorkingValues richValues()
{
    WorkingValues values;
    values.baudRate = 1;
    values.charType = 35;
    values.commandMode = 9;
    values.passthru = 2;
    for (std::size_t i = 0; i < kWelcome1Length; ++i)
        values.welcome1[i] = static_cast<std::uint8_t>(0xF0 + i);
    values.welcome1[5] = 0x00;
    for (std::size_t i = 0; i < kWelcome2Length; ++i)
        values.welcome2[i] = static_cast<std::uint8_t>(0x30 + i);
    values.welcome2[39] = 0xFF;
    values.userChars[0] = {0x20, {0x80, 0x7F, 0x01, 0x40, 0xFF}};
    values.userChars[4] = {0x7F, {0x11, 0x22, 0x33, 0x44, 0x55}};
    values.userChars[8] = {0x00, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    return values;
}

QByteArray bytesOf(const SettingsImage& image, std::size_t from, std::size_t count)
{
    return QByteArray(reinterpret_cast<const char*>(image.data() + from), static_cast<qsizetype>(count));
}

} // namespace

Q_DECLARE_METATYPE(Patch)
Q_DECLARE_METATYPE(IndexMember)

class TestSettingsImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAllZero();
    void faults_data();
    void faults();
    void indexMinusOneTravelsAsFF_data();
    void indexMinusOneTravelsAsFF();
    void decodeReversesEncode();
    void encodeWritesEveryByteButTheTail();
    void encodeOfDecodeReproducesAcceptedImage();
    void userCharRecordsLandAtTheirImageBytes();
    void factoryDefaultImageBytes();
    void factoryDefaultsMatchTheImage();
};

void TestSettingsImage::startsAllZero()
{
    QVERIFY(
        std::all_of(g_SettingsImage.begin(), g_SettingsImage.end(), [](std::uint8_t b) { return b == 0; }));
    QCOMPARE(faultMessage(*findImageFault(g_SettingsImage)), "Data2 Error");
}

void TestSettingsImage::faults_data()
{
    QTest::addColumn<Patches>("patches");
    QTest::addColumn<QString>("message");

    auto row = [](const char* name, Patches patches, const char* message) {
        QTest::newRow(name) << patches << QString::fromLatin1(message);
    };
    row("minimal image", {}, "");
    row("header 0x55", {{0, 0x55}}, "Data2 Error");
    row("header 0x00", {{0, 0x00}}, "Data2 Error");
    row("byte 1 set", {{1, 0x01}}, "Data3 Error");
    row("baud 1", {{2, 1}}, "");
    row("baud 2", {{2, 2}}, "Data4 Error");
    row("baud 0xFF", {{2, 0xFF}}, "Data4 Error");
    row("byte 3 set", {{3, 0x80}}, "Data5 Error");
    row("char type 35", {{4, 35}}, "");
    row("char type 36", {{4, 36}}, "Data6 Error");
    row("char type 0x80 is negative", {{4, 0x80}}, "Data6 Error");
    row("char type 0xFF", {{4, 0xFF}}, "Data6 Error");
    row("byte 5 set", {{5, 0x01}}, "Data7 Error");
    row("command mode 9", {{6, 9}}, "");
    row("command mode 10", {{6, 10}}, "Data8 Error");
    row("command mode 0xFF", {{6, 0xFF}}, "Data8 Error");
    row("byte 67 set", {{67, 0x01}}, "Data9 Error");
    row("passthru 2", {{68, 2}}, "");
    row("passthru 3 has no list item", {{68, 3}}, "Data10 Error");
    row("passthru 9", {{68, 9}}, "Data10 Error");
    row("passthru 0xFF", {{68, 0xFF}}, "Data10 Error");
    row("welcome bytes are not checked", {{7, 0x00}, {26, 0xFF}, {27, 0x80}, {66, 0x01}}, "");
    row("tail is not checked", {{123, 0xFF}, {126, 0x01}}, "");
    row("code 0 with any pattern", {{69, 0x00}, {70, 0xFF}, {74, 0x80}}, "");
    row("code 0x20", {{69, 0x20}}, "");
    row("code 0x7F", {{117, 0x7F}}, "");
    row("code 0x1F", {{69, 0x1F}}, "Data13 Error");
    row("record 4 code 0x10", {{87, 0x10}}, "Data13 Error");
    row("record 9 code 0x80", {{117, 0x80}}, "Data13 Error");
    row("record 9 code 0xFF", {{117, 0xFF}}, "Data13 Error");
    row("header before all", {{0, 0x00}, {1, 1}, {68, 0xFF}, {69, 1}}, "Data2 Error");
    row("baud before char type", {{2, 5}, {4, 99}}, "Data4 Error");
    row("command mode before byte 67", {{6, 10}, {67, 1}}, "Data8 Error");
    row("byte 67 before passthru", {{67, 1}, {68, 3}}, "Data9 Error");
    row("passthru before records", {{68, 3}, {69, 1}}, "Data10 Error");
}

void TestSettingsImage::faults()
{
    QFETCH(Patches, patches);
    QFETCH(QString, message);

    SettingsImage image = acceptedImage();
    for (const Patch& patch : patches)
        image[static_cast<std::size_t>(patch.offset)] = static_cast<std::uint8_t>(patch.value);

    const std::optional<ImageFault> fault = findImageFault(image);
    QCOMPARE(fault ? QString::fromLatin1(faultMessage(*fault)) : QString(), message);
}

void TestSettingsImage::indexMinusOneTravelsAsFF_data()
{
    QTest::addColumn<IndexMember>("member");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("message");
    QTest::newRow("baud rate") << &WorkingValues::baudRate << 2 << "Data4 Error";
    QTest::newRow("char type") << &WorkingValues::charType << 4 << "Data6 Error";
    QTest::newRow("command mode") << &WorkingValues::commandMode << 6 << "Data8 Error";
    QTest::newRow("passthru") << &WorkingValues::passthru << 68 << "Data10 Error";
}

void TestSettingsImage::indexMinusOneTravelsAsFF()
{
    QFETCH(IndexMember, member);
    QFETCH(int, offset);
    QFETCH(QString, message);

    WorkingValues values = factoryDefaults();
    values.*member = -1;
    SettingsImage image{};
    encodeImage(values, image);

    QCOMPARE(image[static_cast<std::size_t>(offset)], std::uint8_t{0xFF});
    QCOMPARE(QString::fromLatin1(faultMessage(*findImageFault(image))), message);
    QCOMPARE(decodeImage(image), values);
}

void TestSettingsImage::decodeReversesEncode()
{
    const WorkingValues values = richValues();
    SettingsImage image{};
    encodeImage(values, image);

    QVERIFY(!findImageFault(image));
    QCOMPARE(decodeImage(image), values);
}

void TestSettingsImage::encodeWritesEveryByteButTheTail()
{
    SettingsImage fromZero{};
    encodeImage(richValues(), fromZero);

    SettingsImage overwritten;
    overwritten.fill(0xEE);
    encodeImage(richValues(), overwritten);

    QCOMPARE(bytesOf(overwritten, 0, 123), bytesOf(fromZero, 0, 123));
    QCOMPARE(bytesOf(overwritten, 123, 4), QByteArray(4, '\xEE'));
    QCOMPARE(bytesOf(fromZero, 123, 4), QByteArray(4, '\0'));

    SettingsImage again = overwritten;
    encodeImage(richValues(), again);
    QCOMPARE(again, overwritten);
}

void TestSettingsImage::encodeOfDecodeReproducesAcceptedImage()
{
    SettingsImage image{};
    for (std::size_t i = 0; i < kImageSize; ++i)
        image[i] = static_cast<std::uint8_t>(i * 37 + 11);
    const std::uint8_t fields[][2] = {{0, 0xAA}, {1, 0}, {2, 1},  {3, 0}, {4, 17},
                                      {5, 0},    {6, 3}, {67, 0}, {68, 2}};
    for (const auto& field : fields)
        image[field[0]] = field[1];
    for (std::size_t code = 69; code <= 117; code += 6)
        image[code] = static_cast<std::uint8_t>(0x20 + code % 0x60);
    QVERIFY(!findImageFault(image));

    SettingsImage rebuilt;
    rebuilt.fill(0);
    encodeImage(decodeImage(image), rebuilt);
    QCOMPARE(bytesOf(rebuilt, 0, 123), bytesOf(image, 0, 123));
}

void TestSettingsImage::userCharRecordsLandAtTheirImageBytes()
{
    WorkingValues values = factoryDefaults();
    UserCharRecord& first = values.userChars[0];
    first.code = 0x41;
    for (int row = 1; row <= kDotRows; ++row)
        for (int column = 1; column <= kDotColumns; ++column)
            UserChars::setDot(first, {row, column}, true);
    UserChars::setDot(values.userChars[8], {1, 1}, true);

    SettingsImage image{};
    encodeImage(values, image);

    QCOMPARE(bytesOf(image, 69, 6), QByteArray::fromHex("417F7F7F7F7F"));
    QCOMPARE(bytesOf(image, 75, 42), QByteArray(42, '\0'));
    QCOMPARE(bytesOf(image, 117, 6), QByteArray::fromHex("004000000000"));
}

void TestSettingsImage::factoryDefaultImageBytes()
{
    const SettingsImage image = factoryDefaultImage();

    QCOMPARE(bytesOf(image, 0, 7), QByteArray::fromHex("AA000000000001"));
    QCOMPARE(bytesOf(image, 7, 20), QByteArray::fromHex("2A2A2A2056464420444953504C415920202A2A2A"));
    QCOMPARE(bytesOf(image, 27, 40), QByteArray("**HAVE A NICE DAY AND THANK YOU**       "));
    QCOMPARE(bytesOf(image, 67, 2), QByteArray(2, '\0'));
    QCOMPARE(bytesOf(image, 69, 54), QByteArray(54, '\0'));
    QCOMPARE(bytesOf(image, 123, 4), QByteArray(4, '\0'));
    QVERIFY(!findImageFault(image));
}

void TestSettingsImage::factoryDefaultsMatchTheImage()
{
    const WorkingValues defaults = factoryDefaults();
    QCOMPARE(defaults.charType, 0);
    QCOMPARE(defaults.commandMode, 1);
    QCOMPARE(defaults.baudRate, 0);
    QCOMPARE(defaults.passthru, 0);
    QCOMPARE(decodeImage(factoryDefaultImage()), defaults);
}

QTEST_APPLESS_MAIN(TestSettingsImage)
#include "test_settings_image.moc"
