// The refresh: what it reads, what it shows, and how it copes with a port
// named on the command line, a silent device and a device that vanishes.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <QFileInfo>
#include <QTest>
#include <QToolButton>

#include "ConsoleFixture.h"
#include "console/Widgets.h"
#include "link/CommUnit.h"
#include "ui/KelvorApplication.h"
#include "ui/ValEdit.h"

namespace {

// A state that differs from the simulator's defaults in every kind of field.
sim::SimState DistinctState()
{
    sim::SimState state = sim::factoryState();
    state.current = 3;
    sim::SimParadigm& p = state.cur();
    p.channels[0].mode = 'N';
    p.channels[0].duration = "+2.500E-3";
    p.channels[1].mode = 'O';
    p.channels[1].delay = "+500.0E-6";
    p.channels[2].pulseCount = "+12.00E+0";
    p.channels[3].voltage = "-2.500E+0";
    p.channels[4].deltaV = "+1.250E+0";
    p.channels[5].shape = 'R';
    p.channels[8].interval = "+1.000E+0";
    p.links[2][10] = '+'; // 3 -> B
    p.links[0][11] = '*'; // 1 -> C
    p.storeMode = 'M';
    return state;
}

} // namespace

class RefreshTest : public ConsoleFixture {};

TEST_F(RefreshTest, StartUpReadsTheDeviceAndShowsEveryField)
{
    TConsoleSetup setup;
    StartSimulator(setup.simOptions);
    Sim->setState(DistinctState());
    setup.startSimulator = false;
    Start(setup);

    EXPECT_EQ(Wire(), (std::vector<std::string>{"GP,4R", "GCR", "GTR"}));
    EXPECT_FALSE(Ui.PanelCover()->isVisible());
    EXPECT_EQ(Main->PortText(), QStringLiteral("Connection:USB"));
    // The widgets at the layout's coordinates are the ones named there.
    EXPECT_EQ(WidgetAt(85 + 11, 18 + 11), Ui.ChannelButtons(1));
    EXPECT_EQ(WidgetAt(218 + 30, 42 + 20), Ui.ModeLists(3));
    EXPECT_EQ(WidgetAt(105 + 3 + 18 * 10 + 9, 357 + 3 + 18 * 2 + 9), Ui.LinkButtons(3, 11));
    EXPECT_EQ(WidgetAt(79 + 68 + 3 + 10, 99 + 10 + 5), Ui.ParameterEdits(2, 1));
    EXPECT_TRUE(Ui.Paradigm1()->menuAction()->isVisible());
    EXPECT_TRUE(Ui.Scheduler1()->isVisible());

    Tparadigm& model = Main->Paradigm();
    EXPECT_EQ(model.Number, 3);
    EXPECT_EQ(model.Channel(1).Settings.Duration.ToDeviceText(), QStringLiteral("+2.500E-3"));
    EXPECT_EQ(Ui.ParameterEdits(1, 1)->text(), QStringLiteral("2.5"));
    EXPECT_EQ(Ui.ExponentEdits(1, 1)->text(), QStringLiteral("-3"));
    EXPECT_EQ(Ui.ParameterEdits(2, 2)->text(), QStringLiteral("500"));
    EXPECT_EQ(Ui.ExponentEdits(2, 2)->text(), QStringLiteral("-6"));
    EXPECT_EQ(Ui.ParameterEdits(3, 4)->text(), QStringLiteral("12"));
    EXPECT_EQ(Ui.ParameterEdits(4, 5)->text(), QStringLiteral("2.5"));
    EXPECT_EQ(Ui.SignLabels(4, 5)->text(), QStringLiteral("-"));
    EXPECT_EQ(Ui.SignLabels(5, 7)->text(), QStringLiteral("+"));
    EXPECT_EQ(Ui.SignLabels(1, 7)->text(), QString()); // zero shows no sign
    EXPECT_EQ(Ui.ParameterEdits(9, 3)->text(), QStringLiteral("1"));
    EXPECT_EQ(Ui.ExponentEdits(9, 3)->text(), QStringLiteral("0"));
    EXPECT_EQ(Ui.ShapeLists(6)->currentIndex(), 2);
    EXPECT_EQ(Ui.ShapeLists(1)->currentIndex(), 1);
    EXPECT_EQ(Ui.ModeLists(1)->currentIndex(), 1);
    EXPECT_EQ(Ui.ModeLists(2)->currentIndex(), 6);
    EXPECT_EQ(Ui.ModeLists(3)->currentIndex(), 0);
    EXPECT_FALSE(Ui.ChannelButtons(2)->isEnabled());
    EXPECT_EQ(Ui.ChannelButtons(2)->toolTip(), QStringLiteral("Off"));
    EXPECT_EQ(Ui.ChannelButtons(1)->toolTip(), QStringLiteral("Enabled"));
    EXPECT_EQ(Ui.LinkButtons(3, 11)->Tag, 2);
    EXPECT_EQ(Ui.LinkButtons(1, 12)->Tag, 3);
    EXPECT_EQ(Ui.LinkButtons(1, 2)->Tag, 1);
    EXPECT_EQ(Ui.cboStoreMode()->currentText(), QStringLiteral("Mem"));
    // Every channel and every cell holds what the device holds.
    const sim::SimState state = Sim->state(); // a copy: the device keeps its own
    const sim::SimParadigm& device = state.cur();
    for (int n = 1; n <= 9; ++n) {
        const TChannel& channel = model.Channel(n);
        const sim::SimChannel& expected = device.channels[n - 1];
        EXPECT_EQ(ModeLetter(channel.Mode), QLatin1Char(expected.mode)) << n;
        EXPECT_EQ(Ui.ModeLists(n)->currentIndex(), channel.Mode) << n;
        EXPECT_EQ(channel.Settings.Duration.ToDeviceText().toStdString(), expected.duration) << n;
        EXPECT_EQ(channel.Settings.Interval.ToDeviceText().toStdString(), expected.interval) << n;
        EXPECT_EQ(channel.Settings.Delay.ToDeviceText().toStdString(), expected.delay) << n;
        EXPECT_EQ(channel.Settings.PulseCount.ToDeviceText().toStdString(), expected.pulseCount) << n;
        EXPECT_EQ(channel.Settings.Voltage.ToDeviceText().toStdString(), expected.voltage) << n;
        EXPECT_EQ(channel.Settings.DeltaV.ToDeviceText().toStdString(), expected.deltaV) << n;
        if (n < 9) {
            EXPECT_EQ(Ui.ShapeLists(n)->currentIndex(), QStringLiteral("MBR").indexOf(QLatin1Char(expected.shape)));
        }
        for (int k = 1; k <= 12; ++k) {
            const char cell = device.links[n - 1][k - 1];
            const int state = cell == '+' ? 1 : cell == '*' ? 2 : 0;
            EXPECT_EQ(model.Links[n][k], state) << n << "->" << k;
            EXPECT_EQ(Ui.LinkButtons(n, k)->Tag, state + 1) << n << "->" << k;
        }
    }
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(Ui.ParadigmButtons(n)->isChecked(), n == 3);
        EXPECT_EQ(Ui.MenuCopyToParadigmItems(n)->isEnabled(), n != 3);
    }
}

