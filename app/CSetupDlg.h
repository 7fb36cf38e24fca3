#pragma once

#include "link/CMSComm.h"
#include "link/TransferSession.h"

#include <QDialog>
#include <QString>
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
class CSetupDlg : public QDialog, private TransferSession::Owner
{
    Q_OBJECT

public:
    static constexpr int kReceiveTextCap = 64 * 1024;

    CSetupDlg(MessageBoxes& messages, FileDialogs& fileDialogs, QWidget* parent = nullptr);
    ~CSetupDlg() override;

    CCommandPage& commandPage() { return *m_pageCommand; }
    CWelcomePage& welcomePage() { return *m_pageWelcome; }
    CUserCharPage& userCharPage() { return *m_pageUserChar; }
    const TransferProtocol& protocol() const { return m_session.protocol(); }
    // The hidden receive text, brought up to date with every byte received so far.
    QString receiveText();

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
    // The Command Setting page's members and lists to the factory defaults.
    void showDefaultSelections();

    // Received text reaches the hidden receive control only when the control is shown or read:
    // laying out a text costs as much as the text is long, and a hidden one needs no layout.
    void flushReceiveBacklog();

    void showClosedState();
    void onPortLost(const QString& reason);
    void refreshPortTooltips();

    // What the transfer session hands back to the window.
    bool receiveHex() override;
    void echo(const std::string& latin1) override;
    void applyImage() override;
    const SettingsImage& imageToSend() override;
    void showMessage(const Transfer::ShowMessage& message) override;

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
    TransferSession m_session;

    QString m_receiveBacklog;
    QString m_strReceive;
    QString m_strSend;
    int m_bReceiveHex = 0;
    int m_bSendHex = 0;
};
