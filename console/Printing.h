#pragma once
// Printing the picture of the main window on one page, at one of the three
// print scales of the File menu.
#include <QSize>

class QPagedPaintDevice;
class QPixmap;

// In the order of the File menu's "Print S&cale" items.
enum class TPrintScale { None = 0, FitToPage = 1, ScreenSize = 2 };

struct TPrintGeometry {
    QSize picture;              // w x h window pixels
    int windowPixelsPerInch = 96;
    int printerDotsPerInchX = 0;
    int printerDotsPerInchY = 0;
    QSize page;                 // the printable area in printer dots
};

// The size W x H, in printer dots, at which the picture is printed:
//  none          one printer dot per window pixel;
//  screen size   as large as the window is on the screen (inches kept);
//  fit to page   as large as the page allows, the proportions kept.
// Whole numbers throughout: each product is formed before it is divided and
// the quotient is rounded to the nearest whole number. A picture or page
// without area, or an unknown resolution, prints nothing (0 x 0).
QSize PrintedPictureSize(TPrintScale scale, const TPrintGeometry& geometry);

// Draws picture at the top left corner of one page of device, at the size
// above. Raises EKelvorError when the device cannot be started.
void PrintPicture(QPagedPaintDevice& device, const QPixmap& picture, TPrintScale scale, int windowPixelsPerInch);
