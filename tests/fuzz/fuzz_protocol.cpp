// The transfer protocol driven by any sequence of clicks, received batches, timer expiries, image
// write outcomes and writes of the shared image by others, decoded from the input. A stand-in owner
// carries out the actions the way the window's session does (messages last, each box able to let
// further events in) and after every step checks:
// - each flag is set exactly while its timer runs, and no timer is stopped that is not running;
// - the count stays in 0..126;
// - the actions are exactly those of a separate model of the exchanges, so an image is written
//   only right after the right response byte and an upload is applied only when it passes;
// - every message is shown with its exchange already settled;
// - every received byte is echoed once, first, in the chosen form.
#include "FuzzCheck.h"

#include "link/TransferProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace Transfer;
using Bytes = std::vector<std::uint8_t>;

constexpr int kMaxSteps = 400;
constexpr int kMaxNesting = 3;
constexpr std::size_t kMaxBatch = 300;
constexpr std::array<std::uint8_t, 6> kDownloadPrefix{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x02};
const std::string kWriteFailure = "Write failed";

// The exchanges written down once more, from their description rather than from the code.
class Model
{
public:
    bool uploading = false;
    bool downloading = false;
    int count = 0;
    int sendsPending = 0;
    SettingsImage image{};
    std::array<std::uint8_t, 10> request{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x02, 0x01, 0x01, 0x01, 0x01};

    Actions uploadRequested()
    {
        uploading = true;
        count = 0;
        return {StartTimer{TimerId::Upload}};
    }

    Actions downloadRequested()
    {
        downloading = true;
        count = 0;
        return {StartTimer{TimerId::Download}};
    }

    Actions received(const Bytes& batch)
    {
        Actions actions;
        for (const std::uint8_t byte : batch) {
            if (uploading)
                uploadByte(byte, actions);
            else if (downloading)
                responseByte(byte, actions);
        }
        return actions;
    }

    Actions expired()
    {
        Actions actions;
        if (uploading)
            actions.insert(actions.end(), {StopTimer{TimerId::Upload}, ShowMessage{"Upload Time out"}});
        if (downloading)
            actions.insert(actions.end(), {StopTimer{TimerId::Download}, ShowMessage{"Download Time out"}});
        uploading = downloading = false;
        return actions;
    }

    Actions writeReported(bool written)
    {
        if (sendsPending == 0)
            return {};
        --sendsPending;
        if (written)
            return {ShowMessage{"Download OK!", Icon::Information}};
        return {ShowMessage{kWriteFailure, Icon::Stop}};
    }

    std::uint8_t response() const
    {
        const int value = 170 * request[6] + 17 * request[7] - 10 * request[8] - request[9];
        return static_cast<std::uint8_t>(((value % 256) + 256) % 256);
    }

private:
    void uploadByte(std::uint8_t byte, Actions& actions)
    {
        if (count == 0 && byte != 0xAA) {
            uploading = false;
            actions.insert(actions.end(), {StopTimer{TimerId::Upload}, ShowMessage{"Data1 Error"}});
            return;
        }
        image[static_cast<std::size_t>(count++)] = byte;
        if (count < static_cast<int>(kImageSize))
            return;
        uploading = false;
        count = 0;
        actions.push_back(StopTimer{TimerId::Upload});
        if (const auto fault = findImageFault(image))
            actions.push_back(ShowMessage{faultMessage(*fault)});
        else
            actions.insert(actions.end(), {ApplyImage{}, ShowMessage{"Upload OK!", Icon::Information}});
    }

    void responseByte(std::uint8_t byte, Actions& actions)
    {
        downloading = false;
        actions.push_back(StopTimer{TimerId::Download});
        if (byte == response()) {
            ++sendsPending;
            actions.push_back(SendImage{});
        } else {
            actions.push_back(ShowMessage{"Download chek Error"});
        }
    }
};

std::string echoOf(const Bytes& batch, bool hex)
{
    std::string text;
    for (const std::uint8_t byte : batch) {
        char piece[4] = {};
        if (hex)
            std::snprintf(piece, sizeof piece, "%X ", static_cast<unsigned>(byte));
        else
            piece[0] = static_cast<char>(byte);
        text += piece;
    }
    return text;
}

