#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// What the transfer protocol asks its owner to carry out, in order.
namespace Transfer {

enum class TimerId
{
    Upload = 1,
    Download = 2,
};

enum class Icon
{
    Warning,
    Information,
    Stop,
};

// Write these bytes to the port.
struct Write
{
    std::vector<std::uint8_t> bytes;
    friend bool operator==(const Write&, const Write&) = default;
};
// (Re)start a 2000 ms single-shot timer.
struct StartTimer
{
    TimerId timer;
    friend bool operator==(const StartTimer&, const StartTimer&) = default;
};
struct StopTimer
{
    TimerId timer;
    friend bool operator==(const StopTimer&, const StopTimer&) = default;
};
// Append this text (Latin-1 bytes) to the receive text of the terminal panel.
struct Echo
{
    std::string text;
    friend bool operator==(const Echo&, const Echo&) = default;
};
// The uploaded image in g_SettingsImage passed its checks: distribute it to the pages.
struct ApplyImage
{
    friend bool operator==(const ApplyImage&, const ApplyImage&) = default;
};
// The display answered the challenge: build the image from the pages and write its 127 bytes,
// then report imageWritten() or imageWriteFailed() back to the protocol.
struct SendImage
{
    friend bool operator==(const SendImage&, const SendImage&) = default;
};
struct ShowMessage
{
    std::string text;
    Icon icon = Icon::Warning;
    friend bool operator==(const ShowMessage&, const ShowMessage&) = default;
};

using Action = std::variant<Write, StartTimer, StopTimer, Echo, ApplyImage, SendImage, ShowMessage>;
using Actions = std::vector<Action>;

} // namespace Transfer
