#include "tools/cli/ImageReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTest>

namespace {

QStringList linesOf(const std::string& text)
{
    return QString::fromStdString(text).split(QLatin1Char('\n'));
}

QJsonObject jsonOf(const SettingsImage& image)
{
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(ImageReport::json(image)), &error);
    if (error.error != QJsonParseError::NoError)
        qWarning() << "not JSON:" << error.errorString();
    return document.object();
}

// Character 3 with code 'A': top-left and bottom-right dots, column 3 fully lit, and column 2
// holding only bit 7, which is no dot.
SettingsImage imageWithCharacter3()
{
    SettingsImage image = factoryDefaultImage();
    const std::size_t at = ImageOffset::UserChars + 2 * 6;
    const std::array<std::uint8_t, 6> record{0x41, 0x40, 0x80, 0x7F, 0x00, 0x01};
    std::copy(record.begin(), record.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    return image;
}

} // namespace

class TestImageReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textOfTheFactoryDefaults()
    {
        SettingsImage image = factoryDefaultImage();
        image[ImageOffset::Tail + 3] = 0xC4;
        const QStringList lines = linesOf(ImageReport::text(image));
        QCOMPARE(lines.mid(0, 8), (QStringList{
                                      "Character type: 0 USA/EUROPE(Default)",
                                      "Command mode: 1 EPSON(Default)",
                                      "Baud rate: 0 9600,n,8,1(Default)",
                                      "Passthru mode: 0 None(Default)",
                                      "Welcome message 1: \"*** VFD DISPLAY  ***\"",
                                      "Welcome message 2: \"**HAVE A NICE DAY AN\"",
                                      "                   \"D THANK YOU**       \"",
                                      "Reserved tail: 00 00 00 C4",
                                  }));
        QCOMPARE(lines.filter(QStringLiteral("User-defined character")).size(), 9);
        QVERIFY(lines.contains("User-defined character 9: code 0x00 (none), columns 00 00 00 00 00"));
        QVERIFY(lines.last().isEmpty()); // ends in a line break
    }

    void welcomeBytesThatAreNotPrintableAreEscaped()
    {
        SettingsImage image = factoryDefaultImage();
        const std::array<std::uint8_t, 6> odd{0x00, 0x5C, 0x22, 0x7F, 0xFF, 0x7E};
        std::copy(odd.begin(), odd.end(), image.begin() + ImageOffset::Welcome1);
        const QStringList lines = linesOf(ImageReport::text(image));
        QCOMPARE(lines.at(4), QStringLiteral("Welcome message 1: \"\\x00\\x5C\"\\x7F\\xFF~D DISPLAY  ***\""));
    }

    void userCharacterIsDrawnColumnByColumn()
    {
        const QStringList lines = linesOf(ImageReport::text(imageWithCharacter3()));
        const qsizetype header =
            lines.indexOf("User-defined character 3: code 0x41 'A', columns 40 80 7F 00 01");
        QVERIFY(header >= 0);
        QCOMPARE(lines.mid(header + 1, 7), (QStringList{
                                               "  #.#..",
                                               "  ..#..",
                                               "  ..#..",
                                               "  ..#..",
                                               "  ..#..",
                                               "  ..#..",
                                               "  ..#.#",
                                           }));
    }

    void indicesThatNameNoEntry_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("index");

        QTest::newRow("character type 36") << int(ImageOffset::CharType) << 36 << "character_type"
                                           << "Character type: 36 (no such entry)" << 36;
        QTest::newRow("command mode 0xFF is -1") << int(ImageOffset::CommandMode) << 0xFF << "command_mode"
                                                 << "Command mode: -1 (no such entry)" << -1;
        QTest::newRow("baud rate 2") << int(ImageOffset::BaudRate) << 2 << "baud_rate"
                                     << "Baud rate: 2 (no such entry)" << 2;
        QTest::newRow("passthru 5") << int(ImageOffset::Passthru) << 5 << "passthru"
                                    << "Passthru mode: 5 (no such entry)" << 5;
    }

    void indicesThatNameNoEntry()
    {
        QFETCH(int, offset);
        QFETCH(int, byte);
        QFETCH(QString, key);
        QFETCH(QString, line);
        QFETCH(int, index);

        SettingsImage image = factoryDefaultImage();
        image[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(byte);
        QVERIFY(linesOf(ImageReport::text(image)).contains(line));
        const QJsonObject setting = jsonOf(image).value(key).toObject();
        QCOMPARE(setting.value("index").toInt(), index);
        QVERIFY(setting.value("name").isNull());
    }

    void jsonHoldsExactlyTheDocumentedKeys()
    {
        SettingsImage image = imageWithCharacter3();
        image[ImageOffset::Welcome1] = 0x0A;
        image[ImageOffset::Tail] = 0xAB;
        const QJsonObject object = jsonOf(image);

        QStringList keys = object.keys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"baud_rate", "character_type", "command_mode", "passthru", "tail",
                                    "user_chars", "welcome1", "welcome2"}));
        QCOMPARE(object.value("command_mode").toObject(),
                 (QJsonObject{{"index", 1}, {"name", "EPSON(Default)"}}));
        QCOMPARE(object.value("welcome1").toString(),
                 QStringLiteral("0A2A2A2056464420444953504C415920202A2A2A"));
        QCOMPARE(object.value("welcome2").toString().size(), 80);
        QVERIFY(object.value("welcome2").toString().startsWith("2A2A484156"));
        QCOMPARE(object.value("tail").toString(), QStringLiteral("AB000000"));

        const QJsonArray chars = object.value("user_chars").toArray();
        QCOMPARE(chars.size(), 9);
        for (int n = 0; n < 9; ++n)
            QCOMPARE(chars.at(n).toObject().value("number").toInt(), n + 1);
        QCOMPARE(
            chars.at(2).toObject(),
            (QJsonObject{{"number", 3}, {"code", 0x41}, {"columns", QJsonArray{0x40, 0x80, 0x7F, 0, 1}}}));
    }

    void reportsAnImageThatFailsTheChecks()
    {
        SettingsImage image{};
        image[ImageOffset::UserChars] = 0x10;
        QVERIFY(linesOf(ImageReport::text(image))
                    .contains("User-defined character 1: code 0x10, columns 00 00 00 00 00"));
        QCOMPARE(jsonOf(image).value("user_chars").toArray().at(0).toObject().value("code").toInt(), 0x10);
    }
};

QTEST_APPLESS_MAIN(TestImageReport)
#include "test_image_report.moc"
