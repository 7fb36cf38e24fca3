#include "pages/CUserCharPage.h"

#include "app/MessageBoxes.h"
#include "controls/CDotButton.h"
#include "res/TemplateBuilder.h"
#include "res/Templates.h"
#include "settings/HexScan.h"
#include "settings/UserCharTable.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

constexpr int kPrevButton = 1024;
constexpr int kNextButton = 1025;
constexpr int kClearButton = 1028;
constexpr int kNumberField = 1030;
constexpr int kCodeField = 1031;
constexpr int kCodeLength = 2;
constexpr std::int8_t kLowestCode = 0x20;
constexpr std::int8_t kHighestCode = 0x7F;
// The label says 0x7F and 0x7F is accepted; the refusal has always read 7E.
constexpr const char* kRangeMessage = "Range:0x20-0x7E";

DotPlace placeOfDot(std::size_t index)
{
    return {static_cast<int>(index) % kDotRows + 1, static_cast<int>(index) / kDotRows + 1};
}

// The code a field text stands for, read as C's "%x" reads at most two characters and taken as a
// signed byte; nothing when no number begins there.
std::optional<std::int8_t> codeOf(const QString& text)
{
    const QByteArray digits = text.left(kCodeLength).toLatin1();
    const std::optional<std::uint32_t> number = ScanHex(std::string_view(digits.constData(), digits.size()));
    if (!number)
        return std::nullopt;
    return static_cast<std::int8_t>(*number & 0xFF);
}

QString codeText(std::uint8_t code)
{
    return code == 0 ? QString() : QString::number(code, 16).toUpper();
}

} // namespace

CUserCharPage::CUserCharPage(MessageBoxes& messages, QWidget* parent) : QWidget(parent), m_messages(messages)
{
    TemplateBuilder::build(this, UserCharPageTemplate(),
                           [](const ControlTemplate&, QWidget* host) { return new CDotButton(host); });
    m_editNumber = Control<QLineEdit>(this, kNumberField);
    m_editCode = Control<QLineEdit>(this, kCodeField);
    m_btnPrev = Control<QPushButton>(this, kPrevButton);
    m_btnNext = Control<QPushButton>(this, kNextButton);
    m_btnClear = Control<QPushButton>(this, kClearButton);
    for (std::size_t i = 0; i < m_dots.size(); ++i) {
        const DotPlace place = placeOfDot(i);
        CDotButton* dot = Control<CDotButton>(this, UserChars::dotButtonId(place));
        m_dots[i] = dot;
        connect(dot, &QAbstractButton::clicked, this, [this, dot, place] { OnDotClicked(dot, place); });
    }
    connect(m_btnPrev, &QAbstractButton::clicked, this, &CUserCharPage::OnPrevChar);
    connect(m_btnNext, &QAbstractButton::clicked, this, &CUserCharPage::OnNextChar);
    connect(m_btnClear, &QAbstractButton::clicked, this, &CUserCharPage::ClearDots);
    m_editCode->installEventFilter(this);
    ShowCharFields();

    UserChars::reset(g_UserChars, g_nCurChar);
    m_editCode->setMaxLength(kCodeLength);
    m_strCharNumber = QString::number(g_nCurChar);
    ShowCharFields();
    ClearDots();
}

void CUserCharPage::ReadCharFields()
{
    m_strCharNumber = m_editNumber->text();
    m_strCharCode = m_editCode->text();
}

void CUserCharPage::ShowCharFields()
{
    m_editNumber->setText(m_strCharNumber);
    m_editCode->setText(m_strCharCode);
}

void CUserCharPage::RefreshDots()
{
    ReadCharFields();
    const UserCharRecord& record = UserChars::currentRecord();
    for (std::size_t i = 0; i < m_dots.size(); ++i)
        m_dots[i]->SetLit(UserChars::isDotLit(record, placeOfDot(i)));
    ShowCharFields();
}

void CUserCharPage::ResetUserChars()
{
    UserChars::reset(g_UserChars, g_nCurChar);
    m_strCharNumber = QString::number(g_nCurChar);
    m_strCharCode.clear();
    m_btnPrev->setEnabled(false);
    m_btnNext->setEnabled(true);
    ClearDots();
    ShowCharFields();
}

void CUserCharPage::ClearDots()
{
    for (CDotButton* dot : m_dots)
        dot->ResetDot();
    UserChars::clearPattern(UserChars::currentRecord());
}

void CUserCharPage::OnPrevChar()
{
    if (g_nCurChar > 1) {
        ReadCharFields();
        --g_nCurChar;
        showCurrentChar();
        m_btnNext->setEnabled(true);
    } else if (g_nCurChar == 1) {
        m_btnPrev->setEnabled(false);
    }
    RefreshDots();
}

void CUserCharPage::OnNextChar()
{
    if (g_nCurChar < kUserCharCount) {
        ReadCharFields();
        ++g_nCurChar;
        showCurrentChar();
        m_btnPrev->setEnabled(true);
    } else if (g_nCurChar == kUserCharCount) {
        m_btnNext->setEnabled(false);
    }
    RefreshDots();
}

void CUserCharPage::showCurrentChar()
{
    m_strCharNumber = QString::number(g_nCurChar);
    m_strCharCode = codeText(UserChars::currentRecord().code);
    ShowCharFields();
}

void CUserCharPage::OnCodeKillFocus()
{
    ReadCharFields();
    if (!m_strCharCode.isEmpty()) {
        // A text with no number in it is refused like a number out of range: the stored code may
        // only ever change to a code the display takes.
        const std::optional<std::int8_t> code = codeOf(m_strCharCode);
        if (code && *code >= kLowestCode && *code <= kHighestCode)
            UserChars::currentRecord().code = static_cast<std::uint8_t>(*code);
        else
            m_messages.show(window(), QString::fromLatin1(kRangeMessage), MessageIcon::Warning);
    }
    ShowCharFields();
}

void CUserCharPage::OnDotClicked(CDotButton* dot, DotPlace place)
{
    UserChars::setDot(UserChars::currentRecord(), place, dot->ToggleLit());
}

bool CUserCharPage::eventFilter(QObject* watched, QEvent* event)
{
    // A context menu takes the focus only for a moment and gives it back to the field.
    if (watched == m_editCode && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        OnCodeKillFocus();
    return QWidget::eventFilter(watched, event);
}
