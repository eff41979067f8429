#include "Printing.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPixmap>

#include "base/KelvorErrors.h"

namespace {

// a * b / c in whole numbers, rounded to the nearest (halves up); the
// product is formed first, in 64 bits, so nothing is lost before dividing.
int MulDiv(int a, int b, int c)
{
    return int((2 * qint64(a) * b + c) / (2 * qint64(c)));
}

} // namespace

QSize PrintedPictureSize(TPrintScale scale, const TPrintGeometry& g)
{
    const int w = g.picture.width();
    const int h = g.picture.height();
    if (w <= 0 || h <= 0)
        return {0, 0};
    switch (scale) {
    case TPrintScale::None:
        return {w, h};
    case TPrintScale::ScreenSize:
        if (g.windowPixelsPerInch <= 0 || g.printerDotsPerInchX <= 0 || g.printerDotsPerInchY <= 0)
            return {0, 0};
        return {MulDiv(w, g.printerDotsPerInchX, g.windowPixelsPerInch),
                MulDiv(h, g.printerDotsPerInchY, g.windowPixelsPerInch)};
    case TPrintScale::FitToPage: {
        if (g.page.width() <= 0 || g.page.height() <= 0)
            return {0, 0};
        // Full page height, unless the picture would then be wider than
        // the page: then full page width.
        const int width = MulDiv(w, g.page.height(), h);
        if (width < g.page.width())
            return {width, g.page.height()};
        return {g.page.width(), MulDiv(h, g.page.width(), w)};
    }
    }
    return {0, 0};
}

void PrintPicture(QPagedPaintDevice& device, const QPixmap& picture, TPrintScale scale, int windowPixelsPerInch)
{
    TPrintGeometry geometry;
    geometry.picture = picture.deviceIndependentSize().toSize();
    geometry.windowPixelsPerInch = windowPixelsPerInch;
    geometry.printerDotsPerInchX = device.logicalDpiX();
    geometry.printerDotsPerInchY = device.logicalDpiY();
    geometry.page = QSize(device.width(), device.height());
    const QSize size = PrintedPictureSize(scale, geometry);

    QPainter painter;
    if (!painter.begin(&device))
        throw EKelvorError(QStringLiteral("The printer could not be started."));
    // Window text stays sharp: no lossy compression of the picture.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(QPoint(0, 0), size), picture);
    painter.end();
}
