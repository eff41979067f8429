#include "WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace WindowPlacement {

QPoint Beside(const QRect& anchor, const QSize& size, const QRect& screen)
{
    constexpr int Gap = 8;
    const QPoint right(anchor.right() + 1 + Gap, anchor.top());
    if (right.x() + size.width() <= screen.right() + 1)
        return right;
    const QPoint below(anchor.left(), anchor.bottom() + 1 + Gap);
    if (below.y() + size.height() <= screen.bottom() + 1)
        return below;
    return anchor.topLeft();
}

void ShowBeside(QWidget* window, const QWidget* anchor, bool positionKept)
{
    if (!window->isVisible() && !positionKept && anchor && anchor->isVisible())
        window->move(Beside(anchor->frameGeometry(), window->frameGeometry().size(), anchor->screen()->availableGeometry()));
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
    window->raise();
}

} // namespace WindowPlacement
