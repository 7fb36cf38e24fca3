#pragma once

#include <QString>
#include <QWidget>

#include <array>

class CDotButton;
class MessageBoxes;
class QLineEdit;
class QPushButton;
struct DotPlace;

// The "User Defined Character" page: the 5 x 7 dots, the code and the number of the current
// character. It edits the global character table in place; only the code waits until its field
// loses the keyboard focus.
class CUserCharPage : public QWidget
{
    Q_OBJECT

public:
    explicit CUserCharPage(MessageBoxes& messages, QWidget* parent = nullptr);

    // Fields to members.
    void ReadCharFields();
    // Members to fields.
    void ShowCharFields();
    // The current character's pattern onto the dots; the fields pass through the members unchanged.
    void RefreshDots();
    // Empty table, character 1, "<<" disabled and ">>" enabled.
    void ResetUserChars();
    // All dots unlit and raised, and the current pattern cleared; the code stays.
    void ClearDots();

    QString m_strCharNumber;
    QString m_strCharCode;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnPrevChar();
    void OnNextChar();
    void OnCodeKillFocus();
    void OnDotClicked(CDotButton* dot, DotPlace place);
    void showCurrentChar();

    MessageBoxes& m_messages;
    QLineEdit* m_editNumber = nullptr;
    QLineEdit* m_editCode = nullptr;
    QPushButton* m_btnPrev = nullptr;
    QPushButton* m_btnNext = nullptr;
    QPushButton* m_btnClear = nullptr;
    // Column by column, each column from the top.
    std::array<CDotButton*, 35> m_dots{};
};
