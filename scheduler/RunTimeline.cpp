#include "RunTimeline.h"

#include <QPainter>

#include "Clock.h"
#include "RunEngine.h"

using namespace TimelineTicks;

namespace {

constexpr int LabelWidth = 26; // the row names, left of the strip
constexpr int AxisHeight = 14; // the time labels, below it
constexpr int RowPixels = 9;
constexpr int TickWidth = 5;
// Ticks carried out are kept while they are in view, and never more than these.
constexpr size_t MostDoneTicks = 5000;

QString RowName(int row)
{
    return row == ParadigmRow ? QStringLiteral("Par") : QStringLiteral("Ch%1").arg(row + 1);
}

} // namespace

TRunTimeline::TRunTimeline(const TRunEngine& engine, const TClock& clock, QWidget* parent)
    : QWidget(parent)
    , FEngine(engine)
    , FClock(clock)
{
    setObjectName(QStringLiteral("RunTimeline"));
    setMinimumHeight(sizeHint().height());
    FRepaintTimer.setParent(this);
    FRepaintTimer.setObjectName(QStringLiteral("RepaintTimer"));
    FRepaintTimer.setSingleShot(true);
    FRepaintTimer.setTimerType(Qt::PreciseTimer);
    connect(&FRepaintTimer, &QTimer::timeout, this, &TRunTimeline::RepaintInSlot);
}

QColor TRunTimeline::DoneColor() { return QColor(0, 128, 0); }
QColor TRunTimeline::LateColor() { return QColor(Qt::red); }
QColor TRunTimeline::ComingColor() { return QColor(Qt::blue); }

QSize TRunTimeline::sizeHint() const
{
    return {LabelWidth + 360, RowCount * RowPixels + AxisHeight + 2};
}

void TRunTimeline::Begin(qint64 startMs)
{
    FDone.clear();
    FComing.clear();
    FChanged = true;
    FStartMs = startMs;
    FLastSlot = -1;
    Refresh();
    update();
    WaitForNextSlot();
}

// Slot k is the quarter second from FStartMs + (k + 1/2) * SlotMs on; one
// repaint per slot at most, at its start.
void TRunTimeline::RepaintInSlot()
{
    const qint64 sinceFirst = SinceFirstSlotMs();
    const qint64 slot = (sinceFirst - IntoSlotMs(sinceFirst)) / SlotMs;
    if (slot != FLastSlot) {
        FLastSlot = slot;
        Refresh();
        repaint(); // now, not whenever the window paints next: one paint per slot
    }
    WaitForNextSlot();
}

void TRunTimeline::WaitForNextSlot()
{
    FRepaintTimer.start(int(SlotMs - IntoSlotMs(SinceFirstSlotMs())));
}

qint64 TRunTimeline::SinceFirstSlotMs() const
{
    return FClock.MsecsSinceEpoch() - FStartMs - SlotMs / 2;
}

// Also before the first slot (a negative sinceFirst): 0 to SlotMs - 1.
qint64 TRunTimeline::IntoSlotMs(qint64 sinceFirst)
{
    return ((sinceFirst % SlotMs) + SlotMs) % SlotMs;
}

void TRunTimeline::End()
{
    FRepaintTimer.stop();
}

void TRunTimeline::Carried(const TRunRecord& record)
{
    const TTick tick = TimelineTicks::Carried(FEngine, record);
    if (tick.Row < 0)
        return;
    FDone.push_back(tick);
    if (FDone.size() > MostDoneTicks)
        FDone.pop_front();
}

void TRunTimeline::Refresh()
{
    FNowMs = FClock.MsecsSinceEpoch();
    while (!FDone.empty() && FDone.front().Ms < FNowMs - PastSpanMs)
        FDone.pop_front();
    if (FChanged) {
        FComing = Coming(FEngine, FNowMs);
        FChanged = false;
    }
}

QRect TRunTimeline::Area() const
{
    return {LabelWidth, 1, std::max(1, width() - LabelWidth - 2), RowCount * RowPixels};
}

int TRunTimeline::XOf(qint64 ms) const
{
    const QRect area = Area();
    const double span = double(PastSpanMs + FutureSpanMs);
    return area.left() + int((double(ms - (FNowMs - PastSpanMs)) / span) * area.width());
}

int TRunTimeline::RowTop(int row) const
{
    return Area().top() + row * RowPixels;
}

int TRunTimeline::RowHeight() const
{
    return RowPixels;
}

void TRunTimeline::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRect area = Area();
    painter.fillRect(area, Qt::white);
    DrawRows(painter, area);
    painter.save();
    painter.setClipRect(area);
    for (const TTick& tick : FDone)
        DrawTick(painter, tick);
    for (const TTick& tick : FComing)
        DrawTick(painter, tick);
    painter.restore();
    DrawNow(painter, area);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

void TRunTimeline::DrawRows(QPainter& painter, const QRect& area) const
{
    QFont small = font();
    small.setPixelSize(RowPixels);
    painter.setFont(small);
    for (int row = 0; row < RowCount; ++row) {
        const int top = RowTop(row);
        if (row > 0) {
            painter.setPen(QColor(230, 230, 230));
            painter.drawLine(area.left(), top, area.right(), top);
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, top, LabelWidth - 3, RowPixels), Qt::AlignRight | Qt::AlignVCenter, RowName(row));
    }
}

// Solid for carried out, hollow for to come; the colour says late.
void TRunTimeline::DrawTick(QPainter& painter, const TTick& tick) const
{
    const QRect box(XOf(tick.Ms) - TickWidth / 2, RowTop(tick.Row) + 1, TickWidth, RowPixels - 2);
    const QColor colour = tick.Late ? LateColor() : tick.Done ? DoneColor() : ComingColor();
    if (tick.Done) {
        painter.fillRect(box, colour);
        return;
    }
    painter.setPen(colour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
}

void TRunTimeline::DrawNow(QPainter& painter, const QRect& area) const
{
    const int x = XOf(FNowMs);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(x, area.top(), x, area.bottom() + 3);
    const QRect labels(area.left(), area.bottom() + 2, area.width(), AxisHeight - 2);
    const QString past = QStringLiteral("-1 min");
    const QString now = QStringLiteral("now");
    const QFontMetrics metrics = painter.fontMetrics();
    const int nowLeft = x - metrics.horizontalAdvance(now) / 2;
    // A narrow strip leaves the past's label out rather than draw it over now's.
    if (labels.left() + metrics.horizontalAdvance(past) + 4 < nowLeft)
        painter.drawText(labels, Qt::AlignLeft | Qt::AlignVCenter, past);
    painter.drawText(labels, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("+5 min"));
    painter.drawText(QRect(nowLeft, labels.top(), metrics.horizontalAdvance(now), labels.height()), Qt::AlignCenter,
                     now);
}
