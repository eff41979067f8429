// Editing in the parameter grid with real keys: what goes on the wire, where
// the focus lands, and what the fields show afterwards.
#include <QApplication>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>

#include "ConsoleFixture.h"
#include "console/Widgets.h"
#include "ui/ValEdit.h"

class GridEditingTest : public ConsoleFixture {
protected:
    // Types into whatever has the focus, as the operator's keyboard does.
    void Type(const QString& keys) { QTest::keyClicks(QApplication::focusWidget(), keys); }
    void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    void FocusOn(QWidget* field)
    {
        Click(field);
        ASSERT_EQ(QApplication::focusWidget(), field);
    }
};

TEST_F(GridEditingTest, DurationTypedWithItsExponentIsSentAndFocusMovesDown)
{
    Start();
    FocusOn(Ui.ParameterEdits(2, 1));
    ClearWire();
    Type("5");
    Press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ExponentEdits(2, 1));
    EXPECT_TRUE(Wire().empty());
    Type("3");
    Press(Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"D2+00005E-3R"});
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(2, 2));
    EXPECT_EQ(Main->Paradigm().Channel(2).Settings.Duration.ToDeviceText(), QStringLiteral("+5.000E-3"));
    EXPECT_EQ(Ui.ParameterEdits(2, 1)->text(), QStringLiteral("5"));
}

// The device's rounding is what the grid shows, not what was typed.
TEST_F(GridEditingTest, GridShowsTheDevicesEchoAndExponentDigitsOtherThan36SendSeconds)
{
    Start();
    FocusOn(Ui.ParameterEdits(3, 2));
    ClearWire();
    Type("1.2345");
    Press(Qt::Key_Return);
    Type("6");
    Press(Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"L3+1.234E-6R"}); // the fifth decimal is refused
    for (const char digit : {'1', '2', '4', '5'}) {
        FocusOn(Ui.ParameterEdits(3, 2));
        ClearWire();
        Type("7");
        Press(Qt::Key_Return);
        Type(QString(QLatin1Char(digit)));
        Press(Qt::Key_Return);
        EXPECT_EQ(Wire(), std::vector<std::string>{"L3+00007E+0R"}) << digit;
    }
}

TEST_F(GridEditingTest, ZeroInDurationIntervalAndCountSendsNothingAndLeavesThePanel)
{
    Start();
    for (int row : {1, 3, 4}) {
        TMantisaEdit* field = Ui.ParameterEdits(5, row);
        const QString shown = field->text();
        FocusOn(field);
        ClearWire();
        Type("0");
        Press(Qt::Key_Return);
        EXPECT_TRUE(Wire().empty()) << row;
        EXPECT_EQ(QApplication::focusWidget(), Ui.PanelLinks()) << row;
        EXPECT_EQ(field->text(), shown) << row;
    }
}

TEST_F(GridEditingTest, SignKeysToggleTheSignLabelOfAmplitudes)
{
    Start();
    QLabel* sign = Ui.SignLabels(1, 5);
    EXPECT_EQ(sign->text(), QStringLiteral("+"));
    FocusOn(Ui.ParameterEdits(1, 5));
    Type("-");
    EXPECT_EQ(sign->text(), QStringLiteral("-"));
    Type("-");
    EXPECT_EQ(sign->text(), QStringLiteral("+"));
    Type("-2.5");
    ClearWire();
    Press(Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"V1-002.5E+0R"});
    EXPECT_EQ(QApplication::focusWidget(), Ui.ShapeLists(1));
    EXPECT_EQ(sign->text(), QStringLiteral("-"));
    EXPECT_EQ(Ui.ParameterEdits(1, 5)->text(), QStringLiteral("2.5"));
}

