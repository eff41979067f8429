#include "WaveformView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "model/VexoClasses.h"

namespace {

// Margins around the plot area: room for the value labels on the left and
// the index labels below.
constexpr int MarginLeft = 48, MarginRight = 12, MarginTop = 10, MarginBottom = 24;
constexpr double SmallestSpan = 8;                   // points in view at the deepest zoom
constexpr double ZoomPerNotch = 0.8;                 // one wheel notch shows 80 % of the points

// A step of 1, 2 or 5 times a power of ten that cuts `range` into about `parts`.
double NiceStep(double range, int parts)
{
    const double raw = range / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw)
            return m * power;
    }
    return 10 * power;
}

QString Number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

TWaveformView::TWaveformView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WaveformView"));
    setMinimumSize(320, 160);
    setCursor(Qt::OpenHandCursor);
}

void TWaveformView::SetPoints(QVector<double> points)
{
    FPoints = std::move(points);
    // The value axis always shows the clamp lines, and every point beyond them.
    FLow = -11;
    FHigh = 11;
    for (const double v : std::as_const(FPoints)) {
        if (std::isfinite(v)) {
            FLow = std::min(FLow, v);
            FHigh = std::max(FHigh, v);
        }
    }
    const double pad = (FHigh - FLow) * 0.04;
    FLow -= pad;
    FHigh += pad;
    ShowRange(0, double(FPoints.size() - 1));
}

void TWaveformView::ShowRange(double first, double span)
{
    const double whole = std::max(1.0, double(FPoints.size() - 1));
    FSpan = std::clamp(span, std::min(SmallestSpan, whole), whole);
    FFirst = std::clamp(first, 0.0, whole - FSpan);
    update();
}

QRect TWaveformView::PlotArea() const
{
    return rect().adjusted(MarginLeft, MarginTop, -MarginRight, -MarginBottom);
}

double TWaveformView::YOf(double value, const QRect& area) const
{
    return area.bottom() - (value - FLow) / (FHigh - FLow) * area.height();
}

void TWaveformView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRect area = PlotArea();
    if (area.width() < 2 || area.height() < 2)
        return;
    painter.fillRect(area, Qt::white);
    DrawAxes(painter, area);
    painter.save();
    painter.setClipRect(area);
    DrawPoints(painter, area);
    painter.restore();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

