// Channel operations from the window: power switch, channel buttons, modes,
// shapes, triggers, the link matrix and the store mode, judged on the wire.
#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "ConsoleFixture.h"
#include "console/Widgets.h"
#include "ui/Pictures.h"

class ChannelOperationsTest : public ConsoleFixture {
protected:
    // Chooses an item of a list as the operator does.
    static void Choose(QComboBox* list, int index)
    {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
};

TEST_F(ChannelOperationsTest, ModeChangesSendOnlyRealChanges)
{
    Start();
    ClearWire();
    Choose(Ui.ModeLists(4), 0); // FreeRun already
    EXPECT_TRUE(Wire().empty());
    Choose(Ui.ModeLists(4), 1);
    EXPECT_EQ(Wire(), (std::vector<std::string>{"MN4R", "GCR"}));
    EXPECT_EQ(Main->Paradigm().Channel(4).Mode, 1);
    EXPECT_EQ(Sim->state().cur().channels[3].mode, 'N');

    // Off: the button shows off, is disabled and says "Off".
    ClearWire();
    Choose(Ui.ModeLists(4), 6);
    EXPECT_EQ(Wire(), (std::vector<std::string>{"MO4R", "GCR"}));
    EXPECT_FALSE(Ui.ChannelButtons(4)->isEnabled());
    EXPECT_EQ(Ui.ChannelButtons(4)->toolTip(), QStringLiteral("Off"));
    EXPECT_EQ(Main->Paradigm().Channel(4).Mode, 6);

    // Gate on channel 5: the device keeps the mode, and so does the list.
    ClearWire();
    Choose(Ui.ModeLists(5), 4);
    EXPECT_EQ(Wire().front(), "MT5R");
    EXPECT_EQ(Ui.ModeLists(5)->currentIndex(), 0);
}

// The operator's way: a click opens the list, and an item is picked in the
// open list. The arrow keys do nothing in the closed mode list.
// A stray key never switches a live channel: only a choice made in the open
// list changes the device.
TEST_F(ChannelOperationsTest, ListsChangeTheDeviceOnlyByADeliberateChoice)
{
    Start();
    auto* list = qobject_cast<QComboBox*>(WidgetAt(150 + 30, 42 + 25));
    ASSERT_EQ(list, Ui.ModeLists(2));
    ClearWire();
    Click(list);
    QAbstractItemView* popup = list->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->window()));
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(Wire(), (std::vector<std::string>{"MG2R", "GCR"}));
    EXPECT_EQ(Ui.ModeLists(2)->currentIndex(), 2);

    ClearWire();
    const Qt::Key strayKeys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home,
                                 Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_T, Qt::Key_F};
    for (QComboBox* closed : {static_cast<QComboBox*>(list), Ui.cboStoreMode()}) {
        closed->setFocus();
        for (Qt::Key key : strayKeys)
            QTest::keyClick(closed, key);
    }
    EXPECT_TRUE(Wire().empty());
    EXPECT_EQ(Ui.ModeLists(2)->currentIndex(), 2);
    EXPECT_EQ(Ui.cboStoreMode()->currentIndex(), 0);

    // Opened from the keyboard and confirmed with Return, the choice goes out.
    QTest::keyClick(Ui.cboStoreMode(), Qt::Key_Down, Qt::AltModifier);
    QAbstractItemView* storePopup = Ui.cboStoreMode()->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(storePopup->window()));
    QTest::keyClick(storePopup, Qt::Key_Down);
    QTest::keyClick(storePopup, Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"UMR"});
}

