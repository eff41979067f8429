// Selecting, clearing and copying paradigms on the device.
#include <QAction>
#include <QToolButton>

#include "ConsoleFixture.h"

class ParadigmCommandsTest : public ConsoleFixture {};

TEST_F(ParadigmCommandsTest, ButtonSelectsAParadigmAndRaisingItSelectsItAgain)
{
    Start();
    ClearWire();
    // Button 4 of the paradigm box (584/352): the first of its second row.
    QWidget* button = WidgetAt(584 + 10 + 12, 352 + 52 + 12);
    ASSERT_EQ(button, Ui.ParadigmButtons(4));
    Click(button);
    EXPECT_EQ(Wire(), (std::vector<std::string>{"Y4R", "GP,4R", "GCR", "GTR"}));
    EXPECT_EQ(Sim->state().current, 4);
    EXPECT_EQ(Main->Paradigm().Number, 4);
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(Ui.ParadigmButtons(n)->isChecked(), n == 4);
        EXPECT_EQ(Ui.MenuCopyToParadigmItems(n)->isEnabled(), n != 4);
    }
    // Paradigm 4 runs at 40 ms in the simulator's factory state.
    EXPECT_EQ(Ui.ParameterEdits(1, 3)->text(), QStringLiteral("40"));

    ClearWire();
    Click(Ui.ParadigmButtons(4));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"Y4R", "GP,4R", "GCR", "GTR"}));
    EXPECT_TRUE(Ui.ParadigmButtons(4)->isChecked());
}

TEST_F(ParadigmCommandsTest, ClearAsksFirstAndCancelSendsNothing)
{
    Start();
    sim::SimState state = Sim->state();
    state.cur().channels[0].duration = "+3.000E-3";
    Sim->setState(state);
    ClearWire();
    Dialogs->ConfirmAnswer = false;
    Ui.Clear1()->trigger();
    EXPECT_EQ(Dialogs->Questions, QStringList{QStringLiteral("Do you realy want to clear the current Paradigm?")});
    EXPECT_TRUE(Wire().empty());

    Dialogs->ConfirmAnswer = true;
    Ui.Clear1()->trigger();
    EXPECT_EQ(Wire(), (std::vector<std::string>{"ER", "GP,4R", "GCR", "GTR"}));
    EXPECT_EQ(Sim->state().cur().channels[0].duration, "+1.000E-3");
    EXPECT_EQ(Ui.ParameterEdits(1, 1)->text(), QStringLiteral("1"));
}

TEST_F(ParadigmCommandsTest, CopyNamesTheTargetAndSendsCurrentAndTarget)
{
    Start();
    Click(Ui.ParadigmButtons(2));
    ClearWire();
    Dialogs->ConfirmAnswer = false;
    Ui.MenuCopyToParadigmItems(4)->trigger();
    EXPECT_TRUE(Wire().empty());
    Dialogs->ConfirmAnswer = true;
    Ui.MenuCopyToParadigmItems(4)->trigger();
    EXPECT_EQ(Dialogs->Questions.last(), QStringLiteral("This operation will clear the contents of Paradigm 4."));
    EXPECT_EQ(Wire(), std::vector<std::string>{"C24R"});
    EXPECT_EQ(Sim->state().paradigms[3].channels[0].interval, Sim->state().paradigms[1].channels[0].interval);
}
