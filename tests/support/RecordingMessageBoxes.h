#pragma once

#include "app/MessageBoxes.h"

#include <QString>
#include <QStringList>
#include <vector>

// Records each box instead of showing it, so nothing blocks offscreen.
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    struct Box
    {
        QString text;
        MessageIcon icon;
    };

    void show(QWidget*, const QString& text, MessageIcon icon) override { m_boxes.push_back({text, icon}); }

    const std::vector<Box>& boxes() const { return m_boxes; }
    QStringList texts() const
    {
        QStringList result;
        for (const Box& box : m_boxes)
            result << box.text;
        return result;
    }
    void clear() { m_boxes.clear(); }

private:
    std::vector<Box> m_boxes;
};
