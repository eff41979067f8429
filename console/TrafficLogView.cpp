#include "TrafficLogView.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

constexpr int TextMargin = 3;
constexpr char16_t FirstControlPicture = 0x2400; // U+2400..U+241F, U+2421 for DEL

} // namespace

TTrafficLogView::TTrafficLogView(int limit, QColor sentColor, QColor receivedColor, QWidget* parent)
    : QAbstractScrollArea(parent), FLimit(limit), FSentColor(sentColor), FReceivedColor(receivedColor)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

QString TTrafficLogView::Shown(const QString& text)
{
    QString shown = text;
    for (QChar& c : shown) {
        if (c.unicode() < 0x20)
            c = QChar(char16_t(FirstControlPicture + c.unicode()));
        else if (c.unicode() == 0x7F)
            c = QChar(char16_t(0x2421));
    }
    return shown;
}

void TTrafficLogView::Append(std::deque<TEntry>& entries)
{
    for (TEntry& entry : entries) {
        FLongest = qMax(FLongest, int(entry.text.size()));
        FEntries.push_back(std::move(entry));
    }
    entries.clear();
    const int dropped = qMax(0, Count() - FLimit);
    if (dropped > 0) {
        FEntries.erase(FEntries.begin(), FEntries.begin() + dropped);
        // The selection stays on the same lines while they are kept.
        if (FCurrent >= 0 && qMax(FAnchor, FCurrent) < dropped) {
            FAnchor = FCurrent = -1;
        } else if (FCurrent >= 0) {
            FAnchor = qMax(0, FAnchor - dropped);
            FCurrent = qMax(0, FCurrent - dropped);
        }
    }
    UpdateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TTrafficLogView::Clear()
{
    FEntries.clear();
    FLongest = 0;
    FAnchor = FCurrent = -1;
    UpdateScrollBars();
    viewport()->update();
}

// ---- text -------------------------------------------------------------------

QString TTrafficLogView::Lines(int first, int last) const
{
    QString text;
    for (int i = first; i <= last && i < Count(); ++i)
        text += Shown(FEntries[size_t(i)].text) + QLatin1Char('\n');
    return text;
}

QString TTrafficLogView::AllText() const
{
    return Lines(0, Count() - 1);
}

QString TTrafficLogView::SelectedText() const
{
    if (!HasSelection())
        return {};
    return Lines(qMin(FAnchor, FCurrent), qMax(FAnchor, FCurrent));
}

void TTrafficLogView::SelectAll()
{
    if (FEntries.empty())
        return;
    FAnchor = 0;
    FCurrent = Count() - 1;
    viewport()->update();
}

void TTrafficLogView::CopySelection() const
{
    if (HasSelection())
        QGuiApplication::clipboard()->setText(SelectedText());
}

bool TTrafficLogView::Selected(int line) const
{
    return HasSelection() && line >= qMin(FAnchor, FCurrent) && line <= qMax(FAnchor, FCurrent);
}

// ---- geometry and drawing ---------------------------------------------------

int TTrafficLogView::LineHeight() const
{
    return fontMetrics().lineSpacing();
}

int TTrafficLogView::VisibleLines() const
{
    return qMax(1, viewport()->height() / LineHeight());
}

int TTrafficLogView::LineAt(int y) const
{
    return verticalScrollBar()->value() + qMax(0, y) / LineHeight();
}

void TTrafficLogView::UpdateScrollBars()
{
    const int visible = VisibleLines();
    verticalScrollBar()->setRange(0, qMax(0, Count() - visible));
    verticalScrollBar()->setPageStep(visible);
    // A fixed font: every character is as wide as a digit.
    const int widest = FLongest * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 2 * TextMargin;
    horizontalScrollBar()->setRange(0, qMax(0, widest - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TTrafficLogView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TTrafficLogView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int height = LineHeight();
    const int ascent = fontMetrics().ascent();
    const int left = TextMargin - horizontalScrollBar()->value();
    const int first = verticalScrollBar()->value();
    for (int row = 0; first + row < Count() && row * height < viewport()->height(); ++row) {
        const int line = first + row;
        const TEntry& entry = FEntries[size_t(line)];
        const int top = row * height;
        if (Selected(line)) {
            painter.fillRect(0, top, viewport()->width(), height, palette().highlight());
            painter.setPen(palette().color(QPalette::HighlightedText));
        } else {
            painter.setPen(entry.sent ? FSentColor : FReceivedColor);
        }
        painter.drawText(left, top + ascent, Shown(entry.text));
    }
}

// ---- mouse and keys ---------------------------------------------------------

void TTrafficLogView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || FEntries.empty())
        return QAbstractScrollArea::mousePressEvent(event);
    const int line = qMin(LineAt(int(event->position().y())), Count() - 1);
    if (!(event->modifiers() & Qt::ShiftModifier) || !HasSelection())
        FAnchor = line;
    FCurrent = line;
    viewport()->update();
}

void TTrafficLogView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || !HasSelection())
        return QAbstractScrollArea::mouseMoveEvent(event);
    FCurrent = qBound(0, LineAt(int(event->position().y())), Count() - 1);
    viewport()->update();
}

void TTrafficLogView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy))
        CopySelection();
    else if (event->matches(QKeySequence::SelectAll))
        SelectAll();
    else
        QAbstractScrollArea::keyPressEvent(event);
}
