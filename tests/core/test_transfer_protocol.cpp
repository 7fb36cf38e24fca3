#include "link/TransferProtocol.h"

#include <QtTest>

#include <set>
#include <type_traits>

namespace {

using namespace Transfer;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kTick = 1234;

struct Step
{
    enum class Kind
    {
        ClickUpload,
        ClickDownload,
        Receive,
        Expire,
        ImageWritten,
        ImageWriteFailed,
    };
    Kind kind;
    Bytes bytes{};
    std::uint32_t tick = kTick;
};
using Script = std::vector<Step>;

Step clickUpload()
{
    return {Step::Kind::ClickUpload};
}

Step clickDownload(std::uint32_t tick = kTick)
{
    return {Step::Kind::ClickDownload, {}, tick};
}

Step receive(Bytes bytes)
{
    return {Step::Kind::Receive, std::move(bytes)};
}

Step expire()
{
    return {Step::Kind::Expire};
}

Step imageWritten()
{
    return {Step::Kind::ImageWritten};
}

Step imageWriteFailed()
{
    return {Step::Kind::ImageWriteFailed};
}

std::uint8_t responseFor(std::uint32_t tick)
{
    std::array<std::uint8_t, 10> request{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x02};
    const auto challenge = TransferProtocol::DrawChallenge(tick);
    std::copy(challenge.begin(), challenge.end(), request.begin() + 6);
    return TransferProtocol::DownloadResponse(request);
}

// A tick after kTick whose challenge expects a different response.
std::uint32_t otherTick()
{
    std::uint32_t tick = kTick + 1;
    while (responseFor(tick) == responseFor(kTick))
        ++tick;
    return tick;
}

Bytes goodReply()
{
    SettingsImage image = factoryDefaultImage();
    // Distinct bytes in the welcome texts show where each one was stored.
    for (std::size_t i = ImageOffset::Welcome1; i < ImageOffset::Welcome2 + kWelcome2Length; ++i)
        image[i] = static_cast<std::uint8_t>(i);
    return Bytes(image.begin(), image.end());
}

Bytes patched(Bytes bytes, std::size_t offset, std::uint8_t value)
{
    bytes[offset] = value;
    return bytes;
}

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t count)
{
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

Bytes operator+(Bytes head, const Bytes& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

QString tagged(const ShowMessage& message)
{
    const char* icon = message.icon == Icon::Warning ? "W:" : message.icon == Icon::Information ? "I:" : "S:";
    return icon + QString::fromStdString(message.text);
}

bool reportsUpload(const std::string& text)
{
    return text.starts_with("Data") || text.starts_with("Upload");
}

bool reportsDownloadEnd(const std::string& text)
{
    return text == "Download chek Error" || text == "Download Time out";
}

// Carries out the actions as the main window does, with its own view of the two timers, and
// checks after every call what must hold between calls.
class Owner
{
public:
    SettingsImage image{};
    TransferProtocol protocol{image};
    bool uploadTimer = false;
    bool downloadTimer = false;
    // Everything but the timers and the echo, in order: message boxes as icon:text.
    QStringList events;
    std::string echo;

    void clickUpload()
    {
        QCOMPARE(protocol.uploadRequest(), (std::array<std::uint8_t, 2>{0x1B, 0xEE}));
        run(protocol.uploadRequestWritten());
    }

    void clickDownload(std::uint32_t tick)
    {
        protocol.prepareDownload(tick);
        run(protocol.downloadRequestWritten());
    }

    void play(const Step& step)
    {
        switch (step.kind)
        {
        case Step::Kind::ClickUpload:
            return clickUpload();
        case Step::Kind::ClickDownload:
            return clickDownload(step.tick);
        case Step::Kind::Receive:
            return run(protocol.received(step.bytes, true));
        case Step::Kind::Expire:
            return run(protocol.timerExpired());
        case Step::Kind::ImageWritten:
            return run(protocol.imageWritten());
        case Step::Kind::ImageWriteFailed:
            return run(protocol.imageWriteFailed("Port gone"));
        }
    }

    void run(const Actions& actions)
    {
        for (std::size_t i = 0; i < actions.size(); ++i)
        {
            const Action& action = actions[i];
            if (const auto* e = std::get_if<Echo>(&action))
            {
                QVERIFY2(i == 0, "the echo of a batch comes before everything else");
                echo += e->text;
            }
            else if (const auto* start = std::get_if<StartTimer>(&action))
            {
                timer(start->timer) = true;
            }
            else if (const auto* stop = std::get_if<StopTimer>(&action))
            {
                QVERIFY2(timer(stop->timer), "stop of a timer that is not running");
                timer(stop->timer) = false;
            }
            else if (std::holds_alternative<ApplyImage>(action))
            {
                QVERIFY(!findImageFault(image));
                events << "ApplyImage";
            }
            else if (std::holds_alternative<SendImage>(action))
            {
                QVERIFY(protocol.imageSendPending());
                events << "SendImage";
            }
            else if (const auto* message = std::get_if<ShowMessage>(&action))
            {
                // A box reports a state that is already in place, timer included.
                if (reportsUpload(message->text))
                    QVERIFY(!uploadTimer && !protocol.uploading());
                if (reportsDownloadEnd(message->text))
                    QVERIFY(!downloadTimer && !protocol.downloading());
                events << tagged(*message);
            }
            else
            {
                QFAIL("the protocol never writes by itself");
            }
        }
        QCOMPARE(protocol.uploading(), uploadTimer);
        QCOMPARE(protocol.downloading(), downloadTimer);
        QVERIFY(protocol.receivedCount() >= 0 && protocol.receivedCount() < static_cast<int>(kImageSize));
    }

private:
    bool& timer(TimerId id) { return id == TimerId::Upload ? uploadTimer : downloadTimer; }
};

} // namespace

Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(Bytes)

class TestTransferProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transitions_data();
    void transitions();
    void uploadFillsSharedImage_data();
    void uploadFillsSharedImage();
    void shortReplyKeepsStoredBytesAndCount();
    void echo_data();
    void echo();
    void downloadResponse_data();
    void downloadResponse();
    void challengeRangeAndSpread();
    void prepareDownloadStoresChallengeWithoutChangingState();
};

