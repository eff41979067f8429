// The model against the simulated stimulator over a real pseudo-terminal:
// the model holds what the device echoed, refusals and silence change nothing,
// and the commands on the wire are exactly the ones the model sends.
#include "link/CommUnit.h"
#include "model/VexoClasses.h"
#include "sim/SimServer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace {

TVexoValue Value(const char* text)
{
    TVexoValue v;
    v.SetFromText(QString::fromLatin1(text));
    return v;
}

class ModelSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        sim::SimOptions options;
        options.port = 9;
        options.portDir = dir.path().toStdString();
        server = std::make_unique<sim::SimServer>(options);
        server->start();

        comm = std::make_unique<TfrmComm>();
        comm->Settings().PortFolder = dir.path();
        comm->Settings().Arguments = QStringList({QStringLiteral("x"), QStringLiteral("COM9")});
        comm->Settings().OpenPauseMs = 0;
        comm->Settings().DialogueTimeoutMs = 3000;
        comm->Connect();
        ASSERT_EQ(comm->Port(), 9);
        paradigm.SetLink(comm.get());
        server->clearLog();
    }

    void TearDown() override
    {
        paradigm.SetLink(nullptr);
        comm.reset();
        if (server)
            server->stop();
    }

    // The frames the device received, without the reply request letter.
    std::vector<std::string> Commands() const
    {
        std::vector<std::string> out;
        for (std::string frame : server->frames()) {
            if (!frame.empty() && frame.back() == 'R')
                frame.pop_back();
            out.push_back(frame);
        }
        return out;
    }

    sim::SimChannel DeviceChannel(int n) const { return server->state().cur().channels[n - 1]; }

    QTemporaryDir dir;
    std::unique_ptr<sim::SimServer> server;
    std::unique_ptr<TfrmComm> comm;
    Tparadigm paradigm;
    QString error;
};

} // namespace

TEST_F(ModelSimTest, TheModelHoldsTheDevicesRoundedEcho)
{
    TChannelSettings& s = paradigm.Channel(3).Settings;
    s.SetInterval(Value("+1    E+0"), error); // room for the duration below
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    s.SetDuration(Value("+12345E-6"), error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(Commands(), (std::vector<std::string>{"I3+00001E+0", "D3+12345E-6"}));
    EXPECT_EQ(s.Duration.ToDeviceText(), "+12.35E-3");
    EXPECT_EQ(DeviceChannel(3).duration, "+12.35E-3");
    EXPECT_EQ(s.Interval.ToDeviceText(), "+1.000E+0");
}

TEST_F(ModelSimTest, ARefusalReturnsItsTextAndKeepsTheModel)
{
    TChannelSettings& s = paradigm.Channel(1).Settings;
    s.SetInterval(Value("+1    E+0"), error);
    ASSERT_TRUE(error.isEmpty());

    s.SetInterval(Value("+50   E-6"), error); // below the device's shortest interval
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(error.startsWith(QStringLiteral("ER:")));
    EXPECT_EQ(s.Interval.ToDeviceText(), "+1.000E+0");
    EXPECT_EQ(DeviceChannel(1).interval, "+1.000E+0");

    server->setRefuse({{"V1", "Voltage locked"}});
    error.clear();
    s.SetVoltage(Value("+2    E+0"), error);
    EXPECT_EQ(error, "Voltage locked");
    EXPECT_TRUE(s.Voltage.IsUnset());
}

TEST_F(ModelSimTest, ASilentDeviceChangesNothingAndReturnsNoText)
{
    comm->Settings().DialogueTimeoutMs = 200;
    server->setSilent(true);
    TChannel& ch = paradigm.Channel(2);
    ch.Settings.SetDuration(Value("+5    E-3"), error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(ch.Settings.Duration.IsUnset());
    ch.Enabled = 1;
    ch.SetMode(ModeGate);
    EXPECT_EQ(ch.Mode, 0);
    paradigm.AddLink(2, 3);
    EXPECT_EQ(paradigm.Links[2][3], 0);
}

TEST_F(ModelSimTest, ModeAndEnableSendExactlyTheirCommands)
{
    TChannel& ch = paradigm.Channel(4);
    ch.Mode = ModeOff;
    ch.Enabled = 0;
    ch.SetMode(ModeTrain); // power on, channel off: nothing
    EXPECT_TRUE(server->frames().empty());

    ch.SetEnabled(true);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"MO4"}));
    EXPECT_EQ(ch.Enabled, 0); // the device reports "O": still off
    EXPECT_EQ(DeviceChannel(4).mode, 'O');

    ch.Mode = ModeTrain;
    ch.SetEnabled(true);
    EXPECT_EQ(Commands().back(), "MN4");
    EXPECT_EQ(ch.Enabled, 1);
    EXPECT_EQ(DeviceChannel(4).mode, 'N');

    ch.SetMode(ModeFreeRun);
    EXPECT_EQ(Commands().back(), "MF4");
    EXPECT_EQ(ch.Mode, ModeFreeRun);

    ch.SetEnabled(false);
    EXPECT_EQ(Commands().back(), "MO4");
    EXPECT_EQ(ch.Enabled, 0);
    EXPECT_EQ(ch.Mode, ModeFreeRun); // the model keeps the mode to switch on with
}

