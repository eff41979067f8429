#include "WindowPlacement.h"

#include <QMenuBar>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <initializer_list>

namespace WindowPlacement {

namespace {

constexpr int Gap = 8;

// The left (or top) edge that puts a window of the given extent on the
// screen; a window larger than the screen starts at the screen's edge.
int OnScreen(int edge, int extent, int screenStart, int screenEnd)
{
    return std::max(screenStart, std::min(edge, screenEnd + 1 - extent));
}

qint64 Area(const QRect& rect)
{
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

} // namespace

QPoint Beside(const QRect& anchor, const QRect& keep, const QSize& size, const QRect& screen)
{
    const QPoint right(anchor.right() + 1 + Gap, anchor.top());
    if (right.x() + size.width() <= screen.right() + 1)
        return right;
    const QPoint below(anchor.left(), anchor.bottom() + 1 + Gap);
    if (below.y() + size.height() <= screen.bottom() + 1)
        return below;

    // Flush against the anchor's sides, the screen's edges or just below the
    // menu bar; the first of equal overlap wins, so the right side of the
    // screen comes before the left, as the places tried above.
    const auto lefts = {anchor.right() + 1 + Gap, screen.right() + 1 - size.width(), anchor.left() - Gap - size.width(),
                        screen.left(), anchor.left()};
    const auto tops = {anchor.top(), anchor.bottom() + 1 + Gap, screen.bottom() + 1 - size.height(),
                       keep.bottom() + 1, anchor.top() - Gap - size.height(), screen.top()};
    QPoint best(OnScreen(screen.right() + 1 - size.width(), size.width(), screen.left(), screen.right()),
                keep.bottom() + 1); // only when every place on the screen would cover the menu bar
    qint64 bestOverlap = -1;
    for (int left : lefts) {
        for (int top : tops) {
            const QRect place(QPoint(OnScreen(left, size.width(), screen.left(), screen.right()),
                                     OnScreen(top, size.height(), screen.top(), screen.bottom())),
                              size);
            if (place.intersects(keep))
                continue;
            const qint64 overlap = Area(place & anchor);
            if (bestOverlap < 0 || overlap < bestOverlap) {
                best = place.topLeft();
                bestOverlap = overlap;
            }
        }
    }
    return best;
}

QRect TitleAndMenuBar(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    int bottom = window->geometry().top() - 1; // the title bar a window manager draws
    if (const auto* menuBar = window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
        menuBar && menuBar->isVisible())
        bottom = menuBar->mapToGlobal(QPoint(0, menuBar->height() - 1)).y();
    return QRect(frame.left(), frame.top(), frame.width(), bottom - frame.top() + 1);
}

void ShowBeside(QWidget* window, const QWidget* anchor, bool positionKept)
{
    if (!window->isVisible() && !positionKept && anchor && anchor->isVisible())
        window->move(Beside(anchor->frameGeometry(), TitleAndMenuBar(anchor), window->frameGeometry().size(),
                            anchor->screen()->availableGeometry()));
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
    window->raise();
}

} // namespace WindowPlacement
