#pragma once

#include "settings/SettingsImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// How the simulated display misbehaves.
enum class DisplayFault
{
    None,
    Silent,        // never replies
    WrongResponse, // answers a challenge with the right response + 1
    BadHeader,     // upload reply begins with 0x55
    ShortReply,    // upload reply stops after 100 bytes
    BadImage,      // upload reply carries character type 36
    Slow,          // replies correctly, after a delay
};

// The display's side of the upload and download exchanges, byte by byte, with no port and no clock:
// bytes from the program go in, the bytes to send back come out.
class SimulatedDisplay
{
public:
    static constexpr std::size_t kShownLength = 40;
    static constexpr std::size_t kShortReplyLength = 100;
    static constexpr int kMaxDelayMs = 60000;

    struct Output
    {
        std::vector<std::uint8_t> reply;
        // How long the runner waits before sending the reply.
        int delayMs = 0;
        // One line per exchange, in the order they happened.
        std::vector<std::string> log;
        // The image a download has just put into the display.
        std::optional<SettingsImage> acceptedImage;
    };

    explicit SimulatedDisplay(const SettingsImage& image = factoryDefaultImage(),
                              DisplayFault fault = DisplayFault::None, int delayMs = 0);

    void setFault(DisplayFault fault, int delayMs = 0);
    DisplayFault fault() const { return m_fault; }
    int delayMs() const { return m_nDelayMs; }

    Output feed(std::span<const std::uint8_t> bytes);

    const SettingsImage& image() const { return m_image; }
    // The last characters shown, oldest first, as raw bytes.
    const std::string& shownText() const { return m_shown; }

    // "none", "silent", "wrong-response", "bad-header", "short-reply", "bad-image" or "slow=MS"
    // with MS in 0..60000; delayMs is set only on success (0 for every fault but slow).
    static std::optional<DisplayFault> parseFault(std::string_view text, int& delayMs);

private:
    enum class Stage
    {
        Text,    // between requests
        Request, // inside a request, m_request holds what came of it so far
        Image,   // collecting the 127 image bytes after a right response
    };

    void takeByte(std::uint8_t byte, Output& out);
    void takeRequestByte(std::uint8_t byte, Output& out);
    void answerUpload(Output& out);
    void answerChallenge(Output& out);
    void takeImageByte(std::uint8_t byte, Output& out);
    void showText(std::uint8_t byte);
    void flushTextLog(Output& out);

    SettingsImage m_image;
    DisplayFault m_fault;
    int m_nDelayMs;

    Stage m_stage = Stage::Text;
    std::vector<std::uint8_t> m_request;
    SettingsImage m_incoming{};
    std::size_t m_nIncoming = 0;
    std::string m_shown;
    // Printable text shown since the last log line.
    std::string m_textLog;
};
