#include "support/WindowState.h"

#include "controls/CDotButton.h"
#include "pages/CCommandPage.h"
#include "pages/CUserCharPage.h"
#include "pages/CWelcomePage.h"
#include "settings/UserCharTable.h"
#include "settings/WelcomeBuffers.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>

namespace WindowState {

QByteArray bytesOf(const SettingsImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString hexOf(const std::uint8_t* bytes, std::size_t count)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count)).toHex(' '));
}

QString hexOf(const std::string& bytes)
{
    return hexOf(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

QString hexOf(const SettingsImage& image)
{
    return hexOf(image.data(), image.size());
}

CDotButton* dot(const CUserCharPage& page, int row, int column)
{
    return Control<CDotButton>(&page, UserChars::dotButtonId({row, column}));
}

QString dotsOf(const CUserCharPage& page)
{
    QString dots;
    for (int column = 1; column <= kDotColumns; ++column)
        for (int row = 1; row <= kDotRows; ++row)
            dots += dot(page, row, column)->isLit() ? QLatin1Char('#') : QLatin1Char('.');
    return dots;
}

QString dotsOf(const std::array<std::uint8_t, 5>& columns)
{
    QString dots;
    for (std::uint8_t column : columns)
        for (int bit = 6; bit >= 0; --bit)
            dots += (column >> bit) & 1 ? QLatin1Char('#') : QLatin1Char('.');
    return dots;
}

QStringList stateOf(CSetupDlg& window)
{
    QStringList lines;
    CCommandPage& command = window.commandPage();
    for (int id : {kCharTypeList, kCommandModeList, kBaudRateList, kPassthruList})
        lines << QStringLiteral("list %1 shows %2")
                     .arg(id)
                     .arg(Control<QComboBox>(&command, id)->currentIndex());
    lines << QStringLiteral("members %1 %2 %3 %4")
                 .arg(command.m_nCharType)
                 .arg(command.m_nCommandMode)
                 .arg(command.m_nBaudRate)
                 .arg(command.m_nPassthru);

    lines << QStringLiteral("g_strWelcome1 ") + hexOf(g_strWelcome1);
    lines << QStringLiteral("g_strWelcome2 ") + hexOf(g_strWelcome2);
    const CWelcomePage& welcome = window.welcomePage();
    for (int id = kAscii1; id <= kHex2; ++id)
        lines << QStringLiteral("radio %1 %2").arg(id).arg(Control<QRadioButton>(&welcome, id)->isChecked());
    for (int id = kFirstCell; id < kFirstCell + kCellCount; ++id)
        lines << QStringLiteral("cell %1 [%2]").arg(id).arg(Control<QLineEdit>(&welcome, id)->text());

    const auto table = UserChars::toBytes(g_UserChars);
    lines << QStringLiteral("g_UserChars ") + hexOf(table.data(), table.size());
    lines << QStringLiteral("g_nCurChar %1").arg(g_nCurChar);
    const CUserCharPage& chars = window.userCharPage();
    lines << QStringLiteral("number [%1] member [%2]")
                 .arg(Control<QLineEdit>(&chars, kNumberField)->text(), chars.m_strCharNumber);
    lines << QStringLiteral("code [%1] member [%2]")
                 .arg(Control<QLineEdit>(&chars, kCodeField)->text(), chars.m_strCharCode);
    lines << QStringLiteral("<< %1 >> %2")
                 .arg(Control<QPushButton>(&chars, kPrevButton)->isEnabled())
                 .arg(Control<QPushButton>(&chars, kNextButton)->isEnabled());
    lines << QStringLiteral("dots ") + dotsOf(chars);
    return lines;
}

} // namespace WindowState
