// The simulated display fed any bytes, with any fault, in any pieces. The input also carries
// well-formed requests and images, so that the fuzzer reaches every stage of the display.
// Checked after every piece: the shown text stays within its length, a delay comes only with a
// slow reply, only an image that passes its checks is taken, each reply byte is accounted for by
// a log line; and the same bytes in one piece give the same replies, image and text.
#include "FuzzCheck.h"

#include "link/SimulatedDisplay.h"
#include "link/TransferProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr int kMaxSegments = 40;

const DisplayFault kFaults[] = {
    DisplayFault::None,       DisplayFault::Silent,   DisplayFault::WrongResponse, DisplayFault::BadHeader,
    DisplayFault::ShortReply, DisplayFault::BadImage, DisplayFault::Slow};

struct Session
{
    Bytes reply;
    Lines log;
    std::vector<SettingsImage> accepted;
};

void append(Bytes& bytes, std::span<const std::uint8_t> more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
}

SettingsImage mutatedImage(FuzzedDataProvider& input)
{
    SettingsImage image = factoryDefaultImage();
    for (int n = input.ConsumeIntegralInRange(0, 3); n > 0; --n)
        image[input.ConsumeIntegralInRange<std::size_t>(0, kImageSize - 1)] =
            input.ConsumeIntegral<std::uint8_t>();
    return image;
}

// What the program may send, piece by piece: stray bytes, requests and images.
Bytes stream(FuzzedDataProvider& input)
{
    Bytes bytes;
    for (int n = 0; n < kMaxSegments && input.remaining_bytes() > 0; ++n) {
        switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:
            append(bytes, input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 64)));
            break;
        case 1:
            append(bytes, TransferProtocol::kUploadRequest);
            break;
        case 2: {
            SettingsImage unused{};
            TransferProtocol program(unused);
            append(bytes, program.prepareDownload(input.ConsumeIntegral<std::uint32_t>()));
            break;
        }
        default:
            append(bytes, mutatedImage(input));
            break;
        }
    }
    return bytes;
}

bool startsWith(const std::string& line, std::string_view prefix)
{
    return line.starts_with(prefix);
}

// The reply bytes each log line stands for.
std::size_t bytesLogged(const Lines& log)
{
    std::size_t total = 0;
    for (const std::string& line : log) {
        const auto sent = line.find("sent ");
        if (startsWith(line, "upload: ") && sent != std::string::npos)
            total += std::stoul(line.substr(sent + 5));
        else if (startsWith(line, "download: challenge") && line.find(", answered ") != std::string::npos)
            total += 1;
    }
    return total;
}

void checkOutput(const SimulatedDisplay& display, const SettingsImage& before,
                 const SimulatedDisplay::Output& out)
{
    FUZZ_CHECK(display.shownText().size() <= SimulatedDisplay::kShownLength);

    const bool slow = display.fault() == DisplayFault::Slow && !out.reply.empty();
    FUZZ_CHECK(out.delayMs == (slow ? display.delayMs() : 0));

    if (out.acceptedImage) {
        FUZZ_CHECK(!findImageFault(*out.acceptedImage));
        FUZZ_CHECK(display.image() == *out.acceptedImage);
    } else {
        FUZZ_CHECK(display.image() == before);
    }

    for (const std::string& line : out.log) {
        FUZZ_CHECK(startsWith(line, "text: ") || startsWith(line, "upload: ") ||
                   startsWith(line, "download: "));
        if (startsWith(line, "text: "))
            FUZZ_CHECK(line.size() > 6 && std::all_of(line.begin() + 6, line.end(),
                                                      [](char c) { return c >= 0x20 && c <= 0x7E; }));
    }
    FUZZ_CHECK(bytesLogged(out.log) == out.reply.size());
}

// Text shown across two pieces is logged as two lines; joined, both runs must read the same.
Lines joinedText(const Lines& log)
{
    Lines joined;
    for (const std::string& line : log) {
        if (startsWith(line, "text: ") && !joined.empty() && startsWith(joined.back(), "text: "))
            joined.back() += line.substr(6);
        else
            joined.push_back(line);
    }
    return joined;
}

void feed(SimulatedDisplay& display, std::span<const std::uint8_t> bytes, Session& session)
{
    const SettingsImage before = display.image();
    const SimulatedDisplay::Output out = display.feed(bytes);
    checkOutput(display, before, out);
    append(session.reply, out.reply);
    session.log.insert(session.log.end(), out.log.begin(), out.log.end());
    if (out.acceptedImage)
        session.accepted.push_back(*out.acceptedImage);
}

void checkFaultName(const std::string& text)
{
    int delayMs = -1;
    const std::optional<DisplayFault> fault = SimulatedDisplay::parseFault(text, delayMs);
    if (!fault) {
        FUZZ_CHECK(delayMs == -1);
        return;
    }
    if (*fault == DisplayFault::Slow)
        FUZZ_CHECK(delayMs >= 0 && delayMs <= SimulatedDisplay::kMaxDelayMs);
    else
        FUZZ_CHECK(delayMs == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    checkFaultName(input.ConsumeRandomLengthString(16));

    const DisplayFault fault = input.PickValueInArray(kFaults);
    const int delayMs = input.ConsumeIntegralInRange(0, SimulatedDisplay::kMaxDelayMs);
    const SettingsImage start = input.ConsumeBool() ? mutatedImage(input) : factoryDefaultImage();
    const auto split = input.ConsumeIntegral<std::uint8_t>();
    const Bytes bytes = stream(input);

    SimulatedDisplay whole(start, fault, delayMs);
    Session inOnePiece;
    feed(whole, bytes, inOnePiece);

    SimulatedDisplay pieces(start, fault, delayMs);
    Session inPieces;
    std::span<const std::uint8_t> rest(bytes);
    std::size_t piece = 1;
    while (!rest.empty()) {
        piece = (piece * 3 + split) % 131 + 1;
        const std::size_t count = std::min(piece, rest.size());
        feed(pieces, rest.first(count), inPieces);
        rest = rest.subspan(count);
    }

    FUZZ_CHECK(inPieces.reply == inOnePiece.reply);
    // One piece reports only the last image it brought in.
    FUZZ_CHECK(inOnePiece.accepted.size() == (inPieces.accepted.empty() ? 0u : 1u));
    if (!inPieces.accepted.empty())
        FUZZ_CHECK(inPieces.accepted.back() == inOnePiece.accepted.back());
    FUZZ_CHECK(joinedText(inPieces.log) == joinedText(inOnePiece.log));
    FUZZ_CHECK(pieces.image() == whole.image());
    FUZZ_CHECK(pieces.shownText() == whole.shownText());
    return 0;
}
