#pragma once
// The timeline strip under the scheduler window's list: one row per channel
// and one for paradigm instructions, a tick at each trigger and change.
// Ticks of instructions carried out are solid, ticks to come hollow (the
// next 5 minutes of the run's path, TimelineTicks.h), late ones red; a line
// marks now. The strip spans the last minute and the next five.
//
// It repaints on a timer, at most RepaintsPerSecond times a second, however
// fast the run moves: a run's steps only mark it changed, and the ticks to
// come are worked out again at the next repaint. The repaints keep to the
// middle of the run's quarter seconds (from its start moment), so that they
// do not meet the instructions of a script written in whole seconds.
#include <QTimer>
#include <QWidget>

#include <deque>
#include <vector>

#include "TimelineTicks.h"

class TClock;
class TRunEngine;

class TRunTimeline : public QWidget {
    Q_OBJECT
public:
    static constexpr int RepaintsPerSecond = 4;
    static constexpr qint64 SlotMs = 1000 / RepaintsPerSecond;

    // engine and clock must outlive the strip.
    TRunTimeline(const TRunEngine& engine, const TClock& clock, QWidget* parent);

    // A run started at startMs (since the epoch): no ticks carried out yet;
    // repaints run until End.
    void Begin(qint64 startMs);
    void End();
    // An instruction the run carried out.
    void Carried(const TRunRecord& record);
    // The run moved on: the ticks to come are worked out again.
    void RunChanged() { FChanged = true; }

    // What the next paint draws: the ticks are brought up to date first.
    void Refresh();
    const std::deque<TimelineTicks::TTick>& DoneTicks() const { return FDone; }
    const std::vector<TimelineTicks::TTick>& ComingTicks() const { return FComing; }
    // Where a moment and a row are drawn.
    int XOf(qint64 ms) const;
    int RowTop(int row) const;
    int RowHeight() const;

    static QColor DoneColor();
    static QColor LateColor();
    static QColor ComingColor();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RepaintInSlot();
    void WaitForNextSlot();
    qint64 SinceFirstSlotMs() const;
    static qint64 IntoSlotMs(qint64 sinceFirst);
    QRect Area() const;
    void DrawRows(class QPainter& painter, const QRect& area) const;
    void DrawTick(QPainter& painter, const TimelineTicks::TTick& tick) const;
    void DrawNow(QPainter& painter, const QRect& area) const;

    const TRunEngine& FEngine;
    const TClock& FClock;
    QTimer FRepaintTimer;
    std::deque<TimelineTicks::TTick> FDone;
    std::vector<TimelineTicks::TTick> FComing;
    qint64 FNowMs = 0; // the moment the strip was last brought up to date
    bool FChanged = true;
    qint64 FStartMs = 0;     // the run's first start moment: the slots count from it
    qint64 FLastSlot = -1;   // the slot of the last repaint
};