void TWaveformView::DrawAxes(QPainter& painter, const QRect& area) const
{
    const QFontMetrics metrics(font());
    const QColor text = palette().color(QPalette::WindowText);
    // Value grid and labels.
    const double step = NiceStep(FHigh - FLow, 6);
    for (double v = std::ceil(FLow / step) * step; v <= FHigh; v += step) {
        const int y = int(std::lround(YOf(v, area)));
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(area.left(), y, area.right(), y);
        painter.setPen(text);
        const QString label = Number(std::abs(v) < step / 2 ? 0 : v);
        painter.drawText(QRect(0, y - metrics.height() / 2, MarginLeft - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label);
    }
    // The device's clamp: what lies beyond these lines is sent as the limit.
    QPen clampPen(QColor(200, 40, 40), 1, Qt::DashLine);
    for (const double limit : {AmplitudeHigh, AmplitudeLow}) {
        const int y = int(std::lround(YOf(limit, area)));
        painter.setPen(clampPen);
        painter.drawLine(area.left(), y, area.right(), y);
        painter.drawText(QRect(area.right() - 60, limit > 0 ? y - metrics.height() - 1 : y + 1, 56, metrics.height()),
                         Qt::AlignRight, (limit > 0 ? QStringLiteral("+") : QString()) + QString::number(limit));
    }
    // Point numbers (counted from 1) below the axis, at round numbers.
    if (FPoints.isEmpty())
        return;
    painter.setPen(text);
    const double numberStep = std::max(1.0, NiceStep(FSpan, 8));
    for (double number = std::ceil((FFirst + 1) / numberStep) * numberStep; number <= FFirst + FSpan + 1 + 1e-9;
         number += numberStep) {
        const int x = area.left() + int(std::lround((number - 1 - FFirst) / FSpan * area.width()));
        painter.drawLine(x, area.bottom(), x, area.bottom() + 4);
        QRect label(x - 40, area.bottom() + 5, 80, metrics.height());
        label.moveRight(std::min(label.right(), width() - 2)); // the last number stays whole
        painter.drawText(label, Qt::AlignHCenter, QString::number(qint64(number)));
    }
}

void TWaveformView::DrawPoints(QPainter& painter, const QRect& area) const
{
    const qsizetype n = FPoints.size();
    if (n == 0)
        return;
    const qsizetype first = std::clamp<qsizetype>(qsizetype(std::ceil(FFirst)), 0, n - 1);
    const qsizetype last = std::clamp<qsizetype>(qsizetype(std::floor(FFirst + FSpan)), 0, n - 1);
    const int width = area.width();
    const double perPixel = FSpan / width;
    auto xOf = [&](double index) { return area.left() + (index - FFirst) / FSpan * width; };
    painter.setPen(QPen(QColor(20, 60, 170), 1));

    if (last - first + 1 <= width) {
        // Fewer points than columns: a line through the points, broken where
        // a point is not a number, with dots once they stand apart.
        QPolygonF run;
        const bool dots = (last - first + 1) * 4 <= width;
        for (qsizetype i = first; i <= last; ++i) {
            const double v = FPoints.at(i);
            if (!std::isfinite(v)) {
                painter.drawPolyline(run);
                run.clear();
                continue;
            }
            const QPointF p(xOf(double(i)), YOf(v, area));
            run << p;
            if (dots)
                painter.drawRect(QRectF(p.x() - 1.5, p.y() - 1.5, 3, 3));
        }
        painter.drawPolyline(run);
        return;
    }

    // More points than columns: each column draws from its smallest to its
    // largest point, joined to the column before by the last and first points.
    QVector<QLineF> lines;
    lines.reserve(2 * width);
    qsizetype i = first;
    bool joined = false;
    double previousX = 0, previousY = 0;
    for (int column = 0; column < width && i <= last; ++column) {
        const qsizetype end = std::min<qsizetype>(last, qsizetype(std::floor(FFirst + (column + 1) * perPixel)));
        double low = 0, high = 0, firstY = 0, lastY = 0;
        bool any = false;
        for (; i <= end; ++i) {
            const double v = FPoints.at(i);
            if (!std::isfinite(v))
                continue;
            if (!any) {
                low = high = v;
                firstY = YOf(v, area);
                any = true;
            }
            low = std::min(low, v);
            high = std::max(high, v);
            lastY = YOf(v, area);
        }
        if (!any) {
            joined = false;
            continue;
        }
        const double x = area.left() + column + 0.5;
        if (joined)
            lines << QLineF(previousX, previousY, x, firstY);
        lines << QLineF(x, YOf(low, area), x, YOf(high, area));
        previousX = x;
        previousY = lastY;
        joined = true;
    }
    painter.drawLines(lines);
}

void TWaveformView::wheelEvent(QWheelEvent* event)
{
    const QRect area = PlotArea();
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 || area.width() <= 0)
        return;
    // The point under the pointer stays where it is.
    const double share = std::clamp((event->position().x() - area.left()) / area.width(), 0.0, 1.0);
    const double anchor = FFirst + share * FSpan;
    const double span = FSpan * std::pow(ZoomPerNotch, notches);
    const double whole = std::max(1.0, double(FPoints.size() - 1));
    const double clamped = std::clamp(span, std::min(SmallestSpan, whole), whole);
    ShowRange(anchor - share * clamped, clamped);
    event->accept();
}

void TWaveformView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    FDragging = true;
    FDragX = event->position().x();
    setCursor(Qt::ClosedHandCursor);
}

void TWaveformView::mouseMoveEvent(QMouseEvent* event)
{
    if (!FDragging || PlotArea().width() <= 0)
        return;
    const double x = event->position().x();
    ShowRange(FFirst - (x - FDragX) / PlotArea().width() * FSpan, FSpan);
    FDragX = x;
}

void TWaveformView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    FDragging = false;
    setCursor(Qt::OpenHandCursor);
}

void TWaveformView::mouseDoubleClickEvent(QMouseEvent*)
{
    ShowRange(0, double(FPoints.size() - 1));
}
