#include "link/SimulatedDisplay.h"
#include "link/TransferProtocol.h"

#include <QtTest>

#include <algorithm>
#include <functional>

namespace {

using namespace Transfer;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

const Bytes kUpload{0x1B, 0xEE};
// Challenge 00 01 02 03, answered FA.
const Bytes kDownload{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x02, 0x00, 0x01, 0x02, 0x03};
constexpr std::uint8_t kResponse = 0xFA;

SettingsImage displayImage()
{
    SettingsImage image = factoryDefaultImage();
    image[ImageOffset::CharType] = 7;
    image[ImageOffset::Welcome1] = 'V';
    return image;
}

SettingsImage newImage()
{
    SettingsImage image = factoryDefaultImage();
    image[ImageOffset::CommandMode] = 3;
    image[ImageOffset::Welcome2] = 'N';
    return image;
}

Bytes bytesOf(const SettingsImage& image)
{
    return Bytes(image.begin(), image.end());
}

Bytes operator+(Bytes head, const Bytes& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes ascii(std::string_view characters)
{
    return Bytes(characters.begin(), characters.end());
}

// Feeds the bytes in pieces of the given size and gathers what comes back.
SimulatedDisplay::Output feedInPieces(SimulatedDisplay& display, const Bytes& bytes, std::size_t piece)
{
    SimulatedDisplay::Output all;
    for (std::size_t from = 0; from < bytes.size(); from += piece)
    {
        const std::size_t count = std::min(piece, bytes.size() - from);
        auto out = display.feed(std::span(bytes).subspan(from, count));
        all.reply.insert(all.reply.end(), out.reply.begin(), out.reply.end());
        all.log.insert(all.log.end(), out.log.begin(), out.log.end());
        if (out.acceptedImage)
            all.acceptedImage = out.acceptedImage;
    }
    return all;
}

QStringList messagesOf(const Actions& actions)
{
    QStringList messages;
    for (const Action& action : actions)
    {
        if (const auto* message = std::get_if<ShowMessage>(&action))
            messages << QString::fromStdString(message->text);
    }
    return messages;
}

} // namespace

Q_DECLARE_METATYPE(DisplayFault)
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(Lines)

class TestSimulatedDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsWithFactoryDefaults();
    void upload();
    void downloadAcceptsImage();
    void downloadRefusesFaultyImage();
    void splitRequests_data();
    void splitRequests();
    void text_data();
    void text();
    void shownTextKeepsLast40();
    void faults_data();
    void faults();
    void refusedChallengeAwaitsNoImage_data();
    void refusedChallengeAwaitsNoImage();
    void parseFault_data();
    void parseFault();
    void againstProtocol_data();
    void againstProtocol();
};

void TestSimulatedDisplay::startsWithFactoryDefaults()
{
    const SimulatedDisplay display;
    QCOMPARE(bytesOf(display.image()), bytesOf(factoryDefaultImage()));
    QCOMPARE(display.fault(), DisplayFault::None);
}

void TestSimulatedDisplay::upload()
{
    SimulatedDisplay display(displayImage());
    const auto out = display.feed(kUpload);
    QCOMPARE(out.reply, bytesOf(displayImage()));
    QCOMPARE(out.delayMs, 0);
    QCOMPARE(out.log, Lines{"upload: sent 127 bytes"});
    QVERIFY(!out.acceptedImage);
}

void TestSimulatedDisplay::downloadAcceptsImage()
{
    SimulatedDisplay display(displayImage());
    const auto challenge = display.feed(kDownload);
    QCOMPARE(challenge.reply, Bytes{kResponse});
    QCOMPARE(challenge.log, Lines{"download: challenge 00 01 02 03, answered FA"});

    const auto data = display.feed(bytesOf(newImage()));
    QVERIFY(data.reply.empty());
    QCOMPARE(data.log, Lines{"download: accepted image"});
    QVERIFY(data.acceptedImage);
    QCOMPARE(bytesOf(*data.acceptedImage), bytesOf(newImage()));
    QCOMPARE(bytesOf(display.image()), bytesOf(newImage()));

    // Back between requests: the next upload returns the new image.
    QCOMPARE(display.feed(kUpload).reply, bytesOf(newImage()));
}

