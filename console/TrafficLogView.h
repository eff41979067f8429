#pragma once
// The monitor's traffic log: one line per entry, oldest at the top, sent
// entries red and received ones green.
//
// It keeps the entries themselves and draws only the lines in view, so that
// adding an entry costs the same with fifty entries kept or fifty thousand,
// and a whole batch costs one repaint. (A text document would lay out and
// index every line as it is added, several microseconds each: more than the
// link's own work per entry.) The oldest entries beyond the limit are
// dropped.
//
// Control characters among the bytes are shown as their control pictures
// (a CR as U+240D), so that each entry stays on its one line and shows every
// byte; copies and saved files get the entries as shown, one a line. Whole
// lines are selected with the mouse (Shift extends the selection); Ctrl+C
// copies them and Ctrl+A selects all.
#include <QAbstractScrollArea>
#include <QColor>

#include <deque>

class TTrafficLogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct TEntry {
        QString text;
        bool sent;
    };

    TTrafficLogView(int limit, QColor sentColor, QColor receivedColor, QWidget* parent);

    // Takes the entries over (leaving the queue empty), drops the oldest
    // beyond the limit and scrolls to the end.
    void Append(std::deque<TEntry>& entries);
    void Clear();
    int Count() const { return int(FEntries.size()); }

    // The entries as shown, each a line ended by LF.
    QString AllText() const;
    QString SelectedText() const;
    bool HasSelection() const { return FAnchor >= 0; }
    void SelectAll();
    void CopySelection() const;

    // The entry as the log shows it.
    static QString Shown(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int LineHeight() const;
    int VisibleLines() const;
    int LineAt(int y) const;
    bool Selected(int line) const;
    QString Lines(int first, int last) const;
    void UpdateScrollBars();

    int FLimit;
    QColor FSentColor;
    QColor FReceivedColor;
    std::deque<TEntry> FEntries;
    int FLongest = 0;   // characters of the longest entry kept
    int FAnchor = -1;   // selected lines: FAnchor to FCurrent, -1 for none
    int FCurrent = -1;
};
