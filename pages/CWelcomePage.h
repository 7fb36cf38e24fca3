#pragma once

#include <QWidget>

#include <array>
#include <string>

class CellLengthLimit;
class QLineEdit;
class QRadioButton;

// The "Welcome Msg" page: one cell per byte of the two welcome buffers, shown and typed either as
// characters or as hexadecimal values. The page keeps no copy of the bytes: a cell is stored into
// its buffer when it loses the keyboard focus, and the display mode is whatever its pair of radio
// buttons says.
class CWelcomePage : public QWidget
{
    Q_OBJECT

public:
    explicit CWelcomePage(QWidget* parent = nullptr);

    // Default texts into both buffers, both messages to Hex without touching the length limits,
    // every cell in "%X".
    void ResetWelcomeTexts();
    // Refills all cells from the buffers in each message's current mode.
    void ShowWelcomeTexts();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Message
    {
        std::string* buffer = nullptr;
        QRadioButton* ascii = nullptr;
        QRadioButton* hex = nullptr;
        std::size_t firstCell = 0; // index into m_cells
        std::size_t length = 0;
    };

    void OnSelectAscii(Message& message);
    void OnSelectHex(Message& message);
    void OnClear(Message& message);
    void StoreCell(std::size_t cellIndex);

    void setLengthLimit(Message& message, int characters);
    void putText(std::size_t cellIndex, const QString& text);
    Message& messageOfCell(std::size_t cellIndex);

    std::array<QLineEdit*, 60> m_cells{};
    // None until the cell's message first has a mode selected.
    std::array<CellLengthLimit*, 60> m_limits{};
    std::array<Message, 2> m_messages;
};
