// The main window's side of the serial link: opening the port, the two exchanges with the
// display, and the hidden terminal panel.
#include "app/CSetupDlg.h"

#include "app/ControlIds.h"
#include "app/MessageBoxes.h"
#include "link/HexText.h"
#include "link/PortMap.h"
#include "res/TemplateBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include <chrono>

namespace {

const QString kOpenCaption = QStringLiteral("Open COM");
const QString kCloseCaption = QStringLiteral("Close COM");

MessageIcon iconOf(Transfer::Icon icon)
{
    switch (icon) {
    case Transfer::Icon::Information: return MessageIcon::Information;
    case Transfer::Icon::Stop: return MessageIcon::Stop;
    case Transfer::Icon::Warning: break;
    }
    return MessageIcon::Warning;
}

std::uint32_t tickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

void CSetupDlg::OnOpenCom()
{
    if (m_btnOpenCom->text() != kOpenCaption) {
        m_comm.SetPortOpen(false);
        showClosedState();
        return;
    }
    try {
        m_comm.SetCommPort(static_cast<short>(m_cboPort->currentIndex() + 1));
        m_comm.SetInputMode(1);
        m_comm.SetInBufferSize(1024);
        m_comm.SetOutBufferSize(512);
        m_comm.SetSettings(m_cboBaud->itemText(m_cboBaud->currentIndex()));
        if (m_comm.GetPortOpen()) {
            m_messages.show(this, QStringLiteral("cannot open serial port"), MessageIcon::Warning);
        } else {
            m_comm.SetPortOpen(true);
            m_btnOpenCom->setText(kCloseCaption);
            m_cboPort->setEnabled(false);
            m_cboBaud->setEnabled(false);
            Control<QPushButton>(this, MainId::GetSetting)->setEnabled(true);
            Control<QPushButton>(this, MainId::DownloadSetting)->setEnabled(true);
        }
        m_comm.SetRThreshold(1);
        m_comm.SetInputLen(0);
        m_comm.GetInput();
    } catch (const CommError& error) {
        m_messages.show(this, error.description(), MessageIcon::Stop);
    }
}

void CSetupDlg::showClosedState()
{
    m_btnOpenCom->setText(kOpenCaption);
    m_cboPort->setEnabled(true);
    m_cboBaud->setEnabled(true);
    Control<QPushButton>(this, MainId::GetSetting)->setEnabled(false);
    Control<QPushButton>(this, MainId::DownloadSetting)->setEnabled(false);
    // Bytes queued for a port that is gone will never be written.
    m_bytesQueued = m_bytesWritten = 0;
    m_imageWrittenAt = -1;
}

void CSetupDlg::onPortLost(const QString& reason)
{
    showClosedState();
    m_messages.show(this, reason, MessageIcon::Stop);
}

bool CSetupDlg::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((watched == m_cboPort || watched == m_btnOpenCom) &&
        (type == QEvent::ToolTip || type == QEvent::MouseButtonPress || type == QEvent::KeyPress))
        refreshPortTooltips();
    return QDialog::eventFilter(watched, event);
}

void CSetupDlg::refreshPortTooltips()
{
    for (int index = 0; index < m_cboPort->count(); ++index) {
        const PortMap::Port port = PortMap::portFor(index + 1);
        const QString tip = port.device.isEmpty()
                                ? QStringLiteral("No serial port is mapped to Com%1").arg(index + 1)
                                : port.description.isEmpty() ? port.device
                                                             : QStringLiteral("%1 (%2)").arg(port.device, port.description);
        m_cboPort->setItemData(index, tip, Qt::ToolTipRole);
        if (index == m_cboPort->currentIndex()) {
            m_cboPort->setToolTip(tip);
            m_btnOpenCom->setToolTip(tip);
        }
    }
}

void CSetupDlg::write(const std::vector<std::uint8_t>& bytes)
{
    m_comm.SetOutput(bytes);
    m_bytesQueued += static_cast<qint64>(bytes.size());
}

void CSetupDlg::onBytesWritten(qint64 bytes)
{
    m_bytesWritten += bytes;
    if (m_imageWrittenAt >= 0 && m_bytesWritten >= m_imageWrittenAt) {
        m_imageWrittenAt = -1;
        run(m_protocol.imageWritten());
    }
}