void TestTransferProtocol::transitions_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("uploading");
    QTest::addColumn<bool>("downloading");

    const Bytes reply = goodReply();
    const std::uint8_t r = responseFor(kTick);
    const auto wrong = static_cast<std::uint8_t>(r + 1);
    const std::uint32_t tickB = otherTick();
    const std::uint8_t rB = responseFor(tickB);
    const QStringList uploaded{"ApplyImage", "I:Upload OK!"};

    Script byteByByte{clickUpload()};
    for (std::uint8_t b : reply)
        byteByByte.push_back(receive({b}));

    QTest::newRow("upload, whole reply in one batch")
        << Script{clickUpload(), receive(reply)} << uploaded << false << false;
    QTest::newRow("upload, byte by byte") << byteByByte << uploaded << false << false;
    QTest::newRow("upload, uneven pieces")
        << Script{clickUpload(), receive(slice(reply, 0, 1)), receive({}), receive(slice(reply, 1, 60)),
                  receive(slice(reply, 61, 66))}
        << uploaded << false << false;
    QTest::newRow("upload, trailing junk only echoed, no time-out after")
        << Script{clickUpload(), receive(reply + Bytes{0xAA, 0x00, r}), expire()} << uploaded << false
        << false;
    QTest::newRow("upload, short reply then time-out")
        << Script{clickUpload(), receive(slice(reply, 0, 100)), expire()} << QStringList{"W:Upload Time out"}
        << false << false;
    QTest::newRow("upload, 126 bytes are not enough")
        << Script{clickUpload(), receive(slice(reply, 0, 126))} << QStringList{} << true << false;
    QTest::newRow("upload, bad first byte, rest echoed, no time-out")
        << Script{clickUpload(), receive(patched(reply, 0, 0x55)), expire()} << QStringList{"W:Data1 Error"}
        << false << false;
    QTest::newRow("upload, rejected image: fault only, not applied")
        << Script{clickUpload(), receive(patched(reply, ImageOffset::CharType, 36))}
        << QStringList{"W:Data6 Error"} << false << false;
    QTest::newRow("upload, rejected user character")
        << Script{clickUpload(), receive(patched(reply, ImageOffset::UserChars + 18, 0x10))}
        << QStringList{"W:Data13 Error"} << false << false;
    QTest::newRow("upload, second click restarts the count")
        << Script{clickUpload(), receive(slice(reply, 0, 50)), clickUpload(), receive(reply)} << uploaded
        << false << false;
    QTest::newRow("upload, after a second click the next byte must be AA")
        << Script{clickUpload(), receive({0xAA, 0x00}), clickUpload(), receive({0x00})}
        << QStringList{"W:Data1 Error"} << false << false;
    QTest::newRow("upload, a download click restarts the upload")
        << Script{clickUpload(), receive(slice(reply, 0, 50)), clickDownload(), receive(reply + Bytes{r})}
        << (uploaded + QStringList{"SendImage"}) << false << false;

    QTest::newRow("download, right response, then written")
        << Script{clickDownload(), receive({r}), imageWritten()} << QStringList{"SendImage", "I:Download OK!"}
        << false << false;
    QTest::newRow("download, no OK before the image is written")
        << Script{clickDownload(), receive({r})} << QStringList{"SendImage"} << false << false;
    QTest::newRow("download, image write fails")
        << Script{clickDownload(), receive({r}), imageWriteFailed(), imageWritten(), expire()}
        << QStringList{"SendImage", "S:Port gone"} << false << false;
    QTest::newRow("download, one OK per image")
        << Script{clickDownload(), receive({r}), imageWritten(), imageWritten()}
        << QStringList{"SendImage", "I:Download OK!"} << false << false;
    QTest::newRow("download, response with trailing junk")
        << Script{clickDownload(), receive({r, wrong, 0x00})} << QStringList{"SendImage"} << false << false;
    QTest::newRow("download, wrong response, no time-out after")
        << Script{clickDownload(), receive({wrong, r}), expire()} << QStringList{"W:Download chek Error"}
        << false << false;
    QTest::newRow("download, no response")
        << Script{clickDownload(), receive({}), expire()} << QStringList{"W:Download Time out"} << false
        << false;
    QTest::newRow("download, second click replaces the challenge (old response)")
        << Script{clickDownload(), clickDownload(tickB), receive({r})} << QStringList{"W:Download chek Error"}
        << false << false;
    QTest::newRow("download, second click replaces the challenge (new response)")
        << Script{clickDownload(), clickDownload(tickB), receive({rB})} << QStringList{"SendImage"} << false
        << false;

    QTest::newRow("both, upload then response in one batch")
        << Script{clickUpload(), clickDownload(), receive(reply + Bytes{r})}
        << (uploaded + QStringList{"SendImage"}) << false << false;
    QTest::newRow("both, download clicked first")
        << Script{clickDownload(), clickUpload(), receive(reply), receive({r})}
        << (uploaded + QStringList{"SendImage"}) << false << false;
    QTest::newRow("both, 128th byte is a wrong response")
        << Script{clickUpload(), clickDownload(), receive(reply + Bytes{wrong})}
        << (uploaded + QStringList{"W:Download chek Error"}) << false << false;
    QTest::newRow("both, response byte taken by the upload")
        << Script{clickUpload(), clickDownload(), receive({0xAA, r})} << QStringList{} << true << true;
    QTest::newRow("both, bad first byte, next byte is the response")
        << Script{clickUpload(), clickDownload(), receive({0x55, r})}
        << QStringList{"W:Data1 Error", "SendImage"} << false << false;
    QTest::newRow("both, one expiry ends both, upload first")
        << Script{clickUpload(), clickDownload(), receive(slice(reply, 0, 10)), expire()}
        << QStringList{"W:Upload Time out", "W:Download Time out"} << false << false;

    QTest::newRow("idle, bytes only echoed")
        << Script{receive({0xAA, r, 0x1B})} << QStringList{} << false << false;
    QTest::newRow("idle, expiry and write reports do nothing")
        << Script{expire(), imageWritten(), imageWriteFailed()} << QStringList{} << false << false;
}

