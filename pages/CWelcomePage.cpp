#include "pages/CWelcomePage.h"

#include "res/TemplateBuilder.h"
#include "res/Templates.h"
#include "settings/HexScan.h"
#include "settings/WelcomeBuffers.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include <cstdint>
#include <optional>
#include <string_view>

// The limit on what the operator can type into a cell. A line edit's own maximum length would also
// cut the texts the page puts in, and those stand whole: after a reset to Hex a cell limited to one
// character still shows two digits. So the text the page put in last is always acceptable, and any
// edit that would leave more characters than the limit is refused, as a limited edit field does.
class CellLengthLimit final : public QValidator
{
public:
    CellLengthLimit(int characters, const QString& current, QObject* parent)
        : QValidator(parent), m_characters(characters), m_accepted(current)
    {
    }

    void setLimit(int characters) { m_characters = characters; }
    void accept(const QString& text) { m_accepted = text; }

    State validate(QString& input, int&) const override
    {
        if (input.size() > m_characters && input != m_accepted)
            return Invalid;
        m_accepted = input;
        return Acceptable;
    }

private:
    int m_characters;
    mutable QString m_accepted;
};

namespace {

constexpr int kFirstCellId = 1026;
constexpr std::size_t kLength1 = 20;
constexpr std::size_t kLength2 = 40;

std::uint8_t byteAt(const std::string& buffer, std::size_t position)
{
    return position < buffer.size() ? static_cast<std::uint8_t>(buffer[position]) : 0;
}

QString hexDigits(std::uint8_t byte)
{
    return QString::number(byte, 16).toUpper();
}

QString hexCell(std::uint8_t byte)
{
    return byte == 0 ? QString() : QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

// A byte in ASCII mode is the Latin-1 character of that code, except that the control codes, which
// would show nothing, use their visible Control Pictures stand-ins.
constexpr char16_t kControlPictures = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

QString asciiCell(std::uint8_t byte)
{
    if (byte == 0)
        return {};
    if (byte < 0x20)
        return QString(QChar(static_cast<char16_t>(kControlPictures + byte)));
    if (byte == 0x7F)
        return QString(QChar(kDeletePicture));
    return QString(QChar(static_cast<char16_t>(byte)));
}

std::optional<std::uint8_t> asciiByte(const QString& text)
{
    if (text.isEmpty())
        return 0;
    const char16_t c = text.front().unicode();
    if (c >= kControlPictures && c < kControlPictures + 0x20)
        return static_cast<std::uint8_t>(c - kControlPictures);
    if (c == kDeletePicture)
        return 0x7F;
    if (c <= 0xFF)
        return static_cast<std::uint8_t>(c);
    return std::nullopt;
}

std::optional<std::uint8_t> hexByte(const QString& text)
{
    if (text.isEmpty())
        return 0;
    const QByteArray digits = text.left(2).toLatin1();
    const std::optional<std::uint32_t> number = ScanHex(std::string_view(digits.constData(), digits.size()));
    if (!number)
        return std::nullopt;
    return static_cast<std::uint8_t>(*number & 0xFF);
}

} // namespace

CWelcomePage::CWelcomePage(QWidget* parent) : QWidget(parent)
{
    TemplateBuilder::build(this, WelcomePageTemplate());

    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        m_cells[i] = Control<QLineEdit>(this, kFirstCellId + static_cast<int>(i));
        m_cells[i]->installEventFilter(this);
    }
    m_messages[0] = {&g_strWelcome1, Control<QRadioButton>(this, 1020), Control<QRadioButton>(this, 1021), 0,
                     kLength1};
    m_messages[1] = {&g_strWelcome2, Control<QRadioButton>(this, 1022), Control<QRadioButton>(this, 1023),
                     kLength1, kLength2};