// Values the device writes with another exponent than the field has are
// shown as their number, not as a bare mantissa a thousand times off.
TEST_F(RefreshTest, EngineeringEchoesAreShownInTheFieldsUnits)
{
    TConsoleSetup setup;
    StartSimulator(setup.simOptions);
    sim::SimState state = sim::factoryState();
    state.cur().channels[0].pulseCount = "+12.00E+3";
    state.cur().channels[0].interval = "+2.000E+3";
    state.cur().channels[0].voltage = "-500.0E-3";
    state.cur().channels[1].deltaV = "+125.0E-3";
    Sim->setState(state);
    setup.startSimulator = false;
    Start(setup);
    EXPECT_EQ(Ui.ParameterEdits(1, 4)->text(), QStringLiteral("12000"));
    EXPECT_EQ(Ui.ParameterEdits(1, 3)->text(), QStringLiteral("2000"));
    EXPECT_EQ(Ui.ExponentEdits(1, 3)->text(), QStringLiteral("0"));
    EXPECT_EQ(Ui.ParameterEdits(1, 5)->text(), QStringLiteral("0.5"));
    EXPECT_EQ(Ui.SignLabels(1, 5)->text(), QStringLiteral("-"));
    EXPECT_EQ(Ui.ParameterEdits(2, 7)->text(), QStringLiteral("0.125"));
    // Sending a shown value back gives the device the same number.
    Click(Ui.ParameterEdits(1, 5));
    ClearWire();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"V1-000.5E+0R"});
    EXPECT_EQ(Sim->state().cur().channels[0].voltage, "-500.0E-3");
}