void TestSimulatedDisplay::downloadRefusesFaultyImage()
{
    SimulatedDisplay display(displayImage());
    SettingsImage faulty = newImage();
    faulty[ImageOffset::CharType] = 36;
    const auto out = display.feed(kDownload + bytesOf(faulty) + kUpload);

    QCOMPARE(out.log, (Lines{"download: challenge 00 01 02 03, answered FA",
                             "download: refused image (Data6 Error)", "upload: sent 127 bytes"}));
    QVERIFY(!out.acceptedImage);
    QCOMPARE(out.reply, Bytes{kResponse} + bytesOf(displayImage()));
}

void TestSimulatedDisplay::splitRequests_data()
{
    QTest::addColumn<int>("piece");
    QTest::newRow("all at once") << 1000;
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("pairs") << 2;
    QTest::newRow("threes") << 3;
    QTest::newRow("sevens") << 7;
}

void TestSimulatedDisplay::splitRequests()
{
    QFETCH(int, piece);
    SimulatedDisplay display(displayImage());
    const Bytes stream = ascii("Hi") + kUpload + kDownload + bytesOf(newImage()) + kUpload + ascii("!");
    const auto out = feedInPieces(display, stream, static_cast<std::size_t>(piece));

    QCOMPARE(out.reply, bytesOf(displayImage()) + Bytes{kResponse} + bytesOf(newImage()));
    QVERIFY(out.acceptedImage);
    QCOMPARE(bytesOf(display.image()), bytesOf(newImage()));
    QCOMPARE(display.shownText(), std::string("Hi!"));
    const Lines exchanges{"upload: sent 127 bytes", "download: challenge 00 01 02 03, answered FA",
                          "download: accepted image", "upload: sent 127 bytes"};
    Lines logged;
    std::copy_if(out.log.begin(), out.log.end(), std::back_inserter(logged),
                 [](const std::string& line) { return !line.starts_with("text: "); });
    QCOMPARE(logged, exchanges);
}

void TestSimulatedDisplay::text_data()
{
    QTest::addColumn<Bytes>("input");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<Lines>("log");
    QTest::addColumn<int>("replyLength");

    QTest::newRow("plain") << ascii("Hello") << QByteArray("Hello") << Lines{"text: Hello"} << 0;
    QTest::newRow("control bytes shown, not logged")
        << Bytes{'A', 0x0D, 0x0A, 0xE9, 'B'} << QByteArray("A\r\n\xE9" "B") << Lines{"text: AB"} << 0;
    QTest::newRow("ESC and another byte are text") << Bytes{0x1B, 'A'} << QByteArray("\x1B" "A")
                                                   << Lines{"text: A"} << 0;
    QTest::newRow("ESC EF then ESC EE: text, then an upload")
        << Bytes{0x1B, 0xEF, 0x1B, 0xEE} << QByteArray("\x1B\xEF") << Lines{"upload: sent 127 bytes"} << 127;
    QTest::newRow("broken download prefix is text")
        << Bytes{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x03, 'x'} << QByteArray("\x1B\xEF\x02\x00\x01\x03x", 7)
        << Lines{"text: x"} << 0;
    QTest::newRow("text around a request")
        << (ascii("ab") + kUpload + ascii("cd")) << QByteArray("abcd")
        << Lines{"text: ab", "upload: sent 127 bytes", "text: cd"} << 127;
    QTest::newRow("unfinished request stays pending") << Bytes{'a', 0x1B, 0xEF, 0x02} << QByteArray("a")
                                                      << Lines{"text: a"} << 0;
}

void TestSimulatedDisplay::text()
{
    QFETCH(Bytes, input);
    QFETCH(QByteArray, shown);
    QFETCH(Lines, log);
    QFETCH(int, replyLength);

    SimulatedDisplay display;
    const auto out = display.feed(input);
    QCOMPARE(QByteArray::fromStdString(display.shownText()), shown);
    QCOMPARE(out.log, log);
    QCOMPARE(out.reply.size(), static_cast<std::size_t>(replyLength));
}

void TestSimulatedDisplay::shownTextKeepsLast40()
{
    SimulatedDisplay display;
    std::string fed;
    for (int i = 0; i < 45; ++i)
        fed += static_cast<char>('0' + i % 10);
    display.feed(ascii(fed.substr(0, 30)));
    display.feed(ascii(fed.substr(30)));
    QCOMPARE(display.shownText(), fed.substr(5));
}