TEST_F(GridEditingTest, ArrowKeysWrapAcrossChannelsAndRows)
{
    Start();
    FocusOn(Ui.ParameterEdits(9, 2));
    Press(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(1, 2));
    Press(Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(9, 2));
    FocusOn(Ui.ParameterEdits(9, 5));
    Press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(9, 1));
    FocusOn(Ui.ParameterEdits(4, 5));
    Press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ShapeLists(4));
    Press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(4, 7));
    Press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(4, 1));
    Press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(4, 7));
    Press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ShapeLists(4));
    Press(Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ShapeLists(3));
    Press(Qt::Key_Left);
    Press(Qt::Key_Left);
    Press(Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ShapeLists(1)); // nothing left of channel 1
    FocusOn(Ui.ParameterEdits(8, 5));
    Press(Qt::Key_Down);
    Press(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ShapeLists(8)); // nothing right of channel 8
    // A row the target channel lacks keeps the focus where it is.
    FocusOn(Ui.ParameterEdits(8, 7));
    Press(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(8, 7));
}

TEST_F(GridEditingTest, RefusalIsShownAndTheFieldKeepsTheModelValue)
{
    Start();
    FocusOn(Ui.ParameterEdits(1, 3));
    ClearWire();
    Type("50");
    Press(Qt::Key_Return);
    Type("6");
    Press(Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"I1+00050E-6R"});
    EXPECT_FALSE(Main->StatusText().isEmpty());
    EXPECT_NE(Main->StatusText(), QStringLiteral("Status"));
    EXPECT_EQ(QApplication::focusWidget(), Ui.ParameterEdits(1, 3));
    EXPECT_EQ(Main->Paradigm().Channel(1).Settings.Interval.ToDeviceText(), QStringLiteral("+10.00E-3"));
    Ui.PanelLinks()->setFocus();
    EXPECT_EQ(Ui.ParameterEdits(1, 3)->text(), QStringLiteral("10"));
    EXPECT_EQ(Ui.ExponentEdits(1, 3)->text(), QStringLiteral("-3"));
}

// The grid shows what the device holds and says, exactly: an echo beyond
// what the field lets the operator type, and a refusal that looks like markup.
TEST_F(GridEditingTest, DeviceValuesAndTextsAreShownAsTheDeviceSentThem)
{
    TConsoleSetup setup;
    setup.simOptions.refuse = {{"V", "limit <b>9.99</b> V &amp; up"}};
    Start(setup);
    FocusOn(Ui.ParameterEdits(1, 4));
    ClearWire();
    Type("59999");
    Press(Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"N1+59999E+0R"});
    EXPECT_EQ(Main->Paradigm().Channel(1).Settings.PulseCount.ToDeviceText(), QStringLiteral("+60.00E+3"));
    EXPECT_EQ(Ui.ParameterEdits(1, 4)->Text(), QStringLiteral("60000"));
    // Enter on the untouched echo sends the device's value back, not the field's limit.
    FocusOn(Ui.ParameterEdits(1, 4));
    ClearWire();
    Press(Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"N1+60000E+0R"});

    FocusOn(Ui.ParameterEdits(1, 5));
    Type("5");
    Press(Qt::Key_Return);
    EXPECT_EQ(Main->StatusText(), QStringLiteral("limit <b>9.99</b> V &amp; up"));
    EXPECT_EQ(Ui.StatusPanels(0)->textFormat(), Qt::PlainText);
}

// In a locale whose decimal separator is a comma the grid shows and takes
// the comma; the device still gets and sends the full stop.
TEST_F(GridEditingTest, CommaLocaleShowsCommasAndSendsFullStops)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto restoreLocale = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    TConsoleSetup setup;
    StartSimulator(setup.simOptions);
    sim::SimState state = sim::factoryState();
    state.cur().channels[0].duration = "+1.234E-3";
    Sim->setState(state);
    setup.startSimulator = false;
    Start(setup);
    EXPECT_EQ(Ui.ParameterEdits(1, 1)->text(), QStringLiteral("1,234"));
    FocusOn(Ui.ParameterEdits(1, 1));
    ClearWire();
    Type("2,5");
    Press(Qt::Key_Return);
    Type("3");
    Press(Qt::Key_Return);
    EXPECT_EQ(Wire(), std::vector<std::string>{"D1+002.5E-3R"});
    EXPECT_EQ(Ui.ParameterEdits(1, 1)->text(), QStringLiteral("2,5"));
}
