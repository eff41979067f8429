// The model against a scripted link: what each operation sends, what it takes
// from the reply, and that malformed or refused replies change nothing.
// The same paths against the simulated device are in ModelSimTest.cpp.
#include "base/DeviceLink.h"
#include "base/KelvorErrors.h"
#include "model/VexoClasses.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <deque>

namespace {

class ScriptedLink : public TDeviceLink {
public:
    QStringList Sent;     // dialogue commands
    QStringList Commands; // fire-and-forget texts
    std::deque<QString> Replies;

    QString Dialogue(const QString& command) override
    {
        Sent << command;
        if (Replies.empty())
            return QString();
        QString reply = Replies.front();
        Replies.pop_front();
        return reply;
    }
    void SendCommand(const QString& text) override { Commands << text; }
};

TVexoValue Value(const char* text)
{
    TVexoValue v;
    v.SetFromText(QString::fromLatin1(text));
    return v;
}

QString Block(char mode, const char* duration, char shape, const char* voltage)
{
    // mode, then six value texts and the shape, each after a separator.
    return QStringLiteral("%1,%2,+10.00E-3,+0.000E+0,+00001E+0,%3,%4,+0.000E+0")
        .arg(QString(QLatin1Char(mode)), QLatin1String(duration), QString(QLatin1Char(shape)),
             QLatin1String(voltage));
}

QString StatePayload(char paradigm)
{
    QString payload = QStringLiteral("OK.") + QLatin1Char(paradigm);
    for (int i = 1; i <= 9; ++i)
        payload += Block(i == 4 ? 'O' : 'N', "+1.000E-3", 'R', "-2.500E+0");
    return payload;
}

class ParadigmTest : public ::testing::Test {
protected:
    ScriptedLink link;
    Tparadigm paradigm{&link};
    QString error;
};

} // namespace

TEST_F(ParadigmTest, CreatedWithTheDeviceDefaults)
{
    EXPECT_EQ(paradigm.PowerOn, 1);
    EXPECT_EQ(paradigm.StoreMode, 'R');
    EXPECT_EQ(paradigm.Number, 0);
    for (int i = 1; i <= 9; ++i) {
        TChannel& ch = paradigm.Channel(i);
        EXPECT_EQ(ch.Number, i);
        EXPECT_EQ(&ch, &paradigm.Sockets[i].Channel);
        EXPECT_EQ(ch.Settings.Channel, &ch);
        EXPECT_EQ(ch.Link(), &link);
        EXPECT_TRUE(ch.Settings.Duration.IsUnset());
        EXPECT_EQ(ch.Mode, 0);
        EXPECT_EQ(ch.Enabled, 0);
        for (int col = 1; col <= 12; ++col)
            EXPECT_EQ(paradigm.Links[i][col], 0);
    }
}

TEST_F(ParadigmTest, ParameterSettersSendTheValueAndStoreTheEcho)
{
    TChannelSettings& s = paradigm.Channel(1).Settings;
    link.Replies = {"OK.+5.000E-3", "OK.+10.00E-3", "OK.+1.000E+0", "OK.+00010E+0", "OK.-2.500E+0",
                    "OK.+1.200E+0"};
    s.SetDuration(Value("+5    E-3"), error);
    s.SetInterval(Value("+10   E-3"), error);
    s.SetDelay(Value("+1    E+0"), error);
    s.SetPulseCount(Value("+10   E+0"), error);
    s.SetVoltage(Value("-2.5  E+0"), error);
    s.SetDeltaV(Value("+1.2  E+0"), error);
    EXPECT_EQ(link.Sent, QStringList({"D1+00005E-3", "I1+00010E-3", "L1+00001E+0", "N1+00010E+0",
                                      "V1-002.5E+0", "J1+001.2E+0"}));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(s.Duration.ToDeviceText(), "+5.000E-3");
    EXPECT_EQ(s.Interval.ToDeviceText(), "+10.00E-3");
    EXPECT_EQ(s.Delay.ToDeviceText(), "+1.000E+0");
    EXPECT_EQ(s.PulseCount.ToDeviceText(), "+00010E+0");
    EXPECT_EQ(s.Voltage.ToDeviceText(), "-2.500E+0");
    EXPECT_EQ(s.DeltaV.ToDeviceText(), "+1.200E+0");
}