void CSetupDlg::OnGetSetting()
{
    const auto request = m_protocol.uploadRequest();
    try {
        write({request.begin(), request.end()});
    } catch (const CommError& error) {
        m_messages.show(this, error.description(), MessageIcon::Stop);
        return;
    }
    run(m_protocol.uploadRequestWritten());
}

void CSetupDlg::OnDownloadSetting()
{
    const auto request = m_protocol.prepareDownload(tickCount());
    try {
        write({request.begin(), request.end()});
    } catch (const CommError& error) {
        m_messages.show(this, error.description(), MessageIcon::Stop);
        return;
    }
    run(m_protocol.downloadRequestWritten());
}

void CSetupDlg::OnCommEvent()
{
    m_bReceiveHex = Control<QCheckBox>(this, MainId::ReceiveHex)->isChecked() ? 1 : 0;
    if (m_comm.GetCommEvent() != CMSComm::kReceiveEvent)
        return;
    const std::vector<std::uint8_t> batch = m_comm.GetInput();
    run(m_protocol.received(batch, m_bReceiveHex != 0));
}

void CSetupDlg::OnTimer()
{
    run(m_protocol.timerExpired());
}

void CSetupDlg::run(const Transfer::Actions& actions)
{
    std::vector<Transfer::ShowMessage> messages;
    for (const Transfer::Action& action : actions) {
        if (const auto* bytes = std::get_if<Transfer::Write>(&action)) {
            try {
                write(bytes->bytes);
            } catch (const CommError&) {
                // A failure inside the receive handler drops the rest of the batch silently.
                break;
            }
        } else if (const auto* start = std::get_if<Transfer::StartTimer>(&action)) {
            (start->timer == Transfer::TimerId::Upload ? m_uploadTimer : m_downloadTimer).start();
        } else if (const auto* stop = std::get_if<Transfer::StopTimer>(&action)) {
            (stop->timer == Transfer::TimerId::Upload ? m_uploadTimer : m_downloadTimer).stop();
        } else if (const auto* text = std::get_if<Transfer::Echo>(&action)) {
            echo(text->text);
        } else if (std::holds_alternative<Transfer::ApplyImage>(action)) {
            applyCheckedImage();
        } else if (std::holds_alternative<Transfer::SendImage>(action)) {
            BuildImage();
            try {
                write({g_SettingsImage.begin(), g_SettingsImage.end()});
                m_imageWrittenAt = m_bytesQueued;
            } catch (const CommError& error) {
                // The rest of the batch is dropped; what was settled before stays settled.
                for (const Transfer::Action& failed : m_protocol.imageWriteFailed(error.description().toStdString()))
                    if (const auto* message = std::get_if<Transfer::ShowMessage>(&failed))
                        messages.push_back(*message);
                break;
            }
        } else if (const auto* message = std::get_if<Transfer::ShowMessage>(&action)) {
            messages.push_back(*message);
        }
    }
    for (const Transfer::ShowMessage& message : messages)
        m_messages.show(this, QString::fromStdString(message.text), iconOf(message.icon));
}

void CSetupDlg::echo(const std::string& latin1)
{
    QTextCursor cursor(m_editReceive->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())));
    // Trimmed in chunks, so that a full text costs what an empty one does.
    const int excess = m_editReceive->document()->characterCount() - kReceiveTextCap;
    if (excess > kReceiveTextCap / 8) {
        cursor.setPosition(0);
        cursor.setPosition(excess, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

void CSetupDlg::OnClearReceive()
{
    m_strReceive.clear();
    m_editReceive->clear();
}

void CSetupDlg::OnClearSend()
{
    m_strSend.clear();
    Control<QPlainTextEdit>(this, MainId::SendText)->clear();
}

void CSetupDlg::OnSend()
{
    if (!m_comm.GetPortOpen()) {
        m_messages.show(this, QStringLiteral("open serial port!"), MessageIcon::Warning);
        return;
    }
    UpdateData(true);
    try {
        if (m_bSendHex != 0) {
            std::vector<std::uint8_t> bytes;
            HexTextToBytes(m_strSend.toStdString(), bytes);
            write(bytes);
        } else {
            // Line breaks go out as the carriage return and line feed the panel's text stands for.
            QString text = m_strSend;
            text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
            const QByteArray bytes = text.toLatin1();
            write({bytes.begin(), bytes.end()});
        }
    } catch (const CommError& error) {
        m_messages.show(this, error.description(), MessageIcon::Stop);
    }
}
