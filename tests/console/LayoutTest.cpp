// The window as the operator sees it: caption, size, controls at their
// pixel positions, hints, the menus and the cover without a device.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "ConsoleFixture.h"
#include "console/Widgets.h"
#include "ui/ValEdit.h"

namespace {

QRect Geometry(QWidget* w, QWidget* client)
{
    return QRect(w->mapTo(client, QPoint(0, 0)), w->size());
}

} // namespace

class LayoutTest : public ConsoleFixture {};

TEST_F(LayoutTest, WindowHoldsEveryControlAtItsPlace)
{
    TConsoleSetup setup;
    setup.startSimulator = false;
    Start(setup);
    QWidget* client = Main->centralWidget();
    EXPECT_EQ(Main->windowTitle(), QStringLiteral("Kelvor 9  -  Version 2.1.6"));
    EXPECT_EQ(Main->size(), QSize(714, 628));
    EXPECT_EQ(client->mapTo(Main.get(), QPoint(0, 0)).y(), Main->menuBar()->height());

    EXPECT_EQ(Geometry(Ui.SwitchPower(), client).topLeft(), QPoint(8, 27));
    EXPECT_EQ(Ui.lblEnable()->text(), QStringLiteral("Enable"));
    EXPECT_LT(Ui.lblEnable()->y(), 27);
    EXPECT_EQ(Geometry(Ui.ModeLists(1), client).topLeft(), QPoint(82, 42));
    EXPECT_EQ(Ui.ModeLists(1)->width(), 67);
    EXPECT_EQ(Geometry(Ui.ModeLists(9), client).topLeft(), QPoint(624, 42));
    EXPECT_EQ(Ui.ModeLists(4)->itemText(5), QStringLiteral("Twin"));
    EXPECT_EQ(Geometry(Ui.PanelParameters(), client), QRect(79, 99, 610, 222));
    EXPECT_EQ(Geometry(Ui.cboStoreMode(), Ui.PanelParameters()).topLeft(), QPoint(548, 162));
    EXPECT_EQ(Geometry(Ui.btnStore(), Ui.PanelParameters()).topLeft(), QPoint(549, 191));
    EXPECT_EQ(Ui.btnStore()->text(), QStringLiteral("Store"));
    EXPECT_EQ(Geometry(Ui.PanelLinks(), client), QRect(105, 357, 224, 174));
    EXPECT_EQ(Geometry(Ui.GroupBox2(), client).topLeft(), QPoint(584, 352));
    EXPECT_EQ(Ui.GroupBox2()->title(), QStringLiteral("Paradigm"));

    const int rowTops[] = {108, 139, 171, 202, 233, 265, 296};
    const QString rowTexts[] = {"D", "L", "I", "N", "V", "S", QStringLiteral("\u0394V")};
    for (int r = 1; r <= 7; ++r) {
        EXPECT_EQ(Ui.RowLabels(r)->y(), rowTops[r - 1]);
        EXPECT_EQ(Ui.RowLabels(r)->text(), rowTexts[r - 1]);
        EXPECT_LE(Ui.RowLabels(r)->x() + Ui.RowLabels(r)->width(), 79);
    }

    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(Geometry(Ui.ChannelButtons(n), client), QRect(n * 68 + 17, 18, 22, 22));
        EXPECT_EQ(Geometry(Ui.TriggerButtons(n), client), QRect(n * 68 + 48, 16, 18, 24));
        EXPECT_EQ(Ui.TriggerButtons(n)->toolTip(), QStringLiteral("Trigger %1").arg(n));
        EXPECT_EQ(Geometry(Ui.ChannelLabels(n), client).topLeft(), QPoint(n * 68 + 39, 22));
        EXPECT_EQ(Ui.ChannelLabels(n)->text(), QString::number(n));
        // The grid: mantissa fields 40 wide, exponent fields attached to their right.
        TMantisaEdit* duration = Ui.ParameterEdits(n, 1);
        EXPECT_EQ(Geometry(duration, Ui.PanelParameters()).topLeft(), QPoint((n - 1) * 68 + 3, 10));
        EXPECT_EQ(duration->width(), 40);
        EXPECT_EQ(Geometry(Ui.ExponentEdits(n, 1), Ui.PanelParameters()).topLeft(),
                  QPoint((n - 1) * 68 + 3 + 41, 10));
        EXPECT_EQ(Ui.ExponentEdits(n, 1)->width(), 20);
        EXPECT_EQ(Geometry(Ui.ParameterEdits(n, 5), Ui.PanelParameters()).topLeft(),
                  QPoint((n - 1) * 68 + 11, 4 * 31 + 10));
        if (n < 9) {
            EXPECT_EQ(Geometry(Ui.ShapeLists(n), Ui.PanelParameters()).topLeft(), QPoint((n - 1) * 68 + 3, 159));
            EXPECT_EQ(Ui.ShapeLists(n)->width(), 60);
            EXPECT_EQ(Ui.ShapeLists(n)->currentIndex(), 1);
            EXPECT_EQ(Ui.ShapeLists(n)->toolTip(), QStringLiteral("Shape %1").arg(n));
            EXPECT_EQ(Ui.ParameterEdits(n, 7)->toolTip(), QStringLiteral("v%1").arg(n));
        }
    }
    EXPECT_EQ(Ui.ParameterEdits(9, 6), nullptr);
    EXPECT_EQ(Ui.ParameterEdits(9, 7), nullptr);
    EXPECT_EQ(Ui.ShapeLists(9), nullptr);
    EXPECT_EQ(Ui.ParameterEdits(4, 2)->toolTip(), QStringLiteral("L4"));
    EXPECT_EQ(Ui.ParameterEdits(4, 3)->toolTip(), QStringLiteral("I4"));
    EXPECT_EQ(Ui.ParameterEdits(4, 4)->MaxValue(), 59999);

    for (int r = 1; r <= 9; ++r) {
        for (int k = 1; k <= 12; ++k) {
            TSpeedButtonEX* button = Ui.LinkButtons(r, k);
            EXPECT_EQ(Geometry(button, Ui.PanelLinks()), QRect((k - 1) * 18 + 3, (r - 1) * 18 + 3, 18, 18));
            EXPECT_EQ(button->isEnabledTo(Ui.Controls()), r != k);
            EXPECT_EQ(button->toolTip(), r == k ? QString() : QStringLiteral("%1->%2").arg(r).arg(k));
        }
    }
    EXPECT_EQ(Ui.StatusPanels(0)->width(), 550);
    EXPECT_EQ(Ui.StatusPanels(1)->width(), 150);
}