TEST_F(ParadigmTest, RefusalTimeoutAndUnsetValueLeaveTheModel)
{
    TChannelSettings& s = paradigm.Channel(2).Settings;
    s.Duration = Value("+1.000E-3");

    link.Replies = {"ERRDuration longer than interval"};
    s.SetDuration(Value("+5    E+0"), error);
    EXPECT_EQ(error, "Duration longer than interval");
    EXPECT_EQ(s.Duration.ToDeviceText(), "+1.000E-3");

    error = QStringLiteral("untouched");
    s.SetDuration(Value("+5    E+0"), error); // no reply
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(s.Duration.ToDeviceText(), "+1.000E-3");

    s.SetDuration(TVexoValue(), error); // unset: nothing goes out
    EXPECT_EQ(link.Sent.size(), 2);
    EXPECT_EQ(error, "untouched");

    // A success reply too short to hold the echo says nothing about the value.
    link.Replies = {"OK.+5.0"};
    s.SetDuration(Value("+5    E+0"), error);
    EXPECT_EQ(s.Duration.ToDeviceText(), "+1.000E-3");
}

TEST_F(ParadigmTest, ModeAndEnableCommands)
{
    TChannel& ch = paradigm.Channel(4);
    ch.Mode = ModeOff;
    ch.Enabled = 0;

    // Power on, channel off: a mode change is not sent.
    ch.SetMode(ModeTrain);
    EXPECT_TRUE(link.Sent.isEmpty());
    EXPECT_EQ(ch.Mode, ModeOff);

    // Switching on sends the channel's own mode; "O" in the reply keeps it off.
    link.Replies = {"OK.O"};
    ch.SetEnabled(true);
    EXPECT_EQ(link.Sent, QStringList({"MO4"}));
    EXPECT_EQ(ch.Enabled, 0);

    ch.Mode = ModeTrigger;
    link.Replies = {"OK.G"};
    ch.SetEnabled(true);
    EXPECT_EQ(link.Sent.last(), "MG4");
    EXPECT_EQ(ch.Enabled, 1);

    link.Replies = {"OK.N", "OK.?"};
    ch.SetMode(ModeTrain);
    EXPECT_EQ(link.Sent.last(), "MN4");
    EXPECT_EQ(ch.Mode, ModeTrain);
    ch.SetMode(ModeGate); // not a mode letter in the reply: unchanged
    EXPECT_EQ(link.Sent.last(), "MT4");
    EXPECT_EQ(ch.Mode, ModeTrain);
    EXPECT_EQ(ch.Enabled, 1);

    link.Replies = {"OK.O"};
    ch.SetEnabled(false);
    EXPECT_EQ(link.Sent.last(), "MO4");
    EXPECT_EQ(ch.Enabled, 0);
}

TEST_F(ParadigmTest, ARefusedModeCommandChangesNothing)
{
    TChannel& ch = paradigm.Channel(3);
    ch.Mode = ModeTrain;
    link.Replies = {"ERRbusy"};
    ch.SetEnabled(true); // the 'b' of the refusal is not a resulting mode
    EXPECT_EQ(ch.Enabled, 0);
    ch.Enabled = 1;
    link.Replies = {"NOTallowed", "NOTallowed", "OK."};
    ch.SetEnabled(false);
    EXPECT_EQ(ch.Enabled, 1);
    ch.SetMode(ModeFreeRun);
    ch.SetMode(ModeFreeRun); // "OK." without a fourth character
    EXPECT_EQ(link.Sent, QStringList({"MN3", "MO3", "MF3", "MF3"}));
    EXPECT_EQ(ch.Mode, ModeTrain);
}

TEST_F(ParadigmTest, PowerSwitchAndChannelsWithoutPower)
{
    paradigm.Channel(1).Enabled = 1;
    paradigm.SetPowerOn(false);
    EXPECT_EQ(link.Commands, QStringList({"O"}));
    EXPECT_TRUE(link.Sent.isEmpty());
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(paradigm.Sockets[i].PowerOn, 0);
        EXPECT_EQ(paradigm.Channel(i).PowerOn, 0);
    }
    // Without power, switching a channel only changes the model.
    paradigm.Channel(2).SetEnabled(true);
    EXPECT_TRUE(link.Sent.isEmpty());
    EXPECT_EQ(paradigm.Channel(2).Enabled, 1);
    // SetMode is sent only where Enabled matches the (clear) power flag.
    link.Replies = {"OK.N"};
    paradigm.Channel(1).SetMode(ModeTrain);
    paradigm.Channel(3).SetMode(ModeTrain);
    EXPECT_EQ(link.Sent, QStringList({"MN3"}));

    paradigm.SetPowerOn(true);
    EXPECT_EQ(link.Commands, QStringList({"O"})); // switching on sends nothing here
}