// An error raised inside an operation (here a reply whose length field is
// not a number) is shown, and the console carries on.
TEST_F(RefreshTest, ErrorsEndTheOperationAndTheConsoleCarriesOn)
{
    Start();
    Sim->setBadLength(true);
    PressF5();
    ASSERT_FALSE(Errors().isEmpty());
    EXPECT_TRUE(Errors().first().endsWith(QStringLiteral("is not a valid integer value"))) << Errors().first().toStdString();
    Sim->setBadLength(false);
    Errors().clear();
    PressF5();
    PressF5(); // the first refresh drains what the broken reply left behind
    EXPECT_TRUE(Errors().isEmpty());
    EXPECT_EQ(Main->Paradigm().Number, 1);
}

// A message raised while the link waits for a reply would open a box that
// could not be answered (the operator's input waits until the exchange
// ends): it is shown once the exchange has ended.
TEST_F(RefreshTest, MessagesDuringAnExchangeWaitForItsEnd)
{
    Start();
    Sim->setDelayMs(300);
    QStringList seenDuringExchange;
    QTimer::singleShot(100, [this, &seenDuringExchange] {
        ASSERT_TRUE(Main->Comm()->ExchangeOutstanding());
        TKelvorApplication::ReportError(QStringLiteral("raised meanwhile"));
        seenDuringExchange = Errors();
    });
    Ui.btnStore()->click();
    EXPECT_TRUE(seenDuringExchange.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([] { return !Errors().isEmpty(); }, 2000));
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("raised meanwhile")});
}

TEST_F(RefreshTest, PortNamedOnTheCommandLineIsShownAsComOrUsb)
{
    TConsoleSetup setup;
    setup.simOptions.port = 2;
    setup.arguments = {QStringLiteral("kelvor9"), QStringLiteral("com2")};
    Start(setup);
    EXPECT_EQ(Main->Comm()->Port(), 2);
    EXPECT_EQ(Main->PortText(), QStringLiteral("Connection: COM2"));
    Main.reset();
    Sim.reset();

    setup.simOptions.port = 5;
    setup.arguments = {QStringLiteral("kelvor9"), QStringLiteral("COM5")};
    Start(setup);
    EXPECT_EQ(Main->Comm()->Port(), 5);
    EXPECT_EQ(Main->PortText(), QStringLiteral("Connection:USB"));
}

// F5 while connected only reads and redraws: no search, so the device sees
// exactly one attention character per request.
TEST_F(RefreshTest, F5WhileConnectedReadsWithoutReopening)
{
    Start();
    sim::SimState changed = Sim->state();
    changed.cur().channels[6].duration = "+7.000E-3";
    Sim->setState(changed);
    ClearWire();
    const int attentionBefore = Sim->attentionCount();
    PressF5();
    EXPECT_EQ(Wire(), (std::vector<std::string>{"GP,4R", "GCR", "GTR"}));
    EXPECT_EQ(Sim->attentionCount() - attentionBefore, 3);
    EXPECT_EQ(Ui.ParameterEdits(7, 1)->text(), QStringLiteral("7"));
}

// Replies that carry no data change nothing: a refused state request keeps
// the paradigm number 0 and no paradigm button goes down; a store-mode
// reply not beginning with "O" keeps the store mode.
TEST_F(RefreshTest, RefusalsOfTheStateRequestsChangeNothing)
{
    TConsoleSetup setup;
    setup.simOptions.refuse = {{"GP", "Busy"}, {"GT", "Busy"}};
    Start(setup);
    EXPECT_EQ(Main->Paradigm().Number, 0);
    EXPECT_TRUE(Main->Paradigm().Channel(1).Settings.Duration.IsUnset());
    EXPECT_EQ(Main->Paradigm().StoreMode, 'R');
    for (int n = 1; n <= 9; ++n) {
        EXPECT_FALSE(Ui.ParadigmButtons(n)->isChecked());
        EXPECT_TRUE(Ui.MenuCopyToParadigmItems(n)->isEnabled());
    }
    EXPECT_TRUE(Errors().isEmpty());
}

