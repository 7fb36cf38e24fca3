// The main window's handlers that move the whole configuration: image building and applying,
// settings files and the factory defaults.
#include "app/CSetupDlg.h"

#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "pages/CCommandPage.h"
#include "pages/CUserCharPage.h"
#include "pages/CWelcomePage.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsImage.h"
#include "settings/WelcomeBuffers.h"

#include <algorithm>

namespace {

const QString kFileFilter = QStringLiteral("VFD Files(*.vfd);;All Files(*.*)");

template <std::size_t N>
void copyWelcome(const std::string& buffer, std::array<std::uint8_t, N>& out)
{
    out.fill(0);
    std::copy_n(buffer.begin(), std::min(buffer.size(), N), out.begin());
}

template <std::size_t N>
std::string welcomeText(const std::array<std::uint8_t, N>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

void CSetupDlg::BuildImage()
{
    m_pageCommand->ReadSelections();
    WorkingValues values;
    values.charType = m_pageCommand->m_nCharType;
    values.commandMode = m_pageCommand->m_nCommandMode;
    values.baudRate = m_pageCommand->m_nBaudRate;
    values.passthru = m_pageCommand->m_nPassthru;
    copyWelcome(g_strWelcome1, values.welcome1);
    copyWelcome(g_strWelcome2, values.welcome2);
    m_pageUserChar->ReadCharFields();
    values.userChars = g_UserChars;
    encodeImage(values, g_SettingsImage);
}

bool CSetupDlg::ApplyImage()
{
    return acceptImage(g_SettingsImage);
}

bool CSetupDlg::acceptImage(const SettingsImage& candidate)
{
    if (const std::optional<ImageFault> fault = findImageFault(candidate)) {
        m_messages.show(this, QString::fromLatin1(faultMessage(*fault)), MessageIcon::Warning);
        return false;
    }
    g_SettingsImage = candidate;
    applyCheckedImage();
    return true;
}

void CSetupDlg::applyCheckedImage()
{
    const WorkingValues values = decodeImage(g_SettingsImage);

    // The lists not named by the image have no say here: all four come from it.
    m_pageCommand->ReadSelections();
    m_pageCommand->m_nBaudRate = values.baudRate;
    m_pageCommand->m_nCharType = values.charType;
    m_pageCommand->m_nCommandMode = values.commandMode;
    m_pageCommand->m_nPassthru = values.passthru;
    m_pageCommand->ShowSelections();

    g_strWelcome1 = welcomeText(values.welcome1);
    g_strWelcome2 = welcomeText(values.welcome2);
    m_pageWelcome->ShowWelcomeTexts();

    g_UserChars = values.userChars;
    const std::uint8_t code = UserChars::currentRecord().code;
    m_pageUserChar->m_strCharCode = code == 0 ? QString() : QString::number(code, 16).toUpper();
    // The fields are shown first because RefreshDots() reads them back from the controls.
    m_pageUserChar->ShowCharFields();
    m_pageUserChar->RefreshDots();
    m_pageUserChar->ShowCharFields();
}

void CSetupDlg::OnSave()
{
    const std::optional<QString> path = m_fileDialogs.saveFile(this, QStringLiteral("Save"), kFileFilter, QStringLiteral("txt"));
    if (!path)
        return;
    BuildImage();
    if (const std::optional<QString> failure = SettingsFile::write(*path, g_SettingsImage))
        m_messages.show(this, *failure, MessageIcon::Stop);
}

void CSetupDlg::OnLoad()
{
    const std::optional<QString> path = m_fileDialogs.openFile(this, QStringLiteral("Open"), kFileFilter);
    if (!path)
        return;
    const auto contents = SettingsFile::read(*path);
    if (const QString* failure = std::get_if<QString>(&contents)) {
        m_messages.show(this, *failure, MessageIcon::Stop);
        return;
    }
    // A short file replaces only its own bytes; the image takes them only if the result passes.
    const auto& bytes = std::get<std::vector<std::uint8_t>>(contents);
    SettingsImage candidate = g_SettingsImage;
    std::copy(bytes.begin(), bytes.end(), candidate.begin());
    acceptImage(candidate);
}

void CSetupDlg::showDefaultSelections()
{
    const WorkingValues defaults = factoryDefaults();
    m_pageCommand->m_nCharType = defaults.charType;
    m_pageCommand->m_nCommandMode = defaults.commandMode;
    m_pageCommand->m_nBaudRate = defaults.baudRate;
    m_pageCommand->m_nPassthru = defaults.passthru;
    m_pageCommand->ShowSelections();
}

void CSetupDlg::OnSetAllDefault()
{
    showDefaultSelections();
    m_pageWelcome->ResetWelcomeTexts();
    m_pageUserChar->ResetUserChars();
}