TEST_F(ParadigmTest, ShapeCommand)
{
    TChannelSettings& s = paradigm.Channel(2).Settings;
    link.Replies = {"OK.B", "OK.X", "ERRno"};
    paradigm.Channel(2).SetShape(1);
    EXPECT_EQ(link.Sent.last(), "S2B");
    EXPECT_EQ(s.Shape, 1);
    paradigm.Channel(2).SetShape(2);
    EXPECT_EQ(link.Sent.last(), "S2R");
    EXPECT_EQ(s.Shape, 1);
    paradigm.Channel(2).SetShape(9); // outside the shape list: "M"
    EXPECT_EQ(link.Sent.last(), "S2M");
    EXPECT_EQ(s.Shape, 1);
}

TEST_F(ParadigmTest, LinkCommandsUseHexadecimalColumns)
{
    link.Replies = {"OK.1A*", "OK.9C+", "OK.1A-", "OK.2B?", "ERR+++"};
    paradigm.AddLink(1, 10);
    paradigm.AddLink(9, 12);
    EXPECT_EQ(link.Sent, QStringList({"X1A", "X9C"}));
    EXPECT_EQ(paradigm.Links[1][10], 2);
    EXPECT_EQ(paradigm.Links[9][12], 1);
    paradigm.RemoveLink(1, 10);
    EXPECT_EQ(link.Sent.last(), "Z1A");
    EXPECT_EQ(paradigm.Links[1][10], 0);

    paradigm.Links[2][11] = 1;
    paradigm.AddLink(2, 11); // unknown state character: cell kept
    EXPECT_EQ(paradigm.Links[2][11], 1);
    paradigm.AddLink(2, 11); // refusal: cell kept
    EXPECT_EQ(paradigm.Links[2][11], 1);

    paradigm.AddLink(0, 1); // outside the matrix: not sent
    paradigm.AddLink(1, 13);
    paradigm.SetLinkCell(10, 1, '*');
    EXPECT_EQ(link.Sent.size(), 5);
}

TEST_F(ParadigmTest, ParseStateFillsEveryChannel)
{
    paradigm.ParseState(StatePayload('7'));
    EXPECT_EQ(paradigm.Number, 7);
    for (int i = 1; i <= 9; ++i) {
        const TChannel& ch = paradigm.Channel(i);
        EXPECT_EQ(ch.Mode, i == 4 ? ModeOff : ModeTrain);
        EXPECT_EQ(ch.Enabled, i == 4 ? 0 : 1);
        EXPECT_EQ(ch.Settings.Duration.ToDeviceText(), "+1.000E-3");
        EXPECT_EQ(ch.Settings.Interval.ToDeviceText(), "+10.00E-3");
        EXPECT_EQ(ch.Settings.PulseCount.ToDeviceText(), "+00001E+0");
        EXPECT_EQ(ch.Settings.Shape, 2);
        EXPECT_EQ(ch.Settings.Voltage.ToDeviceText(), "-2.500E+0");
        EXPECT_EQ(ch.Settings.DeltaV.ToDeviceText(), "+0.000E+0");
    }
}

TEST_F(ParadigmTest, ChannelBlockWithUnknownLettersKeepsModeAndShape)
{
    TChannel& ch = paradigm.Channel(5);
    ch.Mode = ModeOff;
    ch.Settings.Shape = 1;
    paradigm.ParseChannelBlock(5, Block('?', "+2.000E-6", '?', "+1.000E+0"));
    EXPECT_EQ(ch.Mode, ModeOff);
    EXPECT_EQ(ch.Enabled, 0);
    EXPECT_EQ(ch.Settings.Shape, 1);
    EXPECT_EQ(ch.Settings.Duration.ToDeviceText(), "+2.000E-6");
}

