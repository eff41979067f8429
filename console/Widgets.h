#pragma once
// Small controls of the main window: the flat link-matrix button, the
// owner-drawn mode and shape lists, and the power switch.
#include <QAbstractButton>
#include <QComboBox>
#include <QToolButton>
#include <functional>

// A flat button that also carries its place in the link matrix and the
// cell state it shows (0 = nothing shown yet, else state + 1).
class TSpeedButtonEX : public QToolButton {
    Q_OBJECT
public:
    TSpeedButtonEX(int col, int row, QWidget* parent);
    int Col;
    int Row;
    int Tag = 0;
};

// A list whose choice changes a live stimulator: only a deliberate choice may
// change it, picking an entry with the mouse or opening the list (Alt+Down,
// F4, Space) and confirming with Return. The closed list swallows every other
// key that would move its selection (Home, End, Page Up/Down, letters), and
// the mouse wheel, so that a stray key or a scroll never switches a channel.
class TGuardedComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

// The base of the owner-drawn lists: draws the current item in the closed
// box with the same code as the items of the open list.
class TOwnerDrawnComboBox : public TGuardedComboBox {
    Q_OBJECT
public:
    TOwnerDrawnComboBox(int itemHeight, QWidget* parent);
    int Tag = 0;
    int ItemHeight() const { return FItemHeight; }
    virtual void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected) const = 0;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int FItemHeight;
};

// A channel's mode list: each item shows the mode's picture with its name
// below.
class TModeComboBox : public TOwnerDrawnComboBox {
    Q_OBJECT
public:
    explicit TModeComboBox(QWidget* parent);
    void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected) const override;
};

// A channel's shape list: pictures only. The owner moves the focus on the
// arrow keys (OnArrowKey returns true when it took the key).
class TShapeComboBox : public TOwnerDrawnComboBox {
    Q_OBJECT
public:
    explicit TShapeComboBox(QWidget* parent);
    void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected) const override;
    std::function<bool(QKeyEvent*)> OnArrowKey;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The two-state power switch ("Enable").
class TPowerSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit TPowerSwitch(QWidget* parent);
    QSize sizeHint() const override { return {57, 25}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
