#include "res/TemplateBuilder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

QWidget* createControl(const ControlTemplate& control, QWidget* host, const TemplateBuilder::CustomFactory& custom)
{
    const QString text = QString::fromLatin1(control.text);
    switch (control.kind) {
    case ControlKind::GroupBox:
        return new QGroupBox(text, host);
    case ControlKind::Label: {
        auto* label = new QLabel(text, host);
        if (control.styles & ControlStyle::AlignCenter)
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return label;
    }
    case ControlKind::PushButton:
        return new QPushButton(text, host);
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(text, host);
        button->setDefault(true);
        return button;
    }
    case ControlKind::DropDownList:
        return new QComboBox(host);
    case ControlKind::DropDownCombo: {
        auto* combo = new QComboBox(host);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        return combo;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(host);
        edit->setTextMargins(0, 0, 0, 0);
        if (control.styles & ControlStyle::AlignCenter)
            edit->setAlignment(Qt::AlignHCenter);
        return edit;
    }
    case ControlKind::MultiLineEdit:
        return new QPlainTextEdit(host);
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(text, host);
        if (control.styles & ControlStyle::TextLeftOfBox)
            box->setLayoutDirection(Qt::RightToLeft);
        return box;
    }
    case ControlKind::RadioButton:
        return new QRadioButton(text, host);
    case ControlKind::TabControl:
        return new QTabWidget(host);
    case ControlKind::Icon: {
        auto* label = new QLabel(host);
        return label;
    }
    case ControlKind::Custom:
        return custom ? custom(control, host) : nullptr;
    }
    return nullptr;
}

// Lists are as high as one line of their own; the template's height is that of the dropped list.
bool keepsOwnHeight(ControlKind kind)
{
    return kind == ControlKind::DropDownList || kind == ControlKind::DropDownCombo;
}

// The desktop's font may run wider than the one the layout was drawn for. A label whose caption
// does not fit its box first takes a slightly smaller font, and only then grows, so that it does
// not run under its neighbour.
void fitCaption(QLabel* label, QRect& geometry)
{
    constexpr double kSmallestScale = 0.8;
    const QFont original = label->font();
    QFont font = original;
    const double size = original.pointSizeF();
    for (double scale = 1.0; size > 0 && scale >= kSmallestScale; scale -= 0.05) {
        font.setPointSizeF(size * scale);
        if (QFontMetrics(font).horizontalAdvance(label->text()) <= geometry.width())
            break;
    }
    if (font != original)
        label->setFont(font);
    geometry.setWidth(std::max(geometry.width(), label->sizeHint().width()));
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    m_baseX = (metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) / 26 + 1) / 2;
    m_baseY = metrics.height();
}

int DialogUnits::x(int units) const
{
    return (units * m_baseX + 2) / 4;
}

int DialogUnits::y(int units) const
{
    return (units * m_baseY + 4) / 8;
}

QRect DialogUnits::rect(int x, int y, int width, int height) const
{
    return QRect(this->x(x), this->y(y), this->x(width), this->y(height));
}

QFont TemplateBuilder::templateFont(const DialogTemplate& dialog)
{
    // The templates were laid out for a 9-point system font; the desktop's own font takes its place,
    // and a template drawn larger or smaller keeps that ratio to it.
    QFont font = QApplication::font();
    constexpr double kReferencePointSize = 9.0;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * dialog.pointSize / kReferencePointSize);
    return font;
}

void TemplateBuilder::build(QWidget* host, const DialogTemplate& dialog, const CustomFactory& custom)
{
    const QFont font = templateFont(dialog);
    host->setFont(font);
    const DialogUnits units(font);
    host->resize(units.x(dialog.width), units.y(dialog.height));

    QButtonGroup* radioGroup = nullptr;
    std::vector<QLabel*> labels;
    std::vector<QWidget*> named;
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = createControl(control, host, custom);
        if (!widget)
            continue;
        QRect geometry = units.rect(control.x, control.y, control.width, control.height);
        if (keepsOwnHeight(control.kind))
            geometry.setHeight(widget->sizeHint().height());
        if (control.kind == ControlKind::Label)
            fitCaption(static_cast<QLabel*>(widget), geometry);
        widget->setGeometry(geometry);

        if (control.id != 0) {
            widget->setObjectName(QString::number(control.id));
            widget->setAccessibleDescription(QString::number(control.id));
        }
        if (control.accessibleName) {
            widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
            named.push_back(widget);
        }
        if (auto* label = qobject_cast<QLabel*>(widget))
            labels.push_back(label);
        if (control.styles & ControlStyle::Hidden)
            widget->hide();
        if (control.styles & ControlStyle::Disabled)
            widget->setEnabled(false);
        if (control.styles & ControlStyle::NoTabStop)
            widget->setFocusPolicy(Qt::NoFocus);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setReadOnly(control.styles & ControlStyle::ReadOnly);
            if (control.inputLimit > 0)
                edit->setMaxLength(control.inputLimit);
        }
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (!radioGroup || (control.styles & ControlStyle::GroupStart))
                radioGroup = new QButtonGroup(host);
            radioGroup->addButton(radio);
        }
    }

    // A list or field named after a label on the same page gets that label as its buddy.
    for (QWidget* widget : named) {
        for (QLabel* label : labels) {
            if (label->text() == widget->accessibleName())
                label->setBuddy(widget);
        }
    }
}

QWidget* FindControl(const QWidget* root, int id)
{
    return root->findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}