void TestSimulatedDisplay::faults_data()
{
    QTest::addColumn<DisplayFault>("fault");
    QTest::addColumn<Bytes>("request");
    QTest::addColumn<Bytes>("reply");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<QString>("logLine");

    const Bytes image = bytesOf(displayImage());
    Bytes badHeader = image;
    badHeader[0] = 0x55;
    Bytes badImage = image;
    badImage[ImageOffset::CharType] = 36;
    const Bytes shortReply(image.begin(), image.begin() + 100);

    QTest::newRow("silent upload") << DisplayFault::Silent << kUpload << Bytes{} << 0
                                   << "upload: request ignored (silent)";
    QTest::newRow("silent download") << DisplayFault::Silent << kDownload << Bytes{} << 0
                                     << "download: challenge 00 01 02 03, not answered (silent)";
    QTest::newRow("wrong response") << DisplayFault::WrongResponse << kDownload << Bytes{0xFB} << 0
                                    << "download: challenge 00 01 02 03, answered FB (wrong)";
    QTest::newRow("wrong response, upload fine") << DisplayFault::WrongResponse << kUpload << image << 0
                                                 << "upload: sent 127 bytes";
    QTest::newRow("bad header") << DisplayFault::BadHeader << kUpload << badHeader << 0
                                << "upload: sent 127 bytes (bad header)";
    QTest::newRow("short reply") << DisplayFault::ShortReply << kUpload << shortReply << 0
                                 << "upload: sent 100 bytes";
    QTest::newRow("bad image") << DisplayFault::BadImage << kUpload << badImage << 0
                               << "upload: sent 127 bytes (bad image)";
    QTest::newRow("slow upload") << DisplayFault::Slow << kUpload << image << 250
                                 << "upload: sent 127 bytes after 250 ms";
    QTest::newRow("slow download") << DisplayFault::Slow << kDownload << Bytes{kResponse} << 250
                                   << "download: challenge 00 01 02 03, answered FA after 250 ms";
}

void TestSimulatedDisplay::faults()
{
    QFETCH(DisplayFault, fault);
    QFETCH(Bytes, request);
    QFETCH(Bytes, reply);
    QFETCH(int, delayMs);
    QFETCH(QString, logLine);

    SimulatedDisplay display(displayImage(), fault, 250);
    const auto out = display.feed(request);
    QCOMPARE(out.reply, reply);
    QCOMPARE(out.delayMs, delayMs);
    QCOMPARE(out.log, Lines{logLine.toStdString()});
    // The fault changes the reply, never what the display holds.
    QCOMPARE(bytesOf(display.image()), bytesOf(displayImage()));
}

void TestSimulatedDisplay::refusedChallengeAwaitsNoImage_data()
{
    QTest::addColumn<DisplayFault>("fault");
    QTest::newRow("silent") << DisplayFault::Silent;
    QTest::newRow("wrong response") << DisplayFault::WrongResponse;
}

void TestSimulatedDisplay::refusedChallengeAwaitsNoImage()
{
    QFETCH(DisplayFault, fault);
    SimulatedDisplay display(displayImage(), fault);
    display.feed(kDownload);
    display.setFault(DisplayFault::None);

    // The program sends no image after a refused challenge; its next request must be understood.
    const auto out = display.feed(kUpload);
    QCOMPARE(out.reply, bytesOf(displayImage()));
}

void TestSimulatedDisplay::parseFault_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<DisplayFault>("fault");
    QTest::addColumn<int>("delayMs");

    QTest::newRow("none") << "none" << true << DisplayFault::None << 0;
    QTest::newRow("silent") << "silent" << true << DisplayFault::Silent << 0;
    QTest::newRow("wrong-response") << "wrong-response" << true << DisplayFault::WrongResponse << 0;
    QTest::newRow("bad-header") << "bad-header" << true << DisplayFault::BadHeader << 0;
    QTest::newRow("short-reply") << "short-reply" << true << DisplayFault::ShortReply << 0;
    QTest::newRow("bad-image") << "bad-image" << true << DisplayFault::BadImage << 0;
    QTest::newRow("slow=0") << "slow=0" << true << DisplayFault::Slow << 0;
    QTest::newRow("slow=1500") << "slow=1500" << true << DisplayFault::Slow << 1500;
    QTest::newRow("slow=60000") << "slow=60000" << true << DisplayFault::Slow << 60000;
    QTest::newRow("slow=60001") << "slow=60001" << false << DisplayFault::None << -1;
    QTest::newRow("slow=99999999999") << "slow=99999999999" << false << DisplayFault::None << -1;
    QTest::newRow("slow=-5") << "slow=-5" << false << DisplayFault::None << -1;
    QTest::newRow("slow=+5") << "slow=+5" << false << DisplayFault::None << -1;
    QTest::newRow("slow=") << "slow=" << false << DisplayFault::None << -1;
    QTest::newRow("slow=12ms") << "slow=12ms" << false << DisplayFault::None << -1;
    QTest::newRow("slow") << "slow" << false << DisplayFault::None << -1;
    QTest::newRow("upper case") << "Silent" << false << DisplayFault::None << -1;
    QTest::newRow("empty") << "" << false << DisplayFault::None << -1;
    QTest::newRow("trailing blank") << "none " << false << DisplayFault::None << -1;
}

