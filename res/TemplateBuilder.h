#pragma once

#include "res/DialogTemplate.h"

#include <QFont>
#include <QRect>
#include <functional>

class QWidget;

// Converts dialog units to pixels the way the original platform does: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont& font);
    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

// Creates the controls of a template as children of host and places them. Every control with an
// ID gets that ID as its object name and its accessible description, so that tests and
// accessibility tools find it; controls without a visible caption get the template's accessible
// name. Radio buttons are grouped from one group-start button to the next.
class TemplateBuilder
{
public:
    using CustomFactory = std::function<QWidget*(const ControlTemplate&, QWidget* host)>;

    static QFont templateFont(const DialogTemplate& dialog);
    // Sizes host to the template and creates its controls.
    static void build(QWidget* host, const DialogTemplate& dialog, const CustomFactory& custom = {});
};

// The control of a dialog or page by its numeric ID; only direct children are searched, since the
// pages reuse the IDs of the main window.
QWidget* FindControl(const QWidget* root, int id);

template <typename T>
T* Control(const QWidget* root, int id)
{
    return qobject_cast<T*>(FindControl(root, id));
}
