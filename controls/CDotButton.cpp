#include "controls/CDotButton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QColor kBlack(0, 0, 0);

// Edges are drawn pixel by pixel the way a line-drawing device context does it: axis-aligned
// segments that leave out their end point, so that the corners come out as on the original.
void lineTo(QPainter& painter, QPoint& pen, QPoint to, const QColor& color)
{
    const int dx = (to.x() > pen.x()) - (to.x() < pen.x());
    const int dy = (to.y() > pen.y()) - (to.y() < pen.y());
    if (dx != 0 || dy != 0) {
        const QPoint last = to - QPoint(dx, dy);
        const QPoint topLeft(std::min(pen.x(), last.x()), std::min(pen.y(), last.y()));
        const QPoint bottomRight(std::max(pen.x(), last.x()), std::max(pen.y(), last.y()));
        painter.fillRect(QRect(topLeft, bottomRight), color);
    }
    pen = to;
}

void frame(QPainter& painter, const QRect& r, const QColor& color)
{
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

// A one-pixel edge: top and left in one colour, then bottom and right in the other.
void edge(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

void raisedEdges(QPainter& painter, const QRect& r, const QPalette& palette)
{
    // Right and bottom exclusive, as the drawing sequence is written for them.
    const int left = r.left();
    const int top = r.top();
    const int right = r.left() + r.width();
    const int bottom = r.top() + r.height();

    QPoint pen(left, bottom - 1);
    const QColor highlight = palette.color(QPalette::Light);
    lineTo(painter, pen, {left, top}, highlight);
    lineTo(painter, pen, {right, top}, highlight);

    pen = {left + 1, bottom - 1};
    const QColor light = palette.color(QPalette::Midlight);
    lineTo(painter, pen, {left + 1, top + 1}, light);
    lineTo(painter, pen, {right, top + 1}, light);

    pen = {left, bottom - 1};
    const QColor darkShadow = palette.color(QPalette::Shadow);
    lineTo(painter, pen, {right - 1, bottom - 1}, darkShadow);
    lineTo(painter, pen, {right - 1, top - 1}, darkShadow);

    pen = {left + 1, bottom - 2};
    const QColor shadow = palette.color(QPalette::Dark);
    lineTo(painter, pen, {right - 2, bottom - 2}, shadow);
    lineTo(painter, pen, {right - 2, top}, shadow);
}

// Every other pixel of the outline, inverting the face beneath as an XOR-drawn focus mark does.
void focusRect(QPainter& painter, const QRect& r, const QColor& face)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    const QColor dot(255 - face.red(), 255 - face.green(), 255 - face.blue());
    const auto mark = [&](int x, int y) {
        if ((x + y) % 2 == 0)
            painter.fillRect(QRect(x, y, 1, 1), dot);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        mark(x, r.top());
        mark(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        mark(r.left(), y);
        mark(r.right(), y);
    }
}

} // namespace

CDotButton::CDotButton(QWidget* parent) : QPushButton(parent)
{
    ResetColors(false);
}

bool CDotButton::ToggleLit()
{
    SetLit(!m_bLit);
    return m_bLit;
}

void CDotButton::SetLit(bool on)
{
    m_bLit = on;
    if (on)
        lightFaces();
    else
        ResetColors(false);
    update();
}

void CDotButton::ResetDot()
{
    m_bLit = false;
    ResetColors(false);
    SetFlat(false, false);
    update();
}

int CDotButton::SetColor(int slot, const QColor& color, bool repaint)
{
    if (slot < 0 || slot >= SlotCount)
        return kBadSlot;
    m_colors[static_cast<std::size_t>(slot)] = color;
    if (repaint)
        update();
    return 0;
}

void CDotButton::ResetColors(bool repaint)
{
    // Taken from the palette now: a later palette change reaches the slots at the next reset.
    const QColor face = palette().color(QPalette::Button);
    const QColor text = palette().color(QPalette::ButtonText);
    for (int slot = 0; slot < SlotCount; ++slot)
        m_colors[static_cast<std::size_t>(slot)] = slot % 2 == 0 ? face : text;
    if (repaint)
        update();
}

void CDotButton::SetFlat(bool on, bool repaint)
{
    m_bFlat = on;
    if (repaint)
        update();
}

QColor CDotButton::color(int slot) const
{
    if (slot < 0 || slot >= SlotCount)
        return {};
    return m_colors[static_cast<std::size_t>(slot)];
}

void CDotButton::lightFaces()
{
    SetColor(FaceActive, kBlack, false);
    SetColor(FaceNormal, kBlack, false);
    SetColor(FaceFocused, kBlack, false);
}

void CDotButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colors = palette();
    const bool pressed = isDown();
    const bool focused = hasFocus();

    QRect r = rect();
    if (!m_bFlat && (focused || isDefault())) {
        frame(painter, r, kBlack);
        r.adjust(1, 1, -1, -1);
    }

    QColor face = m_colors[FaceNormal];
    if (m_bHovered || pressed)
        face = m_colors[FaceActive];
    else if (focused)
        face = m_colors[FaceFocused];
    painter.fillRect(r, face);

    if (pressed) {
        if (!m_bFlat)
            frame(painter, r, colors.color(QPalette::Dark));
        else if (kFlatBorder)
            edge(painter, r, colors.color(QPalette::Dark), colors.color(QPalette::Light));
    } else if (!m_bFlat) {
        raisedEdges(painter, r, colors);
    } else if (m_bHovered && kFlatBorder) {
        edge(painter, r, colors.color(QPalette::Light), colors.color(QPalette::Dark));
    }

    if (focused && (!m_bFlat || kFlatFocus))
        focusRect(painter, r.adjusted(3, 3, -3, -3), face);
}

void CDotButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is an ordinary press, so a double click clicks twice.
    mousePressEvent(event);
}

void CDotButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    trackHover(rect().contains(event->position().toPoint()), event->buttons() & Qt::LeftButton);
}

void CDotButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    trackHover(true, QApplication::mouseButtons() & Qt::LeftButton);
}

void CDotButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    endHover();
}

void CDotButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    endHover();
}

void CDotButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if ((event->type() == QEvent::ActivationChange && !isActiveWindow()) ||
        (event->type() == QEvent::EnabledChange && !isEnabled()))
        endHover();
}

void CDotButton::trackHover(bool mouseOver, bool leftButtonDown)
{
    if ((leftButtonDown && !m_bHovered) || !m_bFlat)
        return;
    if (!mouseOver) {
        endHover();
        return;
    }
    if (!m_bHovered) {
        m_bHovered = true;
        update();
    }
}

void CDotButton::endHover()
{
    if (m_bFlat && m_bHovered) {
        m_bHovered = false;
        update();
    }
}