TEST_F(ParadigmTest, MalformedStateRepliesAreSafe)
{
    paradigm.ParseState(StatePayload('3'));
    const QString before = paradigm.Channel(1).Settings.Duration.ToDeviceText();

    // A refusal or an empty payload is not state.
    paradigm.ParseState(QStringLiteral("ERR5") + StatePayload('5').mid(4));
    paradigm.ParseState(QString());
    paradigm.ParseState(QStringLiteral("OK"));
    EXPECT_EQ(paradigm.Number, 3);

    // No paradigm digit: the integer conversion message, and nothing changes.
    try {
        paradigm.ParseState(QStringLiteral("OK."));
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'' is not a valid integer value");
    }
    try {
        paradigm.ParseState(QStringLiteral("OK.x") + StatePayload('1').mid(4));
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
    }
    EXPECT_EQ(paradigm.Number, 3);
    EXPECT_EQ(paradigm.Channel(1).Settings.Duration.ToDeviceText(), before);

    // Only the blocks the payload holds in full are read.
    QString cut = QStringLiteral("OK.4") + Block('F', "+9.000E-3", 'M', "+1.000E+0")
        + Block('F', "+9.000E-3", 'M', "+1.000E+0").left(40);
    paradigm.ParseState(cut);
    EXPECT_EQ(paradigm.Number, 4);
    EXPECT_EQ(paradigm.Channel(1).Settings.Duration.ToDeviceText(), "+9.000E-3");
    EXPECT_EQ(paradigm.Channel(2).Settings.Duration.ToDeviceText(), before);
    EXPECT_EQ(paradigm.Channel(2).Mode, ModeTrain);

    paradigm.ParseChannelBlock(0, Block('F', "+9.000E-3", 'M', "+1.000E+0"));
    paradigm.ParseChannelBlock(10, Block('F', "+9.000E-3", 'M', "+1.000E+0"));
    EXPECT_EQ(paradigm.Channel(0).Settings.Duration.IsUnset(), true);
}

TEST_F(ParadigmTest, ParseLinksReadsRowByRow)
{
    QString cells;
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 12; ++col)
            cells += (row == col) ? QLatin1Char('*') : (col == 12 ? QLatin1Char('+') : QLatin1Char('-'));
    paradigm.Links[3][5] = 1;
    paradigm.ParseLinks(QStringLiteral("OK.") + cells);
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 12; ++col)
            EXPECT_EQ(paradigm.Links[row][col], row == col ? 2 : (col == 12 ? 1 : 0)) << row << "," << col;

    // Unknown characters keep their cells; a short payload reads what it has.
    paradigm.ParseLinks(QStringLiteral("OK.?+"));
    EXPECT_EQ(paradigm.Links[1][1], 2);
    EXPECT_EQ(paradigm.Links[1][2], 1);
    EXPECT_EQ(paradigm.Links[9][12], 1);

    // A refusal is not a matrix.
    paradigm.ParseLinks(QStringLiteral("ERR") + QString(108, QLatin1Char('-')));
    EXPECT_EQ(paradigm.Links[1][1], 2);
}

TEST(ParadigmWithoutLink, OperationsSendNothingAndChangeNothing)
{
    Tparadigm paradigm;
    QString error;
    TVexoValue v;
    v.SetFromText(QStringLiteral("+1.000E-3"));
    paradigm.Channel(1).Settings.SetDuration(v, error);
    paradigm.Channel(1).SetMode(ModeTrain);
    paradigm.Channel(1).SetEnabled(true);
    paradigm.AddLink(1, 1);
    paradigm.SetPowerOn(false);
    EXPECT_TRUE(paradigm.Channel(1).Settings.Duration.IsUnset());
    EXPECT_EQ(paradigm.Channel(1).Mode, 0);
    EXPECT_EQ(paradigm.Links[1][1], 0);
    EXPECT_TRUE(error.isEmpty());

    // Channel numbers outside 1..9 reach an inert spare channel.
    ScriptedLink link;
    paradigm.SetLink(&link);
    paradigm.Channel(12).Settings.SetDuration(v, error);
    paradigm.Channel(0).SetShape(1);
    EXPECT_TRUE(link.Sent.isEmpty());
}