// Only a "GT" payload longer than three characters and beginning with "O"
// carries a store mode.
TEST_F(RefreshTest, StoreModeReplyWithoutDataKeepsTheStoreMode)
{
    Start();
    ASSERT_EQ(Main->Paradigm().StoreMode, 'R');
    Sim->setCannedReplies({{"GT", "OK."}});
    PressF5();
    EXPECT_EQ(Main->Paradigm().StoreMode, 'R');
    Sim->setCannedReplies({{"GT", "NO.M"}});
    PressF5();
    EXPECT_EQ(Main->Paradigm().StoreMode, 'R');
    Sim->setCannedReplies({{"GT", "OK.S"}});
    PressF5();
    EXPECT_EQ(Main->Paradigm().StoreMode, 'S');
    EXPECT_EQ(Ui.cboStoreMode()->currentText(), QStringLiteral("Save"));
}

TEST_F(RefreshTest, PowerOffRedrawsAllButTheLinkMatrix)
{
    Start();
    Ui.SwitchPower()->click();
    sim::SimState changed = Sim->state();
    changed.cur().links[3][4] = '+';
    changed.cur().channels[0].pulseCount = "+3.000E+0";
    Sim->setState(changed);
    PressF5();
    EXPECT_EQ(Ui.ParameterEdits(1, 4)->text(), QStringLiteral("3"));
    EXPECT_EQ(Ui.LinkButtons(4, 5)->Tag, 1);
}

// A silent device: each request waits its time limit, then the console
// carries on with its model unchanged and no message.
TEST_F(RefreshTest, SilentDeviceAtStartLeavesTheConsoleUsable)
{
    TConsoleSetup setup;
    setup.simOptions.silent = true;
    setup.dialogueTimeoutMs = 300;
    // The window keeps being served while the requests wait: a timer ticks.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    Start(setup);
    EXPECT_GT(ticks, 10);
    EXPECT_EQ(Main->Paradigm().Number, 0);
    EXPECT_TRUE(Main->Paradigm().Channel(1).Settings.Duration.IsUnset());
    EXPECT_EQ(Ui.ParameterEdits(1, 1)->text(), QStringLiteral("0"));
    EXPECT_TRUE(Errors().isEmpty());
    // Once the device answers again, F5 fills the window.
    Sim->setSilent(false);
    PressF5();
    EXPECT_EQ(Main->Paradigm().Number, 1);
}

// The device vanishes while the console is idle: one clear message, the
// cover at once, and F5 reconnects once the device is back.
TEST_F(RefreshTest, VanishedDeviceIsReportedOnceAndF5Reconnects)
{
    TConsoleSetup setup;
    setup.simOptions.hangupAfter = 4; // the three reads and one more command
    setup.simOptions.reserveDelayMs = 200;
    Start(setup);
    QSignalSpy lost(Main->Comm(), &TfrmComm::ConnectionLost);
    Ui.btnStore()->click(); // the fourth command: the device hangs up after it
    // A second report could only come from a line event handed over before
    // the port was closed. The loss box is queued behind every such event, so
    // once it is up they have all been handled.
    ASSERT_TRUE(QTest::qWaitFor([] { return !Errors().isEmpty(); }, 5000));
    EXPECT_EQ(lost.size(), 1);
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("The connection to the Kelvor 9 was lost.")});
    EXPECT_TRUE(Ui.PanelCover()->isVisible());
    EXPECT_EQ(Main->PortText(), QStringLiteral("Connection: Unavilable"));
    EXPECT_EQ(Main->Comm()->Port(), 0);

    // Under the cover, saving the model still works; an operation that needs
    // the device says once that it is not connected.
    Errors().clear();
    Dialogs->FileName = FFiles.filePath(QStringLiteral("under-cover.kr9"));
    QTest::keyClick(Main.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFileInfo::exists(Dialogs->FileName));
    QTest::keyClick(Main.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(Errors(), QStringList{TfrmComm::NotConnectedMessage()});

    ASSERT_TRUE(Sim->waitForLinesServed(2, 5000));
    PressF5();
    EXPECT_FALSE(Ui.PanelCover()->isVisible());
    EXPECT_EQ(Main->PortText(), QStringLiteral("Connection:USB"));
    EXPECT_EQ(Main->Paradigm().Number, 1);
}
