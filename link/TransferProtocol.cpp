// Theory of operation
//
// An upload asks the display for its image (1B EE) and collects the 127 bytes that come back into
// the shared image. A download sends a request carrying a four-byte challenge; the display must
// answer with one byte computed from it, and only then is the image built and sent. Nothing on the
// wire frames the replies, so the machine counts bytes, and a 2000 ms timer per exchange bounds it.
//
// The owner turns clicks, received batches, timer expiries and the outcome of an image write into
// calls. Each call settles the flags, the count and the pending image send first and only then
// returns the actions, which the owner carries out in order. A message box that runs its own event
// loop may let a further event in while later actions are still queued; that event already finds
// the state final, which is why no action ever reports a state that is not yet in place.
//
// The two flags make four states: idle, uploading, downloading, and both. Each flag is set exactly
// while its timer runs. While both are set, received bytes belong to the upload; the response is
// looked for from the first byte after the upload has ended, within the same batch too.
//
//   state            event                       effect                                   next
//   ---------------  --------------------------  ---------------------------------------  --------------
//   any              upload request written      count 0, (re)start timer 1               +uploading
//   any              download request written    count 0, (re)start timer 2               +downloading
//   uploading/both   byte, count 0, not 0xAA     stop 1, "Data1 Error"                    -uploading
//   uploading/both   byte                        store at count, count + 1                same
//   uploading/both   127th byte stored           stop 1, count 0, then ApplyImage and     -uploading
//                                                "Upload OK!", or the image's fault
//   downloading      byte == response            stop 2, SendImage                        idle
//   downloading      byte != response            stop 2, "Download chek Error"            idle
//   idle             byte                        echo only                                idle
//   any              timer expiry                for each pending exchange, upload first:  idle
//                                                stop its timer, its "... Time out"
//   image pending    image written               "Download OK!"                           -pending
//   image pending    image write failed          the failure's text, stop icon            -pending
//
// Every received byte is echoed, whatever the state; the count survives a time-out and is reset by
// the next request.

#include "link/TransferProtocol.h"

#include <random>

using namespace Transfer;

namespace {

constexpr std::size_t kChallengeOffset = 6;

void appendEcho(std::string& text, std::uint8_t byte, bool receiveHex)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (!receiveHex)
    {
        if (byte != 0)
            text += static_cast<char>(byte);
        return;
    }
    if (byte >= 0x10)
        text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
    text += ' ';
}

} // namespace

TransferProtocol::TransferProtocol(SettingsImage& image) : m_image(image) {}

Actions TransferProtocol::uploadRequestWritten()
{
    m_bUploading = true;
    m_nRecvPos = 0;
    return {StartTimer{TimerId::Upload}};
}

std::array<std::uint8_t, 10> TransferProtocol::prepareDownload(std::uint32_t tickCount)
{
    const auto challenge = DrawChallenge(tickCount);
    for (std::size_t i = 0; i < challenge.size(); ++i)
        m_downloadRequest[kChallengeOffset + i] = challenge[i];
    return m_downloadRequest;
}

Actions TransferProtocol::downloadRequestWritten()
{
    m_bDownloading = true;
    // The count belongs to the upload, but a download click restarts it too: an upload that is
    // still pending starts over with its next byte.
    m_nRecvPos = 0;
    return {StartTimer{TimerId::Download}};
}

Actions TransferProtocol::received(std::span<const std::uint8_t> batch, bool receiveHex)
{
    Actions actions;
    std::string echo;
    for (const std::uint8_t byte : batch)
        appendEcho(echo, byte, receiveHex);
    if (!echo.empty())
        actions.push_back(Echo{std::move(echo)});

    for (const std::uint8_t byte : batch)
        takeByte(byte, actions);
    return actions;
}

void TransferProtocol::takeByte(std::uint8_t byte, Actions& actions)
{
    if (m_bUploading)
        storeUploadByte(byte, actions);
    else if (m_bDownloading)
        checkResponse(byte, actions);
}

void TransferProtocol::storeUploadByte(std::uint8_t byte, Actions& actions)
{
    if (m_nRecvPos == 0 && byte != kImageHeader)
    {
        m_bUploading = false;
        actions.push_back(StopTimer{TimerId::Upload});
        actions.push_back(ShowMessage{"Data1 Error", Icon::Warning});
        return;
    }

    m_image[static_cast<std::size_t>(m_nRecvPos)] = byte;
    ++m_nRecvPos;
    if (m_nRecvPos < static_cast<int>(kImageSize))
        return;

    m_bUploading = false;
    m_nRecvPos = 0;
    actions.push_back(StopTimer{TimerId::Upload});
    // The image is applied whole or not at all, and only an applied image is reported as uploaded.
    if (const auto fault = findImageFault(m_image))
    {
        actions.push_back(ShowMessage{faultMessage(*fault), Icon::Warning});
        return;
    }
    actions.push_back(ApplyImage{});
    actions.push_back(ShowMessage{"Upload OK!", Icon::Information});
}

void TransferProtocol::checkResponse(std::uint8_t byte, Actions& actions)
{
    m_bDownloading = false;
    actions.push_back(StopTimer{TimerId::Download});
    if (byte != DownloadResponse(m_downloadRequest))
    {
        actions.push_back(ShowMessage{"Download chek Error", Icon::Warning});
        return;
    }
    // Success is reported only once the owner has handed the whole image to the port.
    ++m_nImageSendsPending;
    actions.push_back(SendImage{});
}

Actions TransferProtocol::timerExpired()
{
    Actions actions;
    const bool uploadTimedOut = m_bUploading;
    const bool downloadTimedOut = m_bDownloading;
    m_bUploading = false;
    m_bDownloading = false;
    if (uploadTimedOut)
    {
        actions.push_back(StopTimer{TimerId::Upload});
        actions.push_back(ShowMessage{"Upload Time out", Icon::Warning});
    }
    if (downloadTimedOut)
    {
        actions.push_back(StopTimer{TimerId::Download});
        actions.push_back(ShowMessage{"Download Time out", Icon::Warning});
    }
    return actions;
}

Actions TransferProtocol::imageWritten()
{
    if (m_nImageSendsPending == 0)
        return {};
    --m_nImageSendsPending;
    return {ShowMessage{"Download OK!", Icon::Information}};
}

Actions TransferProtocol::imageWriteFailed(const std::string& reason)
{
    if (m_nImageSendsPending == 0)
        return {};
    --m_nImageSendsPending;
    return {ShowMessage{reason, Icon::Stop}};
}

std::uint8_t TransferProtocol::DownloadResponse(const std::array<std::uint8_t, 10>& request)
{
    const std::uint8_t c0 = request[kChallengeOffset];
    const std::uint8_t c1 = request[kChallengeOffset + 1];
    const std::uint8_t c2 = request[kChallengeOffset + 2];
    const std::uint8_t c3 = request[kChallengeOffset + 3];
    auto t = static_cast<std::uint8_t>(c0 * 10 + c1);
    t = static_cast<std::uint8_t>(t * 17);
    t = static_cast<std::uint8_t>(t - c2 * 10);
    return static_cast<std::uint8_t>(t - c3);
}

std::array<std::uint8_t, 4> TransferProtocol::DrawChallenge(std::uint32_t tickCount)
{
    std::minstd_rand generator(tickCount);
    generator.discard(1);
    const auto c1 = static_cast<std::uint8_t>(generator() % 2);
    const auto c2 = static_cast<std::uint8_t>(generator() % 3);
    const auto c3 = static_cast<std::uint8_t>(generator() % 4);
    return {0, c1, c2, c3};
}