    for (Message& message : m_messages) {
        connect(message.ascii, &QAbstractButton::clicked, this, [this, &message] { OnSelectAscii(message); });
        connect(message.hex, &QAbstractButton::clicked, this, [this, &message] { OnSelectHex(message); });
    }
    connect(Control<QPushButton>(this, 1024), &QAbstractButton::clicked, this,
            [this] { OnClear(m_messages[0]); });
    connect(Control<QPushButton>(this, 1025), &QAbstractButton::clicked, this,
            [this] { OnClear(m_messages[1]); });

    ResetWelcomeTexts();
}

void CWelcomePage::ResetWelcomeTexts()
{
    g_strWelcome1 = Welcome::kDefaultText1;
    g_strWelcome2 = Welcome::kDefaultText2;
    for (Message& message : m_messages) {
        message.hex->setChecked(true);
        for (std::size_t k = 0; k < message.length; ++k)
            putText(message.firstCell + k, hexDigits(byteAt(*message.buffer, k)));
    }
}

void CWelcomePage::ShowWelcomeTexts()
{
    for (Message& message : m_messages) {
        const bool ascii = message.ascii->isChecked();
        for (std::size_t k = 0; k < message.length; ++k) {
            const std::uint8_t byte = byteAt(*message.buffer, k);
            putText(message.firstCell + k, ascii ? asciiCell(byte) : hexCell(byte));
        }
    }
}

void CWelcomePage::OnSelectAscii(Message& message)
{
    for (std::size_t k = 0; k < message.length; ++k)
        putText(message.firstCell + k, asciiCell(byteAt(*message.buffer, k)));
    setLengthLimit(message, 1);
}

void CWelcomePage::OnSelectHex(Message& message)
{
    for (std::size_t k = 0; k < message.length; ++k) {
        const std::uint8_t byte = byteAt(*message.buffer, k);
        putText(message.firstCell + k, byte == 0 ? QString() : hexDigits(byte));
    }
    setLengthLimit(message, 2);
}

void CWelcomePage::OnClear(Message& message)
{
    for (std::size_t k = 0; k < message.length; ++k) {
        if (k < message.buffer->size())
            (*message.buffer)[k] = '\0';
        putText(message.firstCell + k, QString());
    }
}

void CWelcomePage::StoreCell(std::size_t cellIndex)
{
    Message& message = messageOfCell(cellIndex);
    const std::size_t position = cellIndex - message.firstCell;
    if (position >= message.buffer->size())
        return;

    QLineEdit* cell = m_cells[cellIndex];
    const bool ascii = message.ascii->isChecked();
    const std::optional<std::uint8_t> byte = ascii ? asciiByte(cell->text()) : hexByte(cell->text());
    if (byte) {
        (*message.buffer)[position] = static_cast<char>(*byte);
        return;
    }
    // Text that names no byte keeps the byte it replaced, and the cell shows that byte again so that
    // it never claims a value the buffer does not hold.
    const std::uint8_t kept = byteAt(*message.buffer, position);
    putText(cellIndex, ascii ? asciiCell(kept) : hexCell(kept));
}

void CWelcomePage::setLengthLimit(Message& message, int characters)
{
    for (std::size_t i = message.firstCell; i < message.firstCell + message.length; ++i) {
        if (m_limits[i]) {
            m_limits[i]->setLimit(characters);
        } else {
            m_limits[i] = new CellLengthLimit(characters, m_cells[i]->text(), m_cells[i]);
            m_cells[i]->setValidator(m_limits[i]);
        }
    }
}

void CWelcomePage::putText(std::size_t cellIndex, const QString& text)
{
    if (m_limits[cellIndex])
        m_limits[cellIndex]->accept(text);
    m_cells[cellIndex]->setText(text);
}

CWelcomePage::Message& CWelcomePage::messageOfCell(std::size_t cellIndex)
{
    return cellIndex < kLength1 ? m_messages[0] : m_messages[1];
}

bool CWelcomePage::eventFilter(QObject* watched, QEvent* event)
{
    // A context menu takes the focus only for a moment and gives it back to the cell.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        for (std::size_t i = 0; i < m_cells.size(); ++i) {
            if (m_cells[i] == watched)
                StoreCell(i);
        }
    }
    return QWidget::eventFilter(watched, event);
}
