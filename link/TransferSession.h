#pragma once

#include "link/TransferActions.h"
#include "link/TransferProtocol.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class CMSComm;

// Carries out the transfer protocol's decisions on one port: writes, the two time-out timers,
// and the count of bytes the port has passed on, so that "Download OK!" waits until the image
// has really left the program. What differs between the window and the command line (where
// echoes, images and messages go) is the owner's.
class TransferSession : public QObject
{
    Q_OBJECT

public:
    class Owner
    {
    public:
        virtual bool receiveHex() { return false; }
        virtual void echo(const std::string& latin1) { static_cast<void>(latin1); }
        // The uploaded image in the session's image passed its checks.
        virtual void applyImage() = 0;
        // The display answered the challenge: the image to send, built now.
        virtual const SettingsImage& imageToSend() = 0;
        virtual void showMessage(const Transfer::ShowMessage& message) = 0;

    protected:
        ~Owner() = default;
    };

    TransferSession(CMSComm& comm, SettingsImage& image, Owner& owner, QObject* parent = nullptr);

    const TransferProtocol& protocol() const { return m_protocol; }

    // How long each exchange may take from its request on; TransferProtocol::kTimeoutMs unless set.
    void setTimeout(std::chrono::milliseconds timeout);

    // Both write their request first and throw CommError when that fails, leaving the state as
    // it was (a download keeps its new challenge).
    void requestUpload();
    void requestDownload(std::uint32_t tickCount);

    // The port was closed or lost: bytes still queued for it will never be written.
    void forgetQueuedBytes();

private:
    void onComm();
    void onBytesWritten(qint64 bytes);
    void write(const std::vector<std::uint8_t>& bytes);
    // Messages come last, once everything the actions change is settled.
    void run(const Transfer::Actions& actions);

    CMSComm& m_comm;
    Owner& m_owner;
    TransferProtocol m_protocol;
    QTimer m_uploadTimer;
    QTimer m_downloadTimer;
    qint64 m_bytesQueued = 0;
    qint64 m_bytesWritten = 0;
    std::vector<qint64> m_imageEnds;
};
