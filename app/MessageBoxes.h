#pragma once

class QString;
class QWidget;

enum class MessageIcon
{
    Warning,
    Information,
    Stop,
};

// Every message the program shows goes through here: a modal box titled with the program's name
// and one OK button. Tests put a recorder in its place.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void show(QWidget* owner, const QString& text, MessageIcon icon) = 0;
};

class QtMessageBoxes final : public MessageBoxes
{
public:
    void show(QWidget* owner, const QString& text, MessageIcon icon) override;
};
