#pragma once

#include <QString>
#include <optional>

class QWidget;

// The open and save dialogs. Returns the chosen path, or nothing when the operator cancels.
// Tests answer with a scripted path instead.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> openFile(QWidget* owner, const QString& title, const QString& filter) = 0;
    // Asks before an existing file is overwritten; a name without extension gets defaultSuffix.
    virtual std::optional<QString> saveFile(QWidget* owner, const QString& title, const QString& filter,
                                            const QString& defaultSuffix) = 0;
};

class QtFileDialogs final : public FileDialogs
{
public:
    std::optional<QString> openFile(QWidget* owner, const QString& title, const QString& filter) override;
    std::optional<QString> saveFile(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& defaultSuffix) override;
};