void TestTransferProtocol::transitions()
{
    QFETCH(Script, script);
    QFETCH(QStringList, events);
    QFETCH(bool, uploading);
    QFETCH(bool, downloading);

    Owner owner;
    for (const Step& step : script)
    {
        owner.play(step);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(owner.events, events);
    QCOMPARE(owner.protocol.uploading(), uploading);
    QCOMPARE(owner.protocol.downloading(), downloading);
}

void TestTransferProtocol::uploadFillsSharedImage_data()
{
    QTest::addColumn<int>("piece");
    QTest::newRow("one batch") << 127;
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("pieces of 20") << 20;
}

void TestTransferProtocol::uploadFillsSharedImage()
{
    QFETCH(int, piece);
    const Bytes reply = goodReply();
    Owner owner;
    owner.clickUpload();
    for (std::size_t from = 0; from < reply.size(); from += static_cast<std::size_t>(piece))
    {
        const std::size_t count = std::min<std::size_t>(piece, reply.size() - from);
        owner.run(owner.protocol.received(slice(reply, from, count), false));
    }

    QCOMPARE(Bytes(owner.image.begin(), owner.image.end()), reply);
    QCOMPARE(owner.protocol.receivedCount(), 0);
}

void TestTransferProtocol::shortReplyKeepsStoredBytesAndCount()
{
    const Bytes reply = goodReply();
    Owner owner;
    owner.image.fill(0x77);
    owner.clickUpload();
    owner.run(owner.protocol.received(slice(reply, 0, 100), false));
    owner.run(owner.protocol.timerExpired());

    QCOMPARE(owner.protocol.receivedCount(), 100);
    QCOMPARE(Bytes(owner.image.begin(), owner.image.begin() + 100), slice(reply, 0, 100));
    QVERIFY(std::all_of(owner.image.begin() + 100, owner.image.end(), [](auto b) { return b == 0x77; }));
    QVERIFY(!owner.events.contains("ApplyImage"));

    owner.clickUpload();
    QCOMPARE(owner.protocol.receivedCount(), 0);
}

void TestTransferProtocol::echo_data()
{
    QTest::addColumn<Bytes>("batch");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("hex, no leading zeros") << Bytes{0x1B, 0xEE, 0x05} << true << QByteArray("1B EE 5 ");
    QTest::newRow("hex, zero byte") << Bytes{0x00, 0x0A, 0xAA} << true << QByteArray("0 A AA ");
    QTest::newRow("char, zero byte adds nothing") << Bytes{0x41, 0x00, 0x42} << false << QByteArray("AB");
    QTest::newRow("char, high byte as it is") << Bytes{0xE9, 0x0D} << false << QByteArray("\xE9\r");
    QTest::newRow("char, only zero bytes") << Bytes{0x00, 0x00} << false << QByteArray();
    QTest::newRow("empty batch, hex") << Bytes{} << true << QByteArray();
}

void TestTransferProtocol::echo()
{
    QFETCH(Bytes, batch);
    QFETCH(bool, hex);
    QFETCH(QByteArray, text);

    SettingsImage image{};
    TransferProtocol protocol(image);
    const Actions actions = protocol.received(batch, hex);
    if (text.isEmpty())
    {
        QVERIFY(actions.empty());
        return;
    }
    QCOMPARE(actions.size(), std::size_t{1});
    QCOMPARE(std::get<Echo>(actions.front()).text, text.toStdString());
}

void TestTransferProtocol::downloadResponse_data()
{
    QTest::addColumn<Bytes>("challenge");
    QTest::addColumn<int>("response");

    QTest::newRow("00 00 00 00") << Bytes{0, 0, 0, 0} << 0x00;
    QTest::newRow("00 01 00 00") << Bytes{0, 1, 0, 0} << 0x11;
    QTest::newRow("00 00 02 03") << Bytes{0, 0, 2, 3} << 0xE9;
    QTest::newRow("00 01 02 03") << Bytes{0, 1, 2, 3} << 0xFA;
    // c0 = 1 gives 170: t wraps at every step.
    QTest::newRow("01 00 00 00") << Bytes{1, 0, 0, 0} << 0xAA;
    QTest::newRow("FF FF FF FF") << Bytes{0xFF, 0xFF, 0xFF, 0xFF}
                                 << ((170 * 255 + 17 * 255 - 10 * 255 - 255) & 0xFF);
}

void TestTransferProtocol::downloadResponse()
{
    QFETCH(Bytes, challenge);
    QFETCH(int, response);

    std::array<std::uint8_t, 10> request{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x02};
    std::copy(challenge.begin(), challenge.end(), request.begin() + 6);
    QCOMPARE(int(TransferProtocol::DownloadResponse(request)), response);
}

void TestTransferProtocol::challengeRangeAndSpread()
{
    std::set<std::array<std::uint8_t, 4>> seen;
    std::vector<std::uint32_t> ticks{0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 2147483646u};
    for (std::uint32_t tick = 0; tick < 5000; ++tick)
        ticks.push_back(tick * 7919u);

    for (const std::uint32_t tick : ticks)
    {
        const auto challenge = TransferProtocol::DrawChallenge(tick);
        QCOMPARE(challenge, TransferProtocol::DrawChallenge(tick));
        QCOMPARE(challenge[0], std::uint8_t{0});
        QVERIFY(challenge[1] < 2 && challenge[2] < 3 && challenge[3] < 4);
        seen.insert(challenge);
    }
    // Every combination turns up: the three draws are not stuck or tied to each other.
    QCOMPARE(seen.size(), std::size_t{2 * 3 * 4});
}

void TestTransferProtocol::prepareDownloadStoresChallengeWithoutChangingState()
{
    const Bytes reply = goodReply();
    Owner owner;
    owner.clickUpload();
    owner.run(owner.protocol.received(slice(reply, 0, 5), false));

    for (std::uint32_t tick : {0u, 1u, 999u, 0xFFFFFFFFu})
    {
        // The write of the request fails: no downloadRequestWritten() follows.
        const auto request = owner.protocol.prepareDownload(tick);
        QCOMPARE(request, owner.protocol.downloadRequest());
        QCOMPARE(slice(Bytes(request.begin(), request.end()), 0, 7),
                 (Bytes{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x02, 0x00}));
        const auto challenge = TransferProtocol::DrawChallenge(tick);
        QVERIFY(std::equal(challenge.begin(), challenge.end(), request.begin() + 6));
    }
    QVERIFY(owner.protocol.uploading());
    QVERIFY(!owner.protocol.downloading());
    QCOMPARE(owner.protocol.receivedCount(), 5);
}

QTEST_APPLESS_MAIN(TestTransferProtocol)
#include "test_transfer_protocol.moc"
