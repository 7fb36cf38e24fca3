#pragma once

#include "link/TransferActions.h"
#include "settings/SettingsImage.h"

#include <array>
#include <cstdint>
#include <span>

// The upload and download exchanges with the display, as a machine with no port, no timer and
// no clock. See TransferProtocol.cpp for the theory of operation and the transition table.
class TransferProtocol
{
public:
    static constexpr int kTimeoutMs = 2000;
    static constexpr std::array<std::uint8_t, 2> kUploadRequest{0x1B, 0xEE};

    // Upload bytes are collected into image, which the owner shares with the file handlers.
    explicit TransferProtocol(SettingsImage& image);

    // Clicks. The request is written by the owner first; only once the write has succeeded does
    // the owner report it, so a failed write leaves the state as it was.
    std::array<std::uint8_t, 2> uploadRequest() const { return kUploadRequest; }
    Transfer::Actions uploadRequestWritten();

    // Draws a new challenge from the tick count (milliseconds) and returns the request to write.
    // The challenge stays stored even when the write then fails.
    std::array<std::uint8_t, 10> prepareDownload(std::uint32_t tickCount);
    Transfer::Actions downloadRequestWritten();

    // One batch of received bytes, everything one read returned.
    Transfer::Actions received(std::span<const std::uint8_t> batch, bool receiveHex);
    // Any timer expiry ends every pending exchange.
    Transfer::Actions timerExpired();

    // Outcome of a SendImage action.
    Transfer::Actions imageWritten();
    Transfer::Actions imageWriteFailed(const std::string& reason);

    bool uploading() const { return m_bUploading; }
    bool downloading() const { return m_bDownloading; }
    int receivedCount() const { return m_nRecvPos; }
    bool imageSendPending() const { return m_nImageSendsPending > 0; }
    const std::array<std::uint8_t, 10>& downloadRequest() const { return m_downloadRequest; }

    // The byte the display must answer to a challenge, in wrapping 8-bit arithmetic.
    static std::uint8_t DownloadResponse(const std::array<std::uint8_t, 10>& request);
    // Challenge bytes c0..c3 drawn from a generator seeded with the tick count, first value
    // thrown away: c0 = 0, c1 in 0..1, c2 in 0..2, c3 in 0..3.
    static std::array<std::uint8_t, 4> DrawChallenge(std::uint32_t tickCount);

private:
    void takeByte(std::uint8_t byte, Transfer::Actions& actions);
    void storeUploadByte(std::uint8_t byte, Transfer::Actions& actions);
    void checkResponse(std::uint8_t byte, Transfer::Actions& actions);

    SettingsImage& m_image;
    bool m_bUploading = false;
    bool m_bDownloading = false;
    int m_nRecvPos = 0;
    // SendImage actions whose write has not been reported back yet.
    int m_nImageSendsPending = 0;
    std::array<std::uint8_t, 10> m_downloadRequest{0x1B, 0xEF, 0x02, 0x00, 0x01, 0x02, 0x01, 0x01, 0x01, 0x01};
};
