// Where a secondary window opens beside the main window.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <gtest/gtest.h>

#include "ui/WindowPlacement.h"

// Right of the anchor, else below it. Where neither fits it takes, of every
// place on the screen that leaves the anchor's title and menu bar uncovered,
// one that overlaps the anchor least (checked against every pixel position):
// on a 1280x1024 screen the waveform window fits neither beside nor below the
// main window.
TEST(WindowPlacement, BesideElseBelowElseWhereItCoversTheAnchorLeastButNeverItsMenuBar)
{
    using WindowPlacement::Beside;
    const QRect screen(0, 0, 1280, 1024);
    const QRect main(0, 0, 714, 628);
    const QRect titleAndMenu(0, 0, 714, 25);
    EXPECT_EQ(Beside(main, titleAndMenu, QSize(500, 400), screen), QPoint(main.right() + 9, 0));
    EXPECT_EQ(Beside(main, titleAndMenu, QSize(760, 300), screen), QPoint(0, main.bottom() + 9));

    struct TCase {
        QRect anchor;
        QSize size;
    };
    const TCase cases[] = {
        {main, QSize(760, 400)},                     // the waveform window
        {main.translated(300, 200), QSize(760, 400)}, // the main window moved to the middle
        {main.translated(560, 390), QSize(700, 360)}, // to the bottom right: room above it only
        {QRect(0, 0, 1280, 990), QSize(400, 300)},    // a main window filling the screen
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(QStringLiteral("anchor %1,%2 size %3x%4")
                         .arg(c.anchor.x()).arg(c.anchor.y()).arg(c.size.width()).arg(c.size.height()).toStdString());
        const QRect keep(c.anchor.topLeft(), QSize(c.anchor.width(), 25));
        qint64 least = -1;
        for (int x = screen.left(); x + c.size.width() <= screen.right() + 1; ++x) {
            for (int y = screen.top(); y + c.size.height() <= screen.bottom() + 1; ++y) {
                const QRect place(QPoint(x, y), c.size);
                if (place.intersects(keep))
                    continue;
                const QRect overlap = place & c.anchor;
                const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
                if (least < 0 || area < least)
                    least = area;
            }
        }
        ASSERT_GE(least, 0) << "no place on the screen leaves the menu bar uncovered";
        const QRect chosen(Beside(c.anchor, keep, c.size, screen), c.size);
        EXPECT_TRUE(screen.contains(chosen)) << chosen.x() << "," << chosen.y();
        EXPECT_FALSE(chosen.intersects(keep)) << chosen.x() << "," << chosen.y();
        const QRect overlap = chosen & c.anchor;
        EXPECT_EQ(overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height(), least);
    }
}
