#include "link/SimulatedDisplay.h"

#include "link/TransferProtocol.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kUploadCommand = 0xEE;
constexpr std::array<std::uint8_t, 6> kDownloadPrefix{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x02};
constexpr std::size_t kDownloadRequestSize = 10;
constexpr std::uint8_t kBadHeader = 0x55;
constexpr std::uint8_t kBadCharType = 36;

std::string hexByte(std::uint8_t byte)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(byte));
    return text;
}

bool isPrintable(std::uint8_t byte)
{
    return byte >= 0x20 && byte <= 0x7E;
}

} // namespace

SimulatedDisplay::SimulatedDisplay(const SettingsImage& image, DisplayFault fault, int delayMs)
    : m_image(image), m_fault(fault), m_nDelayMs(delayMs)
{
}

void SimulatedDisplay::setFault(DisplayFault fault, int delayMs)
{
    m_fault = fault;
    m_nDelayMs = delayMs;
}

SimulatedDisplay::Output SimulatedDisplay::feed(std::span<const std::uint8_t> bytes)
{
    Output out;
    for (const std::uint8_t byte : bytes)
        takeByte(byte, out);
    flushTextLog(out);
    if (m_fault == DisplayFault::Slow && !out.reply.empty())
        out.delayMs = m_nDelayMs;
    return out;
}

void SimulatedDisplay::takeByte(std::uint8_t byte, Output& out)
{
    switch (m_stage)
    {
    case Stage::Text:
        if (byte == kEsc)
        {
            m_request.assign(1, byte);
            m_stage = Stage::Request;
        }
        else
        {
            showText(byte);
        }
        break;
    case Stage::Request:
        takeRequestByte(byte, out);
        break;
    case Stage::Image:
        takeImageByte(byte, out);
        break;
    }
}

void SimulatedDisplay::takeRequestByte(std::uint8_t byte, Output& out)
{
    const std::size_t position = m_request.size();
    if (position == 1 && byte == kUploadCommand)
    {
        m_stage = Stage::Text;
        m_request.clear();
        answerUpload(out);
        return;
    }
    if (position >= kDownloadPrefix.size() || byte == kDownloadPrefix[position])
    {
        m_request.push_back(byte);
        if (m_request.size() == kDownloadRequestSize)
            answerChallenge(out);
        return;
    }

    // Not a request after all: what came of it is text, and this byte may begin the next one.
    for (const std::uint8_t earlier : m_request)
        showText(earlier);
    m_request.clear();
    m_stage = Stage::Text;
    takeByte(byte, out);
}

void SimulatedDisplay::answerUpload(Output& out)
{
    flushTextLog(out);
    std::string line = "upload: ";
    std::vector<std::uint8_t> reply(m_image.begin(), m_image.end());
    switch (m_fault)
    {
    case DisplayFault::Silent:
        out.log.push_back(line + "request ignored (silent)");
        return;
    case DisplayFault::BadHeader:
        reply[ImageOffset::Header] = kBadHeader;
        break;
    case DisplayFault::ShortReply:
        reply.resize(kShortReplyLength);
        break;
    case DisplayFault::BadImage:
        reply[ImageOffset::CharType] = kBadCharType;
        break;
    case DisplayFault::None:
    case DisplayFault::WrongResponse:
    case DisplayFault::Slow:
        break;
    }
    line += "sent " + std::to_string(reply.size()) + " bytes";
    if (m_fault == DisplayFault::BadHeader)
        line += " (bad header)";
    else if (m_fault == DisplayFault::BadImage)
        line += " (bad image)";
    else if (m_fault == DisplayFault::Slow)
        line += " after " + std::to_string(m_nDelayMs) + " ms";
    out.log.push_back(line);
    out.reply.insert(out.reply.end(), reply.begin(), reply.end());
}

void SimulatedDisplay::answerChallenge(Output& out)
{
    flushTextLog(out);
    std::array<std::uint8_t, kDownloadRequestSize> request{};
    std::copy(m_request.begin(), m_request.end(), request.begin());
    m_request.clear();

    std::string line = "download: challenge";
    for (std::size_t i = kDownloadPrefix.size(); i < request.size(); ++i)
        line += ' ' + hexByte(request[i]);

    const std::uint8_t response = TransferProtocol::DownloadResponse(request);
    switch (m_fault)
    {
    case DisplayFault::Silent:
        // The program sends no image to a display that did not answer rightly, so none is awaited.
        out.log.push_back(line + ", not answered (silent)");
        m_stage = Stage::Text;
        return;
    case DisplayFault::WrongResponse:
    {
        const auto wrong = static_cast<std::uint8_t>(response + 1);
        out.log.push_back(line + ", answered " + hexByte(wrong) + " (wrong)");
        out.reply.push_back(wrong);
        m_stage = Stage::Text;
        return;
    }
    case DisplayFault::Slow:
        line += ", answered " + hexByte(response) + " after " + std::to_string(m_nDelayMs) + " ms";
        break;
    case DisplayFault::None:
    case DisplayFault::BadHeader:
    case DisplayFault::ShortReply:
    case DisplayFault::BadImage:
        line += ", answered " + hexByte(response);
        break;
    }
    out.log.push_back(line);
    out.reply.push_back(response);
    m_nIncoming = 0;
    m_stage = Stage::Image;
}

void SimulatedDisplay::takeImageByte(std::uint8_t byte, Output& out)
{
    m_incoming[m_nIncoming] = byte;
    ++m_nIncoming;
    if (m_nIncoming < kImageSize)
        return;

    m_stage = Stage::Text;
    m_nIncoming = 0;
    if (const auto fault = findImageFault(m_incoming))
    {
        out.log.push_back(std::string("download: refused image (") + faultMessage(*fault) + ")");
        return;
    }
    m_image = m_incoming;
    out.acceptedImage = m_image;
    out.log.push_back("download: accepted image");
}

void SimulatedDisplay::showText(std::uint8_t byte)
{
    m_shown += static_cast<char>(byte);
    if (m_shown.size() > kShownLength)
        m_shown.erase(0, m_shown.size() - kShownLength);
    if (isPrintable(byte))
        m_textLog += static_cast<char>(byte);
}

void SimulatedDisplay::flushTextLog(Output& out)
{
    if (m_textLog.empty())
        return;
    out.log.push_back("text: " + m_textLog);
    m_textLog.clear();
}

std::optional<DisplayFault> SimulatedDisplay::parseFault(std::string_view text, int& delayMs)
{
    struct Name
    {
        std::string_view name;
        DisplayFault fault;
    };
    static constexpr Name kNames[] = {
        {"none", DisplayFault::None},
        {"silent", DisplayFault::Silent},
        {"wrong-response", DisplayFault::WrongResponse},
        {"bad-header", DisplayFault::BadHeader},
        {"short-reply", DisplayFault::ShortReply},
        {"bad-image", DisplayFault::BadImage},
    };
    for (const Name& entry : kNames)
    {
        if (text == entry.name)
        {
            delayMs = 0;
            return entry.fault;
        }
    }

    constexpr std::string_view kSlow = "slow=";
    if (!text.starts_with(kSlow))
        return std::nullopt;
    const std::string_view digits = text.substr(kSlow.size());
    // from_chars would also take a leading minus sign.
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value > kMaxDelayMs)
        return std::nullopt;
    delayMs = value;
    return DisplayFault::Slow;
}
