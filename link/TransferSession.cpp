#include "link/TransferSession.h"

#include "link/CMSComm.h"

#include <chrono>

TransferSession::TransferSession(CMSComm& comm, SettingsImage& image, Owner& owner, QObject* parent)
    : QObject(parent), m_comm(comm), m_owner(owner), m_protocol(image)
{
    for (QTimer* timer : {&m_uploadTimer, &m_downloadTimer}) {
        timer->setSingleShot(true);
        // A coarse timer may fire up to 5 % early; the display is owed its full 2000 ms.
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(std::chrono::milliseconds(TransferProtocol::kTimeoutMs));
        connect(timer, &QTimer::timeout, this, [this] { run(m_protocol.timerExpired()); });
    }
    connect(&m_comm, &CMSComm::OnComm, this, &TransferSession::onComm);
    connect(&m_comm, &CMSComm::BytesWritten, this, &TransferSession::onBytesWritten);
}

void TransferSession::setTimeout(std::chrono::milliseconds timeout)
{
    m_uploadTimer.setInterval(timeout);
    m_downloadTimer.setInterval(timeout);
}

void TransferSession::requestUpload()
{
    const auto request = m_protocol.uploadRequest();
    write({request.begin(), request.end()});
    run(m_protocol.uploadRequestWritten());
}

void TransferSession::requestDownload(std::uint32_t tickCount)
{
    const auto request = m_protocol.prepareDownload(tickCount);
    write({request.begin(), request.end()});
    run(m_protocol.downloadRequestWritten());
}

void TransferSession::forgetQueuedBytes()
{
    m_bytesQueued = m_bytesWritten = 0;
    m_imageEnds.clear();
}

void TransferSession::onComm()
{
    const bool hex = m_owner.receiveHex();
    if (m_comm.GetCommEvent() != CMSComm::kReceiveEvent)
        return;
    const std::vector<std::uint8_t> batch = m_comm.GetInput();
    run(m_protocol.received(batch, hex));
}

void TransferSession::onBytesWritten(qint64 bytes)
{
    m_bytesWritten += bytes;
    while (!m_imageEnds.empty() && m_bytesWritten >= m_imageEnds.front()) {
        m_imageEnds.erase(m_imageEnds.begin());
        run(m_protocol.imageWritten());
    }
}

void TransferSession::write(const std::vector<std::uint8_t>& bytes)
{
    m_comm.SetOutput(bytes);
    m_bytesQueued += static_cast<qint64>(bytes.size());
}

void TransferSession::run(const Transfer::Actions& actions)
{
    using namespace Transfer;
    std::vector<ShowMessage> messages;
    const auto keepMessages = [&messages](const Actions& more) {
        for (const Action& action : more)
            if (const auto* message = std::get_if<ShowMessage>(&action))
                messages.push_back(*message);
    };
    for (const Action& action : actions) {
        if (const auto* bytes = std::get_if<Write>(&action)) {
            try {
                write(bytes->bytes);
            } catch (const CommError&) {
                break; // a failure while handling received bytes drops the rest of the batch
            }
        } else if (const auto* start = std::get_if<StartTimer>(&action)) {
            (start->timer == TimerId::Upload ? m_uploadTimer : m_downloadTimer).start();
        } else if (const auto* stop = std::get_if<StopTimer>(&action)) {
            (stop->timer == TimerId::Upload ? m_uploadTimer : m_downloadTimer).stop();
        } else if (const auto* text = std::get_if<Echo>(&action)) {
            m_owner.echo(text->text);
        } else if (std::holds_alternative<ApplyImage>(action)) {
            m_owner.applyImage();
        } else if (std::holds_alternative<SendImage>(action)) {
            const SettingsImage& image = m_owner.imageToSend();
            try {
                write({image.begin(), image.end()});
                m_imageEnds.push_back(m_bytesQueued);
            } catch (const CommError& error) {
                keepMessages(m_protocol.imageWriteFailed(error.description().toStdString()));
                break;
            }
        } else if (const auto* message = std::get_if<ShowMessage>(&action)) {
            messages.push_back(*message);
        }
    }
    for (const ShowMessage& message : messages)
        m_owner.showMessage(message);
}
