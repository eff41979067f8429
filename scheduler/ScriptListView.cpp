#include "ScriptListView.h"

#include <QPainter>
#include <QPolygon>

#include "SchedulerMetrics.h"

using namespace SchedulerMetrics;

TScriptRow ScriptRow(const TRunEngine& engine, int row)
{
    TScriptRow shown;
    if (row < 0 || row >= engine.Lines().Count())
        return shown;
    shown.Text = engine.Lines().At(row);
    shown.Next = row == engine.NextIndex();
    const TCommandsArray& commands = engine.Commands();
    if (row < int(commands.size()) && commands[size_t(row)].Kind == KindJump) {
        const TCommand& jump = commands[size_t(row)];
        int taken = jump.Counter;
        if (row == engine.CurrentIndex())
            taken = jump.Counter < jump.Loops ? jump.Counter + 1 : 0;
        shown.Counter = QStringLiteral(" [ NOW %1 ]").arg(taken);
    }
    return shown;
}

TScriptRowDelegate::TScriptRowDelegate(const TRunEngine& engine, QObject* parent)
    : QStyledItemDelegate(parent)
    , FEngine(engine)
{
}

void TScriptRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const TScriptRow row = ScriptRow(FEngine, index.row());
    const QRect& r = option.rect;
    painter->save();
    painter->fillRect(r, option.palette.color(QPalette::ToolTipBase));
    QColor ink = Qt::black;
    if (row.Next) {
        ink = Qt::blue;
        const QPolygon marker({QPoint(r.left() + MarkerLeft, r.top()),
                               QPoint(r.left() + MarkerLeft, r.bottom() - MarkerBottomGap),
                               QPoint(r.left() + MarkerTip, r.top() + (r.bottom() - r.top()) / 2 - MarkerTipRise)});
        painter->setPen(ink);
        painter->setBrush(ink);
        painter->drawPolygon(marker);
    }
    QRect text = r.adjusted(TextLeft, 0, 0, 0);
    painter->setPen(ink);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, row.Text);
    if (!row.Counter.isEmpty()) {
        text.setLeft(text.left() + option.fontMetrics.horizontalAdvance(row.Text));
        painter->setPen(Qt::red);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, row.Counter);
    }
    painter->restore();
}

QSize TScriptRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return {QStyledItemDelegate::sizeHint(option, index).width(), RowHeight};
}