TEST_F(ChannelOperationsTest, PowerSwitchAndChannelButtons)
{
    Start();
    Choose(Ui.ModeLists(2), 1);
    ClearWire();
    ASSERT_EQ(WidgetAt(8 + 20, 27 + 12), Ui.SwitchPower());
    Click(WidgetAt(8 + 20, 27 + 12));
    ASSERT_TRUE(WaitForWire(1));
    EXPECT_EQ(Wire(), std::vector<std::string>{"O"});
    const QImage offPicture = Pictures::Channel(false).toImage();
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(Ui.ChannelButtons(n)->toolTip(), QStringLiteral("Disabled"));
        EXPECT_EQ(Ui.ChannelButtons(n)->icon().pixmap(18, 18).toImage(), offPicture);
    }
    // While the power is off a channel button does nothing.
    ClearWire();
    Click(Ui.ChannelButtons(3));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Wire().empty());

    // Power on again: one batch with every channel's mode.
    ClearWire();
    Click(Ui.SwitchPower());
    ASSERT_TRUE(WaitForWire(1));
    EXPECT_EQ(Wire(), std::vector<std::string>{"BMF1MN2MF3MF4MF5MF6MF7MF8MF9"});

    // Switching a channel off and on again.
    ClearWire();
    Click(Ui.ChannelButtons(3));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"MO3R", "GCR"}));
    EXPECT_EQ(Ui.ChannelButtons(3)->toolTip(), QStringLiteral("Disabled"));
    ClearWire();
    Click(Ui.ChannelButtons(3));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"MF3R", "GCR"}));
    EXPECT_EQ(Ui.ChannelButtons(3)->toolTip(), QStringLiteral("Enabled"));
    EXPECT_EQ(Ui.ChannelButtons(3)->icon().pixmap(18, 18).toImage(), Pictures::Channel(true).toImage());
}

TEST_F(ChannelOperationsTest, TriggerShapeAndStoreCommands)
{
    Start();
    ClearWire();
    // The trigger button of channel 7 at its place: left 7 * 68 + 48, top 16.
    QWidget* trigger = WidgetAt(7 * 68 + 48 + 9, 16 + 12);
    ASSERT_EQ(trigger, Ui.TriggerButtons(7));
    Click(trigger);
    ASSERT_TRUE(WaitForWire(1));
    EXPECT_EQ(Wire(), std::vector<std::string>{"T7"});

    ClearWire();
    Choose(Ui.ShapeLists(2), 1); // already Bipolar
    EXPECT_TRUE(Wire().empty());
    Choose(Ui.ShapeLists(2), 0);
    EXPECT_EQ(Wire(), std::vector<std::string>{"S2MR"});
    EXPECT_EQ(Main->Paradigm().Channel(2).Settings.Shape, 0);

    ClearWire();
    Choose(Ui.cboStoreMode(), 1);
    EXPECT_EQ(Wire(), std::vector<std::string>{"UMR"});
    EXPECT_EQ(Main->Paradigm().StoreMode, 'M');
    ClearWire();
    QWidget* store = WidgetAt(79 + 549 + 20, 99 + 191 + 10);
    ASSERT_EQ(store, Ui.btnStore());
    Click(store);
    EXPECT_EQ(Wire(), std::vector<std::string>{"RR"});
}

TEST_F(ChannelOperationsTest, LinkButtonsAddAndRemoveByTheirState)
{
    Start();
    ClearWire();
    // Link button 3->11 at its place in the links panel (105/357).
    QWidget* cell = WidgetAt(105 + 3 + 10 * 18 + 9, 357 + 3 + 2 * 18 + 9);
    ASSERT_EQ(cell, Ui.LinkButtons(3, 11));
    Click(cell);
    EXPECT_EQ(Wire(), (std::vector<std::string>{"X3BR", "GCR"}));
    EXPECT_NE(Main->Paradigm().Links[3][11], 0);
    EXPECT_EQ(Ui.LinkButtons(3, 11)->Tag, Main->Paradigm().Links[3][11] + 1);
    ClearWire();
    Click(Ui.LinkButtons(3, 11));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"Z3BR", "GCR"}));
    EXPECT_EQ(Main->Paradigm().Links[3][11], 0);
    EXPECT_EQ(Ui.LinkButtons(3, 11)->Tag, 1);
}
