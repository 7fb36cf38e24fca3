#pragma once

#include "link/CMSComm.h"
#include "link/TransferActions.h"
#include "link/TransferProtocol.h"

#include <QDialog>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <vector>

class CCommandPage;
class CUserCharPage;
class CWelcomePage;
class FileDialogs;
class MessageBoxes;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// The main window: serial group, file and default buttons, the two transfer buttons, the tab
// control with the three setting pages, and the terminal panel that stays hidden.
class CSetupDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kReceiveTextCap = 64 * 1024;

    CSetupDlg(MessageBoxes& messages, FileDialogs& fileDialogs, QWidget* parent = nullptr);
    ~CSetupDlg() override;

    CCommandPage& commandPage() { return *m_pageCommand; }
    CWelcomePage& welcomePage() { return *m_pageWelcome; }
    CUserCharPage& userCharPage() { return *m_pageUserChar; }
    const TransferProtocol& protocol() const { return m_protocol; }

    // Working values to g_SettingsImage, bytes 0..122.
    void BuildImage();
    // Checks g_SettingsImage as a whole; shows the first fault and changes nothing, or applies
    // every field to the pages. Returns whether the image was accepted.
    bool ApplyImage();

    void OnAbout();
    void OnOpenCom();
    void OnLoad();
    void OnSave();
    void OnSetAllDefault();
    void OnGetSetting();
    void OnDownloadSetting();
    void OnCommEvent();
    void OnTimer();
    void OnClearReceive();
    void OnClearSend();
    void OnSend();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void connectButtons();
    // The main window's own data exchange: the terminal panel's texts and check boxes.
    void UpdateData(bool controlsToMembers);
    // Takes candidate into g_SettingsImage and the pages if it passes every check.
    bool acceptImage(const SettingsImage& candidate);
    void applyCheckedImage();

    void showClosedState();
    void onPortLost(const QString& reason);
    void onBytesWritten(qint64 bytes);
    void refreshPortTooltips();
    void write(const std::vector<std::uint8_t>& bytes);
    void echo(const std::string& latin1);
    // Carries out what the protocol decided; its messages come last, once the state is settled.
    void run(const Transfer::Actions& actions);

    MessageBoxes& m_messages;
    FileDialogs& m_fileDialogs;

    CUserCharPage* m_pageUserChar = nullptr;
    CWelcomePage* m_pageWelcome = nullptr;
    CCommandPage* m_pageCommand = nullptr;
    QTabWidget* m_tabPages = nullptr;
    QComboBox* m_cboBaud = nullptr;
    QComboBox* m_cboPort = nullptr;
    QPushButton* m_btnOpenCom = nullptr;
    QPlainTextEdit* m_editReceive = nullptr;
    CMSComm m_comm;

    TransferProtocol m_protocol;
    QTimer m_uploadTimer;
    QTimer m_downloadTimer;
    // Bytes handed to the port and bytes the port has passed on, to tell when an image is out.
    qint64 m_bytesQueued = 0;
    qint64 m_bytesWritten = 0;
    qint64 m_imageWrittenAt = -1;

    QString m_strReceive;
    QString m_strSend;
    int m_bReceiveHex = 0;
    int m_bSendHex = 0;
};
