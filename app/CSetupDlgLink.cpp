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
#include <utility>

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
    m_session.forgetQueuedBytes();
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
    if (watched == m_editReceive && type == QEvent::Show)
        flushReceiveBacklog();
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

void CSetupDlg::OnGetSetting()
{
    try {
        m_session.requestUpload();
    } catch (const CommError& error) {
        m_messages.show(this, error.description(), MessageIcon::Stop);
    }
}

void CSetupDlg::OnDownloadSetting()
{
    try {
        m_session.requestDownload(tickCount());
    } catch (const CommError& error) {
        m_messages.show(this, error.description(), MessageIcon::Stop);
    }
}

bool CSetupDlg::receiveHex()
{
    m_bReceiveHex = Control<QCheckBox>(this, MainId::ReceiveHex)->isChecked() ? 1 : 0;
    return m_bReceiveHex != 0;
}

void CSetupDlg::applyImage()
{
    applyCheckedImage();
}

const SettingsImage& CSetupDlg::imageToSend()
{
    BuildImage();
    return g_SettingsImage;
}

void CSetupDlg::showMessage(const Transfer::ShowMessage& message)
{
    m_messages.show(this, QString::fromStdString(message.text), iconOf(message.icon));
}

void CSetupDlg::echo(const std::string& latin1)
{
    m_receiveBacklog += QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size()));
    if (m_editReceive->isVisible()) {
        flushReceiveBacklog();
        return;
    }
    if (m_receiveBacklog.size() > kReceiveTextCap)
        m_receiveBacklog.remove(0, m_receiveBacklog.size() - (kReceiveTextCap - kReceiveTextCap / 8));
}

QString CSetupDlg::receiveText()
{
    flushReceiveBacklog();
    return m_editReceive->toPlainText();
}

void CSetupDlg::flushReceiveBacklog()
{
    if (m_receiveBacklog.isEmpty())
        return;
    QTextCursor cursor(m_editReceive->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(std::exchange(m_receiveBacklog, QString()));
    // Trimmed an eighth at a time, so that a full text costs about what an empty one does.
    const int length = m_editReceive->document()->characterCount();
    if (length > kReceiveTextCap) {
        cursor.setPosition(0);
        cursor.setPosition(length - (kReceiveTextCap - kReceiveTextCap / 8), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

void CSetupDlg::OnClearReceive()
{
    m_strReceive.clear();
    m_receiveBacklog.clear();
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
            m_comm.SetOutput(bytes);
        } else {
            // Line breaks go out as the carriage return and line feed the panel's text stands for.
            QString text = m_strSend;
            text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
            const QByteArray bytes = text.toLatin1();
            m_comm.SetOutput(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        }
    } catch (const CommError& error) {
        m_messages.show(this, error.description(), MessageIcon::Stop);
    }
}
