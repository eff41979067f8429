#pragma once
// A plot of channel 9's points against their index (1 to n), with the
// amplitude clamp of the device (+9.99 and -10) drawn as lines. However many
// points there are, one paint looks at each visible point once and draws at
// most a few lines per pixel column: where more points than columns are in
// view, each column shows the smallest and largest of its points.
// The wheel zooms the index axis around the pointer, dragging pans it, and a
// double click shows all points again.
#include <QVector>
#include <QWidget>

class TWaveformView : public QWidget {
    Q_OBJECT
public:
    explicit TWaveformView(QWidget* parent = nullptr);

    // Shows these points (NaN for a point that is not a number), all in view.
    void SetPoints(QVector<double> points);
    qsizetype PointCount() const { return FPoints.size(); }

    // The part of the index axis in view: from point index First (0-based,
    // fractional while zoomed) over Span points.
    double First() const { return FFirst; }
    double Span() const { return FSpan; }
    void ShowRange(double first, double span);

    // The plot area inside the widget (the axes' labels lie outside it).
    QRect PlotArea() const;

    QSize sizeHint() const override { return {720, 320}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void DrawAxes(class QPainter& painter, const QRect& area) const;
    void DrawPoints(class QPainter& painter, const QRect& area) const;
    double YOf(double value, const QRect& area) const;

    QVector<double> FPoints;
    double FLow = -12, FHigh = 12; // the value axis
    double FFirst = 0, FSpan = 1;
    bool FDragging = false;
    double FDragX = 0;
};