TEST_F(ModelSimTest, PowerOffIsOneCommandWithoutReply)
{
    paradigm.SetPowerOn(false);
    ASSERT_TRUE(server->waitForFrames(1, 3000));
    EXPECT_EQ(server->frames(), (std::vector<std::string>{"O"}));
    EXPECT_FALSE(server->state().outputsOn);
}

TEST_F(ModelSimTest, ShapeAndLinksFollowTheDevice)
{
    paradigm.Channel(2).SetShape(2);
    EXPECT_EQ(paradigm.Channel(2).Settings.Shape, 2);
    EXPECT_EQ(DeviceChannel(2).shape, 'R');

    paradigm.AddLink(1, 10);
    paradigm.AddLink(9, 12);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"S2R", "X1A", "X9C"}));
    const char cell1A = server->state().cur().links[0][9];
    const char cell9C = server->state().cur().links[8][11];
    EXPECT_EQ(paradigm.Links[1][10], LinkCellFromText(QString(QLatin1Char(cell1A))));
    EXPECT_EQ(paradigm.Links[9][12], LinkCellFromText(QString(QLatin1Char(cell9C))));
    EXPECT_NE(paradigm.Links[1][10], 0);

    paradigm.RemoveLink(1, 10);
    EXPECT_EQ(Commands().back(), "Z1A");
    EXPECT_EQ(paradigm.Links[1][10], 0);

    // A refused link command leaves the cell as it was.
    server->setRefuse({{"X", ""}});
    paradigm.AddLink(1, 10);
    EXPECT_EQ(paradigm.Links[1][10], 0);
}

TEST_F(ModelSimTest, StateAndLinkRepliesFillTheModel)
{
    paradigm.ParseState(comm->Dialogue(QStringLiteral("GP,4")));
    paradigm.ParseLinks(comm->Dialogue(QStringLiteral("GC")));
    const sim::SimState device = server->state();
    EXPECT_EQ(paradigm.Number, device.current);
    for (int i = 1; i <= 9; ++i) {
        const sim::SimChannel& d = device.cur().channels[i - 1];
        const TChannelSettings& s = paradigm.Channel(i).Settings;
        EXPECT_EQ(ModeLetter(paradigm.Channel(i).Mode), QChar(d.mode)) << i;
        EXPECT_EQ(s.Duration.ToDeviceText().toStdString(), d.duration) << i;
        EXPECT_EQ(s.Interval.ToDeviceText().toStdString(), d.interval) << i;
        EXPECT_EQ(s.Delay.ToDeviceText().toStdString(), d.delay) << i;
        EXPECT_EQ(s.PulseCount.ToDeviceText().toStdString(), d.pulseCount) << i;
        EXPECT_EQ(s.Voltage.ToDeviceText().toStdString(), d.voltage) << i;
        EXPECT_EQ(s.DeltaV.ToDeviceText().toStdString(), d.deltaV) << i;
        for (int col = 1; col <= 12; ++col)
            EXPECT_EQ(paradigm.Links[i][col],
                      LinkCellFromText(QString(QLatin1Char(device.cur().links[i - 1][col - 1]))));
    }

    // Refused state and link requests change nothing.
    const int number = paradigm.Number;
    server->setRefuse({{"GP", "Busy"}, {"GC", "Busy"}});
    paradigm.ParseState(comm->Dialogue(QStringLiteral("GP,4")));
    paradigm.ParseLinks(comm->Dialogue(QStringLiteral("GC")));
    EXPECT_EQ(paradigm.Number, number);
}
