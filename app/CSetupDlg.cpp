#include "app/CSetupDlg.h"

#include "app/AppIcon.h"
#include "app/CAboutDlg.h"
#include "app/ControlIds.h"
#include "pages/CCommandPage.h"
#include "pages/CUserCharPage.h"
#include "pages/CWelcomePage.h"
#include "res/Strings.h"
#include "res/TemplateBuilder.h"
#include "res/Templates.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

CSetupDlg::CSetupDlg(MessageBoxes& messages, FileDialogs& fileDialogs, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_fileDialogs(fileDialogs), m_session(m_comm, g_SettingsImage, *this)
{
    const DialogTemplate& dialog = MainWindowTemplate();
    TemplateBuilder::build(this, dialog);
    setWindowTitle(QString::fromLatin1(dialog.caption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());

    m_tabPages = Control<QTabWidget>(this, MainId::Tabs);
    m_cboBaud = Control<QComboBox>(this, MainId::PortSettings);
    m_cboPort = Control<QComboBox>(this, MainId::Port);
    m_btnOpenCom = Control<QPushButton>(this, MainId::OpenCom);
    m_editReceive = Control<QPlainTextEdit>(this, MainId::ReceiveText);
    // Nobody can undo in a text that is never shown; a record of every insertion would only grow.
    m_editReceive->setUndoRedoEnabled(false);

    OnInitDialog();
    connectButtons();
}

CSetupDlg::~CSetupDlg() = default;

void CSetupDlg::OnInitDialog()
{
    UpdateData(false);

    auto* about = new QAction(QString::fromLatin1(Strings::kAboutMenuItem), this);
    about->setShortcut(QKeySequence::HelpContents);
    about->setObjectName(QStringLiteral("about"));
    connect(about, &QAction::triggered, this, &CSetupDlg::OnAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    setWindowIcon(AppIcon::icon());

    for (int port = 1; port <= 8; ++port)
        m_cboPort->addItem(QStringLiteral("Com%1").arg(port));
    m_cboPort->setCurrentIndex(0);
    m_cboBaud->addItem(QStringLiteral("9600,n,8,1"));
    m_cboBaud->addItem(QStringLiteral("19200,n,8,1"));
    m_cboBaud->setCurrentIndex(0);

    m_pageCommand = new CCommandPage(m_tabPages);
    m_pageWelcome = new CWelcomePage(m_tabPages);
    m_pageUserChar = new CUserCharPage(m_messages, m_tabPages);
    m_tabPages->addTab(m_pageCommand, QStringLiteral("Command Setting"));
    m_tabPages->addTab(m_pageWelcome, QStringLiteral("Welcome Msg"));
    m_tabPages->addTab(m_pageUserChar, QStringLiteral("User Defined Character"));
    m_tabPages->setCurrentIndex(0);

    Control<QPushButton>(this, MainId::GetSetting)->setEnabled(false);
    Control<QPushButton>(this, MainId::DownloadSetting)->setEnabled(false);

    showDefaultSelections();

    m_cboPort->setFocus();
}

void CSetupDlg::connectButtons()
{
    const auto onClick = [this](int id, void (CSetupDlg::*handler)()) {
        connect(Control<QPushButton>(this, id), &QPushButton::clicked, this, handler);
    };
    onClick(MainId::OpenCom, &CSetupDlg::OnOpenCom);
    onClick(MainId::Load, &CSetupDlg::OnLoad);
    onClick(MainId::Save, &CSetupDlg::OnSave);
    onClick(MainId::SetAllDefault, &CSetupDlg::OnSetAllDefault);
    onClick(MainId::GetSetting, &CSetupDlg::OnGetSetting);
    onClick(MainId::DownloadSetting, &CSetupDlg::OnDownloadSetting);
    onClick(MainId::ClearReceive, &CSetupDlg::OnClearReceive);
    onClick(MainId::ClearSend, &CSetupDlg::OnClearSend);
    onClick(MainId::Send, &CSetupDlg::OnSend);

    connect(&m_comm, &CMSComm::PortLost, this, &CSetupDlg::onPortLost);

    m_cboPort->installEventFilter(this);
    m_btnOpenCom->installEventFilter(this);
    m_editReceive->installEventFilter(this);
}

void CSetupDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CSetupDlg::UpdateData(bool controlsToMembers)
{
    auto* send = Control<QPlainTextEdit>(this, MainId::SendText);
    auto* receiveHex = Control<QCheckBox>(this, MainId::ReceiveHex);
    auto* sendHex = Control<QCheckBox>(this, MainId::SendHex);
    if (controlsToMembers) {
        flushReceiveBacklog();
        m_strReceive = m_editReceive->toPlainText();
        m_strSend = send->toPlainText();
        m_bReceiveHex = receiveHex->isChecked() ? 1 : 0;
        m_bSendHex = sendHex->isChecked() ? 1 : 0;
    } else {
        m_receiveBacklog.clear();
        m_editReceive->setPlainText(m_strReceive);
        send->setPlainText(m_strSend);
        receiveHex->setChecked(m_bReceiveHex != 0);
        sendHex->setChecked(m_bSendHex != 0);
    }
}
