#pragma once
// The monitor window: the serial traffic between the console and the
// Kelvor 9 as it passes, sent bytes red and received bytes green, each entry
// on a line of its own behind its time stamp. It is the link's traffic view
// (TfrmComm::AttachView) and records only while it is shown. Closing it
// only hides it.
//
// Painting. AppendEntry is called inside the serial hand-over, where nothing
// may serve events, and during a channel 9 transfer it comes thousands of
// times a second. So it only queues the entry; a timer hands the queue to
// the log PaintIntervalMs after the first entry came, which costs one
// repaint however many entries arrived meanwhile. The log keeps the last
// HistoryLimit entries, so that a day-long session stays fast; the oldest
// are dropped as new ones come.
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

#include "TrafficLogView.h"
#include "link/CommUnit.h"

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class TUserDialogs;

class TfrmMonitor : public QWidget, public TTrafficView {
    Q_OBJECT
public:
    // Whether a position from an earlier run is kept in the settings.
    bool HasStoredPosition() const;
    static constexpr int HistoryLimit = 50000;
    static constexpr int PaintIntervalMs = 40;
    static QColor SentColor();
    static QColor ReceivedColor();

    // dialogs gives the questions of the log's context menu (the file name).
    explicit TfrmMonitor(std::function<TUserDialogs&()> dialogs);
    ~TfrmMonitor() override;

    bool IsShowing() const override;
    void AppendEntry(const QString& entry, bool sent) override;

    // Paints the queued entries now (the timer does it by itself).
    void Flush();
    // The log's entries as shown, one a line ended by LF: the time stamp,
    // ":....." and the bytes, control characters as their pictures. Queued
    // entries are painted first.
    QString LogText();
    int EntryCount() const;

signals:
    // A batch of entries has been painted.
    void LogPainted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildLegend();
    void BuildControls();
    void BuildLog();
    QLabel* AddLegendLabel(const QString& name, const QString& text, int left, const QColor& color = {});
    void SpeedButton1Click();
    void CheckBox1Click();
    void ShowLogMenu(const QPoint& at);
    void SaveLogClick();
    void CopyAllClick();
    void StorePosition() const;
    void RestorePosition();

    std::function<TUserDialogs&()> FDialogs;
    TTrafficLogView* RichEdit1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QAction* FCopy = nullptr;
    QAction* FSelectAll = nullptr;
    QAction* FCopyAll = nullptr;
    QAction* FSaveLog = nullptr;
    std::deque<TTrafficLogView::TEntry> FQueue;
    QTimer FPaintTimer;
};