bool endsUpload(const std::string& text)
{
    return text.starts_with("Data") || text.starts_with("Upload");
}

bool endsDownload(const std::string& text)
{
    return text == "Download chek Error" || text == "Download Time out";
}

class Owner
{
public:
    explicit Owner(FuzzedDataProvider& input) : m_input(input) {}

    void play()
    {
        for (int step = 0; step < kMaxSteps && m_input.remaining_bytes() > 0; ++step)
            playStep();
    }

private:
    enum class Step
    {
        ClickUpload,
        ClickDownload,
        Receive,
        Expire,
        ImageWritten,
        ImageBuiltByOthers,
        kMaxValue = ImageBuiltByOthers,
    };

    void playStep()
    {
        switch (m_input.ConsumeEnum<Step>()) {
        case Step::ClickUpload:
            return clickUpload();
        case Step::ClickDownload:
            return clickDownload();
        case Step::Receive:
            return receive();
        case Step::Expire:
            return expire();
        case Step::ImageWritten:
            // Only the port's report that the image has left; a report with nothing sent is ignored.
            return run(m_protocol.imageWritten(), m_model.writeReported(true));
        case Step::ImageBuiltByOthers:
            // A save while an upload collects builds bytes 0..122 of the same buffer under it.
            encodeImage(factoryDefaults(), m_image);
            encodeImage(factoryDefaults(), m_model.image);
            return checkState();
        }
    }

    void clickUpload()
    {
        FUZZ_CHECK(m_protocol.uploadRequest() == TransferProtocol::kUploadRequest);
        if (m_input.ConsumeBool())
            return checkState(); // the write failed: nothing changes
        run(m_protocol.uploadRequestWritten(), m_model.uploadRequested());
    }

    void clickDownload()
    {
        const auto request = m_protocol.prepareDownload(m_input.ConsumeIntegral<std::uint32_t>());
        FUZZ_CHECK(request == m_protocol.downloadRequest());
        FUZZ_CHECK(std::equal(kDownloadPrefix.begin(), kDownloadPrefix.end(), request.begin()));
        FUZZ_CHECK(request[6] == 0 && request[7] < 2 && request[8] < 3 && request[9] < 4);
        m_model.request = request;
        if (m_input.ConsumeBool())
            return checkState();
        run(m_protocol.downloadRequestWritten(), m_model.downloadRequested());
    }

    Bytes batch()
    {
        switch (m_input.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return m_input.ConsumeBytes<std::uint8_t>(
                m_input.ConsumeIntegralInRange<std::size_t>(0, kMaxBatch));
        case 1: {
            const auto delta = m_input.ConsumeIntegralInRange<std::uint8_t>(0, 2);
            return {static_cast<std::uint8_t>(m_model.response() + delta)};
        }
        default: {
            // A piece of a reply: the factory image, a few bytes changed, most of it accepted.
            SettingsImage reply = factoryDefaultImage();
            for (int n = m_input.ConsumeIntegralInRange(0, 3); n > 0; --n)
                reply[m_input.ConsumeIntegralInRange<std::size_t>(0, kImageSize - 1)] =
                    m_input.ConsumeIntegral<std::uint8_t>();
            const auto from = m_input.ConsumeIntegralInRange<std::size_t>(0, kImageSize);
            const auto to = m_input.ConsumeIntegralInRange<std::size_t>(from, kImageSize);
            Bytes bytes(reply.begin() + static_cast<std::ptrdiff_t>(from),
                        reply.begin() + static_cast<std::ptrdiff_t>(to));
            if (m_input.ConsumeBool())
                bytes.push_back(m_model.response());
            return bytes;
        }
        }
    }

    void receive()
    {
        const bool hex = m_input.ConsumeBool();
        const Bytes bytes = batch();
        Actions actions = m_protocol.received(bytes, hex);

        const std::string echo = echoOf(bytes, hex);
        if (echo.empty()) {
            FUZZ_CHECK(actions.empty() || !std::holds_alternative<Echo>(actions.front()));
        } else {
            FUZZ_CHECK(!actions.empty() && actions.front() == Action{Echo{echo}});
            actions.erase(actions.begin());
        }
        run(actions, m_model.received(bytes));
    }