// The window's position and the print scale are kept between runs.
TEST_F(LayoutTest, PositionAndPrintScaleAreKept)
{
    TConsoleSetup setup;
    setup.startSimulator = false;
    Start(setup);
    Ui.ScaleItems(0)->trigger();
    Main->move(40, 30);
    Main->close();
    Main.reset();
    Start(setup);
    EXPECT_TRUE(Ui.ScaleItems(0)->isChecked());
    EXPECT_EQ(Main->pos(), QPoint(40, 30));
    Ui.ScaleItems(2)->trigger();
}

TEST_F(LayoutTest, MenusCarryTheirEntriesAndShortcuts)
{
    TConsoleSetup setup;
    setup.startSimulator = false;
    Start(setup);
    QStringList titles;
    for (QAction* action : Main->menuBar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Paradigm", "&Tools", "&Scheduler!", "&Help"}));
    EXPECT_TRUE(Ui.ScaleItems(2)->isChecked());
    EXPECT_EQ(Ui.ScaleItems(1)->text(), QStringLiteral("&Fit To Page "));
    EXPECT_TRUE(Ui.SaveParadigm1()->text().startsWith(QStringLiteral("&Save Paradigm...\t")));
    EXPECT_TRUE(Ui.Refresh1()->text().startsWith(QStringLiteral("&Refresh\t")));
    EXPECT_FALSE(Ui.Contents1()->isVisible());
    QStringList copyItems;
    for (QAction* action : Ui.MenuCopyToParadigm()->actions())
        copyItems << action->text();
    EXPECT_EQ(copyItems.size(), 9);
    EXPECT_EQ(copyItems.first(), QStringLiteral("&1"));
}

// No device anywhere: the cover hides the grid, the six entries are hidden,
// and the port panel says so. Their shortcuts still act.
TEST_F(LayoutTest, WithoutDeviceTheCoverShowsAndShortcutsStillAct)
{
    TConsoleSetup setup;
    setup.startSimulator = false;
    Start(setup);
    EXPECT_TRUE(Ui.PanelCover()->isVisible());
    EXPECT_EQ(WidgetAt(300, 200), Ui.PanelCover());
    // Nothing behind the cover takes keys or clicks.
    EXPECT_FALSE(Ui.SwitchPower()->isEnabled());
    EXPECT_FALSE(Ui.ParameterEdits(1, 1)->isEnabled());
    EXPECT_EQ(Main->PortText(), QStringLiteral("Connection: Unavilable"));
    EXPECT_FALSE(Ui.Paradigm1()->menuAction()->isVisible());
    EXPECT_FALSE(Ui.ShowMonitor1()->isVisible());
    EXPECT_FALSE(Ui.Print1()->isVisible());
    EXPECT_FALSE(Ui.PrintSetup1()->isVisible());
    EXPECT_FALSE(Ui.PrintSetup2()->isVisible());
    EXPECT_FALSE(Ui.Scheduler1()->isVisible());
    EXPECT_TRUE(Ui.Refresh1()->isVisible());
    // Ctrl+S acts although its entry is hidden: the save dialog is asked for.
    Dialogs->FileName.clear();
    Dialogs->LastOptions = {};
    QTest::keyClick(Main.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Dialogs->LastOptions.filter, QStringLiteral("Kelvor 9 Paradigm|*.kr9|All Files|*.*"));
    Dialogs->LastOptions = {};
    QTest::keyClick(Main.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(Dialogs->LastOptions.filter, QStringLiteral("Kelvor9 Paradigm|*.kr9|All Files|*.*"));
}

// The waveform window opened from the menu leaves the real menu bar
// uncovered (where it goes is WindowPlacement's, tested on its own).
TEST_F(LayoutTest, SecondaryWindowsOpenClearOfTheMenuBar)
{
    TConsoleSetup setup;
    setup.startSimulator = false;
    Start(setup);
    Ui.Channel9Waveform1()->trigger();
    auto* waveform = Main->findChild<QWidget*>(QStringLiteral("frmWaveform"));
    ASSERT_NE(waveform, nullptr);
    ASSERT_TRUE(waveform->isVisible());
    const QRect menuBar(Main->menuBar()->mapToGlobal(QPoint(0, 0)), Main->menuBar()->size());
    EXPECT_FALSE(waveform->frameGeometry().intersects(menuBar));
    waveform->close();
}
