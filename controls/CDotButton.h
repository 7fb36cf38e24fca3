#pragma once

#include <QColor>
#include <QPushButton>

#include <array>

// One dot of a user-defined character: a push button that paints itself, black when lit and in
// the button-face colour when not. Being lit is a setting of the colour slots plus the flag that
// decides what the next ToggleLit() does; the button never toggles on its own.
class CDotButton : public QPushButton
{
    Q_OBJECT

public:
    enum ColorSlot
    {
        FaceActive = 0, // hovered or pressed
        TextActive = 1,
        FaceNormal = 2,
        TextNormal = 3,
        FaceFocused = 4,
        TextFocused = 5,
        SlotCount = 6,
    };
    static constexpr int kBadSlot = 3;

    explicit CDotButton(QWidget* parent = nullptr);

    // Returns the new state.
    bool ToggleLit();
    void SetLit(bool on);
    // Unlit, system colours, and the raised look from then on.
    void ResetDot();

    // 0 on success, kBadSlot for a slot that does not exist.
    int SetColor(int slot, const QColor& color, bool repaint = true);
    void ResetColors(bool repaint = true);
    void SetFlat(bool on, bool repaint = true);

    bool isLit() const { return m_bLit; }
    bool isFlatLook() const { return m_bFlat; }
    bool isHovered() const { return m_bHovered; }
    QColor color(int slot) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void lightFaces();
    void trackHover(bool mouseOver, bool leftButtonDown);
    void endHover();

    // In the flat look: the 1-pixel edge while hovered or pressed, but no focus rectangle.
    static constexpr bool kFlatBorder = true;
    static constexpr bool kFlatFocus = false;

    bool m_bFlat = true;
    bool m_bHovered = false;
    std::array<QColor, SlotCount> m_colors;
    bool m_bLit = false;
};