    void expire()
    {
        const auto id = m_input.ConsumeBool() ? TimerId::Upload : TimerId::Download;
        // A single-shot timer has stopped by the time its expiry is handled.
        if (timer(id)) {
            timer(id) = false;
            m_expired = id;
        }
        run(m_protocol.timerExpired(), m_model.expired());
        m_expired.reset();
    }

    // Carries out the actions as the session does: everything but the messages in order, then the
    // messages, each in a box whose event loop may deliver further events.
    void run(const Actions& actions, const Actions& expected)
    {
        FUZZ_CHECK(actions == expected);

        std::vector<ShowMessage> messages;
        for (const Action& action : actions) {
            if (const auto* start = std::get_if<StartTimer>(&action)) {
                timer(start->timer) = true;
            } else if (const auto* stop = std::get_if<StopTimer>(&action)) {
                FUZZ_CHECK(timer(stop->timer) || m_expired == stop->timer);
                timer(stop->timer) = false;
            } else if (std::holds_alternative<ApplyImage>(action)) {
                FUZZ_CHECK(!findImageFault(m_image));
            } else if (std::holds_alternative<SendImage>(action)) {
                FUZZ_CHECK(m_protocol.imageSendPending());
                encodeImage(factoryDefaults(), m_image);
                encodeImage(factoryDefaults(), m_model.image);
                if (!m_input.ConsumeBool())
                    continue; // written; the port reports it in a later step
                const Actions failed = m_protocol.imageWriteFailed(kWriteFailure);
                FUZZ_CHECK(failed == m_model.writeReported(false));
                messages.push_back(std::get<ShowMessage>(failed.front()));
                break;
            } else if (const auto* message = std::get_if<ShowMessage>(&action)) {
                messages.push_back(*message);
            } else {
                Fuzz::fail("the protocol writes nothing itself and echoes only first", __FILE__, __LINE__);
            }
        }
        checkState();

        bool eventsLetIn = false;
        for (const ShowMessage& message : messages) {
            if (!eventsLetIn) {
                if (endsUpload(message.text))
                    FUZZ_CHECK(!m_protocol.uploading() && !timer(TimerId::Upload));
                if (endsDownload(message.text))
                    FUZZ_CHECK(!m_protocol.downloading() && !timer(TimerId::Download));
            }
            if (m_nesting < kMaxNesting && m_input.remaining_bytes() > 0 && m_input.ConsumeBool()) {
                ++m_nesting;
                eventsLetIn = true;
                const auto expired = m_expired;
                m_expired.reset();
                playStep();
                m_expired = expired;
                --m_nesting;
            }
        }
    }

    void checkState()
    {
        FUZZ_CHECK(m_protocol.uploading() == timer(TimerId::Upload));
        FUZZ_CHECK(m_protocol.downloading() == timer(TimerId::Download));
        FUZZ_CHECK(m_protocol.uploading() == m_model.uploading);
        FUZZ_CHECK(m_protocol.downloading() == m_model.downloading);
        FUZZ_CHECK(m_protocol.receivedCount() >= 0 &&
                   m_protocol.receivedCount() < static_cast<int>(kImageSize));
        FUZZ_CHECK(m_protocol.receivedCount() == m_model.count);
        FUZZ_CHECK(m_protocol.imageSendPending() == (m_model.sendsPending > 0));
        FUZZ_CHECK(m_image == m_model.image);
    }

    bool& timer(TimerId id) { return id == TimerId::Upload ? m_uploadTimer : m_downloadTimer; }

    FuzzedDataProvider& m_input;
    SettingsImage m_image{};
    TransferProtocol m_protocol{m_image};
    Model m_model;
    bool m_uploadTimer = false;
    bool m_downloadTimer = false;
    std::optional<TimerId> m_expired;
    int m_nesting = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    Owner owner(input);
    owner.play();
    return 0;
}
