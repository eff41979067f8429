#include "Widgets.h"

#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "ui/Pictures.h"

TSpeedButtonEX::TSpeedButtonEX(int col, int row, QWidget* parent)
    : QToolButton(parent), Col(col), Row(row)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIconSize(QSize(13, 13));
}

namespace {

// Draws the open list's items with the owner's drawing code.
class TOwnerDrawDelegate : public QStyledItemDelegate {
public:
    explicit TOwnerDrawDelegate(TOwnerDrawnComboBox* box) : QStyledItemDelegate(box), FBox(box) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        FBox->DrawItem(*painter, option.rect, index.row(), selected);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), FBox->ItemHeight()};
    }

private:
    TOwnerDrawnComboBox* FBox;
};

} // namespace

void TGuardedComboBox::keyPressEvent(QKeyEvent* event)
{
    const bool alt = event->modifiers() & Qt::AltModifier;
    switch (event->key()) {
    case Qt::Key_F4:
    case Qt::Key_Space:
        QComboBox::keyPressEvent(event); // opens the list
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (alt) {
            QComboBox::keyPressEvent(event);
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        event->ignore(); // for the window (default buttons, focus chain)
        return;
    default:
        break;
    }
    event->accept();
}

void TGuardedComboBox::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

TOwnerDrawnComboBox::TOwnerDrawnComboBox(int itemHeight, QWidget* parent)
    : TGuardedComboBox(parent), FItemHeight(itemHeight)
{
    setItemDelegate(new TOwnerDrawDelegate(this));
    setFocusPolicy(Qt::StrongFocus);
}

void TOwnerDrawnComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() >= 0) {
        painter.save();
        painter.setClipRect(field);
        DrawItem(painter, field, currentIndex(), false);
        painter.restore();
    }
}

TModeComboBox::TModeComboBox(QWidget* parent) : TOwnerDrawnComboBox(45, parent)
{
    addItems({QStringLiteral("FreeRun"), QStringLiteral("Train"), QStringLiteral("Trigger"), QStringLiteral("DC"),
              QStringLiteral("Gate"), QStringLiteral("Twin"), QStringLiteral("Off")});
}

void TModeComboBox::DrawItem(QPainter& painter, const QRect& rect, int index, bool selected) const
{
    // The closed box leaves less room than an open item: the picture is
    // squeezed to the room there is, the name keeps its own line below.
    const QPixmap picture = Pictures::Mode(index);
    const int width = qMin(picture.width(), rect.width() - 4);
    painter.drawPixmap(QRect(rect.left() + 2, rect.top() + 2, width, picture.height()), picture);
    QRect textRect = rect.adjusted(2, 2, -2, -2);
    textRect.setTop(rect.top() + 20);
    // The largest font up to 11 pixels in which the whole name fits.
    QFont font = painter.font();
    for (int size = 11; size >= 8; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(itemText(index)) <= textRect.width())
            break;
    }
    painter.setFont(font);
    painter.setPen(selected ? palette().highlightedText().color() : palette().text().color());
    painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, itemText(index));
}

TShapeComboBox::TShapeComboBox(QWidget* parent) : TOwnerDrawnComboBox(25, parent)
{
    addItems({QStringLiteral("Monopolar"), QStringLiteral("Bipolar"), QStringLiteral("rank")});
}

void TShapeComboBox::DrawItem(QPainter& painter, const QRect& rect, int index, bool) const
{
    painter.drawPixmap(rect.topLeft() + QPoint(0, 2), Pictures::Shape(index));
}

void TShapeComboBox::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & Qt::AltModifier) {
        TGuardedComboBox::keyPressEvent(event); // Alt+Down opens the list
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (OnArrowKey)
            OnArrowKey(event);
        event->accept();
        return;
    default:
        TGuardedComboBox::keyPressEvent(event);
    }
}

TPowerSwitch::TPowerSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setChecked(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void TPowerSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 3, -1, -3);
    const qreal radius = track.height() / 2;
    const bool on = isChecked();
    painter.setPen(QPen(QColor(on ? "#1d6b2a" : "#7a7a7a"), 1));
    painter.setBrush(QColor(on ? "#35a84a" : "#c8c8c8"));
    painter.drawRoundedRect(track, radius, radius);
    painter.setPen(QColor(on ? Qt::white : QColor("#505050")));
    QFont font = painter.font();
    font.setPixelSize(9);
    font.setBold(true);
    painter.setFont(font);
    const QRectF knob(on ? track.right() - track.height() + 1 : track.left() + 1, track.top() + 1,
                      track.height() - 2, track.height() - 2);
    const QRectF label = on ? QRectF(track.left() + 4, track.top(), knob.left() - track.left() - 4, track.height())
                            : QRectF(knob.right(), track.top(), track.right() - knob.right() - 4, track.height());
    painter.drawText(label, Qt::AlignCenter, on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    painter.setPen(QPen(QColor("#606060"), 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knob);
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius + 2, radius + 2);
    }
}
