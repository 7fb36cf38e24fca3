#pragma once

#include <QWidget>
#include <cstdint>

class QComboBox;

// The "Command Setting" page: four fixed lists whose selected indices are what the image carries.
// The members and the lists are kept apart on purpose: the operator's choices live in the lists
// until another part of the program asks for them with ReadSelections().
class CCommandPage : public QWidget
{
    Q_OBJECT

public:
    explicit CCommandPage(QWidget* parent = nullptr);

    // Lists to members: each member takes its list's selected index, -1 when nothing is selected.
    void ReadSelections();
    // Members to lists: an index that names no entry leaves its list without a selection.
    void ShowSelections();

    std::int32_t m_nCharType = -1;
    std::int32_t m_nCommandMode = -1;
    std::int32_t m_nBaudRate = -1;
    std::int32_t m_nPassthru = -1;

private:
    QComboBox* list(int id) const;
};