void TestSimulatedDisplay::parseFault()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);
    QFETCH(DisplayFault, fault);
    QFETCH(int, delayMs);

    int delay = -1;
    const std::string text = name.toStdString();
    const auto parsed = SimulatedDisplay::parseFault(text, delay);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, fault);
    QCOMPARE(delay, delayMs);
}

void TestSimulatedDisplay::againstProtocol_data()
{
    QTest::addColumn<DisplayFault>("fault");
    QTest::addColumn<bool>("download");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("upload") << DisplayFault::None << false << QStringList{"Upload OK!"};
    QTest::newRow("upload, slow") << DisplayFault::Slow << false << QStringList{"Upload OK!"};
    QTest::newRow("upload, bad header") << DisplayFault::BadHeader << false << QStringList{"Data1 Error"};
    QTest::newRow("upload, bad image") << DisplayFault::BadImage << false << QStringList{"Data6 Error"};
    QTest::newRow("upload, short reply")
        << DisplayFault::ShortReply << false << QStringList{"Upload Time out"};
    QTest::newRow("upload, silent") << DisplayFault::Silent << false << QStringList{"Upload Time out"};
    QTest::newRow("download") << DisplayFault::None << true << QStringList{"Download OK!"};
    QTest::newRow("download, wrong response") << DisplayFault::WrongResponse << true
                                              << QStringList{"Download chek Error"};
    QTest::newRow("download, silent") << DisplayFault::Silent << true << QStringList{"Download Time out"};
}

void TestSimulatedDisplay::againstProtocol()
{
    QFETCH(DisplayFault, fault);
    QFETCH(bool, download);
    QFETCH(QStringList, messages);

    SimulatedDisplay display(displayImage(), fault, 10);
    SettingsImage shared{};
    TransferProtocol protocol(shared);
    QStringList shown;
    bool applied = false;

    // Carries out the protocol's actions, writing to the display, until nothing more comes back.
    std::function<void(const Actions&)> run = [&](const Actions& actions) {
        for (const Action& action : actions)
        {
            if (std::holds_alternative<ApplyImage>(action))
            {
                applied = true;
            }
            else if (std::holds_alternative<SendImage>(action))
            {
                const SettingsImage built = newImage();
                const auto out = display.feed(built);
                QVERIFY(out.reply.empty());
                run(protocol.imageWritten());
            }
        }
        shown += messagesOf(actions);
    };

    if (download)
    {
        const auto request = protocol.prepareDownload(4321);
        const auto reply = display.feed(request).reply;
        run(protocol.downloadRequestWritten());
        run(protocol.received(reply, false));
    }
    else
    {
        const auto reply = display.feed(protocol.uploadRequest()).reply;
        run(protocol.uploadRequestWritten());
        run(protocol.received(reply, false));
    }
    if (protocol.uploading() || protocol.downloading())
        run(protocol.timerExpired());

    QCOMPARE(shown, messages);
    if (messages == QStringList{"Upload OK!"})
    {
        QVERIFY(applied);
        QCOMPARE(bytesOf(shared), bytesOf(displayImage()));
    }
    const bool accepted = messages == QStringList{"Download OK!"};
    QCOMPARE(bytesOf(display.image()), bytesOf(accepted ? newImage() : displayImage()));
}

QTEST_APPLESS_MAIN(TestSimulatedDisplay)
#include "test_simulated_display.moc"
