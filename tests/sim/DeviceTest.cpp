// The device's command interpreter, without a line in between.
#include "sim/Device.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class DeviceTest : public ::testing::Test {
protected:
    sim::SimState state = sim::factoryState();
    std::vector<std::string> notes;
    sim::Device device {state, [this](const std::string& n) { notes.push_back(n); }};

    std::string run(const std::string& cmd) { return device.execute(cmd); }
    const sim::SimChannel& channel(int n) const { return state.cur().channels[n - 1]; }
    static bool refused(const std::string& reply) { return reply.size() >= 3 && reply.compare(0, 3, "OK.") != 0; }
};

std::string points(int count, const std::string& point)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += point;
    return s;
}

}  // namespace

TEST_F(DeviceTest, ValueCommandsEchoWhatWasStored)
{
    EXPECT_EQ(run("D1+00005E-3"), "OK.+5.000E-3");
    EXPECT_EQ(run("I1+12345E-6"), "OK.+12.35E-3");
    EXPECT_EQ(run("L1+001.5E-3"), "OK.+1.500E-3");
    EXPECT_EQ(run("N1+00010E+0"), "OK.+10.00E+0");
    EXPECT_EQ(run("V1-02.50E+0"), "OK.-2.500E+0");
    EXPECT_EQ(run("J1+0.125E+0"), "OK.+125.0E-3");
    const sim::SimChannel& c = channel(1);
    EXPECT_EQ(c.duration, "+5.000E-3");
    EXPECT_EQ(c.interval, "+12.35E-3");
    EXPECT_EQ(c.delay, "+1.500E-3");
    EXPECT_EQ(c.pulseCount, "+10.00E+0");
    EXPECT_EQ(c.voltage, "-2.500E+0");
    EXPECT_EQ(c.deltaV, "+125.0E-3");
}

TEST_F(DeviceTest, LimitsRefuseWithTextAndKeepTheOldValue)
{
    EXPECT_EQ(run("I2+00099E-6"), "ER:Interval below 100 us");
    EXPECT_EQ(run("I2+00100E-6"), "ER:Duration longer than interval");  // duration is 1 ms
    EXPECT_EQ(run("D2+00020E-3"), "ER:Duration longer than interval");
    EXPECT_EQ(run("L2+3.601E+3"), "ER:Time above one hour");
    EXPECT_EQ(run("N2+60100E+0"), "ER:More than 60000 pulses");
    EXPECT_EQ(run("N2+60001E+0"), "OK.+60.00E+3");  // stored as 60000
    EXPECT_EQ(run("V2+10.00E+0"), "ER:Amplitude outside -10 to +9.99");
    EXPECT_EQ(run("J2-10.01E+0"), "ER:Amplitude outside -10 to +9.99");
    EXPECT_EQ(run("D2-00001E-3"), "ER:Negative time");
    EXPECT_EQ(channel(2).interval, sim::factoryState().cur().channels[1].interval);
    EXPECT_EQ(channel(2).duration, "+1.000E-3");
    // The limits themselves are allowed.
    EXPECT_EQ(run("N2+60000E+0"), "OK.+60.00E+3");
    EXPECT_EQ(run("V2+9.990E+0"), "OK.+9.990E+0");
    EXPECT_EQ(run("J2-10.00E+0"), "OK.-10.00E+0");
    EXPECT_EQ(run("L2+3.600E+3"), "OK.+3.600E+3");
    EXPECT_EQ(run("D2+0.000E+0"), "OK.+0.000E+0");
    EXPECT_EQ(run("I2+00100E-6"), "OK.+100.0E-6");
}

TEST_F(DeviceTest, MalformedValueCommandsAreRefused)
{
    for (const char* cmd : {"D0+00005E-3", "D1+00005E-", "D1+0,005E-3", "D1", "D1+00005E-3X", "V9+FFFF.EF"})
        EXPECT_TRUE(refused(run(cmd))) << cmd;
    EXPECT_EQ(run("V1+0.001E-9"), "ER:Value out of range");
}

TEST_F(DeviceTest, ModeCommandsAnswerTheResultingMode)
{
    EXPECT_EQ(run("MN3"), "OK.N");
    EXPECT_EQ(run("MT3"), "OK.N");  // Gate only on channels 1 and 2
    EXPECT_EQ(run("MT2"), "OK.T");
    EXPECT_EQ(run("MO4"), "OK.O");
    EXPECT_EQ(run("MQ4"), "OK.O");  // an unknown letter leaves the mode
    EXPECT_EQ(channel(3).mode, 'N');
    // Without a channel 1 to 9 there is no mode to report but Off; never a text.
    for (const char* cmd : {"MF0", "MN12", "MF", "M"})
        EXPECT_EQ(run(cmd), "OK.O") << cmd;
}

TEST_F(DeviceTest, ModeCommandsCannotBeRefused)
{
    for (const char* prefix : {"M", "MF", "MF1", "MF12"})
        EXPECT_THROW(device.setRefusals({{prefix, "Busy"}}), std::invalid_argument) << prefix;
    EXPECT_EQ(run("MN1"), "OK.N");
    EXPECT_EQ(sim::refusalPrefixFault("GT"), "");
}

TEST_F(DeviceTest, ShapesAndStoreMode)
{
    EXPECT_EQ(run("S2M"), "OK.M");
    EXPECT_EQ(channel(2).shape, 'M');
    EXPECT_TRUE(refused(run("S2Q")));
    EXPECT_EQ(run("UM"), "OK.M");
    EXPECT_EQ(run("GT"), "OK.M");
    EXPECT_TRUE(refused(run("UX")));
    EXPECT_EQ(run("R"), "OK.");
}

TEST_F(DeviceTest, LinksAndTheLinkMatrixReply)
{
    EXPECT_EQ(run("X12"), "OK.12+");
    EXPECT_EQ(run("X3B"), "OK.3B*");
    EXPECT_EQ(run("X9C"), "OK.9C*");
    EXPECT_EQ(run("X11"), "ER:A channel cannot trigger itself");
    EXPECT_TRUE(refused(run("X0D")));
    std::string gc = run("GC");
    ASSERT_EQ(gc.size(), 3u + 108u);
    auto cell = [&](int row, int column) { return gc[12 * row + column - 10]; };  // position 12i+j-9, from 1
    EXPECT_EQ(cell(1, 2), '+');
    EXPECT_EQ(cell(3, 11), '*');
    EXPECT_EQ(cell(9, 12), '*');
    EXPECT_EQ(cell(2, 1), '-');
    EXPECT_EQ(run("Z12"), "OK.12-");
    EXPECT_EQ(run("GC")[4], '-');
}

TEST_F(DeviceTest, StateReplyLayout)
{
    run("MN3");
    run("I3+00020E-3");
    run("S3R");
    run("V3-1.250E+0");
    std::string gp = run("GP,4");
    ASSERT_EQ(gp.size(), 3u + 1u + 9u * 63u);
    EXPECT_EQ(gp.substr(0, 4), "OK.1");
    std::string block = gp.substr(4 + 2 * 63, 63);
    EXPECT_EQ(block, "N,+1.000E-3,+20.00E-3,+0.000E+0,+1.000E+0,R,-1.250E+0,+0.000E+0");
}

TEST_F(DeviceTest, SelectClearAndCopyParadigms)
{
    std::string first = run("GP,4");
    EXPECT_EQ(run("Y3"), "OK.");
    std::string third = run("GP,4");
    EXPECT_EQ(third[3], '3');
    EXPECT_NE(first.substr(4), third.substr(4));  // the stored paradigms differ
    run("D1+00002E-3");
    run("X12");
    EXPECT_EQ(run("C37"), "OK.");
    EXPECT_EQ(state.paradigms[6].channels[0].duration, "+2.000E-3");
    EXPECT_EQ(state.paradigms[6].links[0][1], '+');
    EXPECT_EQ(run("E"), "OK.");
    EXPECT_EQ(state.cur().channels[0].duration, "+1.000E-3");
    EXPECT_EQ(state.cur().channels[0].interval, "+10.00E-3");
    EXPECT_EQ(state.cur().links[0][1], '-');
    EXPECT_EQ(state.paradigms[6].channels[0].duration, "+2.000E-3");  // the copy stays
    EXPECT_TRUE(refused(run("Y0")));
    EXPECT_TRUE(refused(run("C3")));
    EXPECT_EQ(state.current, 3);
}

TEST_F(DeviceTest, OutputsAndTrigger)
{
    EXPECT_EQ(run("O"), "OK.");
    EXPECT_FALSE(state.outputsOn);
    EXPECT_EQ(run("T4"), "OK.");
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes.back().find("channel 4"), std::string::npos);
    device.executeBatch("MF1MF2MF3MF4MF5MF6MF7MF8MF9");
    EXPECT_TRUE(state.outputsOn);
}

TEST_F(DeviceTest, BatchSkipsBadCommandsAndAppliesTheRest)
{
    // A paradigm load with channel 3's duration missing and a trailing store mode.
    device.executeBatch("MN3D3L3+00002E-3I3+00050E-3N3+00005E+0V3+00003E+0S3MJ3+0.000E+0I4+00050E-6X12US");
    EXPECT_EQ(channel(3).mode, 'N');
    EXPECT_EQ(channel(3).duration, "+1.000E-3");
    EXPECT_EQ(channel(3).delay, "+2.000E-3");
    EXPECT_EQ(channel(3).interval, "+50.00E-3");
    EXPECT_EQ(channel(3).pulseCount, "+5.000E+0");
    EXPECT_EQ(channel(3).voltage, "+3.000E+0");
    EXPECT_EQ(channel(3).shape, 'M');
    EXPECT_EQ(channel(4).interval, "+10.00E-3") << "out of range, skipped";
    EXPECT_EQ(state.cur().links[0][1], '+');
    EXPECT_EQ(state.cur().storeMode, 'S');
    EXPECT_EQ(notes.size(), 2u);
}

TEST_F(DeviceTest, BatchChecksDurationAgainstIntervalAtTheEnd)
{
    run("Y1");
    device.executeBatch("D1+00020E-3I1+00050E-3");  // duration first, longer than the old interval
    EXPECT_EQ(channel(1).duration, "+20.00E-3");
    EXPECT_EQ(channel(1).interval, "+50.00E-3");
    device.executeBatch("D2+00090E-3L2+00001E-3");
    EXPECT_EQ(channel(2).duration, "+1.000E-3") << "longer than the interval: kept as before";
    EXPECT_EQ(channel(2).delay, "+1.000E-3");
}

// A change of paradigm inside a batch closes the check of the channels
// changed so far: it judges (and restores) the paradigm they went into.
TEST_F(DeviceTest, BatchChecksEachParadigmItChanged)
{
    run("Y1");
    device.executeBatch("D1+12000E-3Y2");
    EXPECT_EQ(state.paradigms[0].channels[0].duration, "+1.000E-3");
    EXPECT_EQ(state.current, 2);
    run("Y1");
    device.executeBatch("D1+12000E-3C12");
    EXPECT_EQ(state.paradigms[1].channels[0].duration, "+1.000E-3") << "the copy carried an unchecked value";
    state = sim::factoryState();
    device.executeBatch("D1+15.00E-3Y2D1+30.00E-3");
    EXPECT_EQ(state.paradigms[0].channels[0].duration, "+1.000E-3");
    EXPECT_EQ(state.paradigms[1].channels[0].interval, "+20.00E-3");
    EXPECT_EQ(state.paradigms[1].channels[0].duration, "+1.000E-3");
}

TEST_F(DeviceTest, RefusalSwitch)
{
    device.setRefusals({{"GT", ""}, {"D1", "Busy"}});
    EXPECT_EQ(run("GT"), "ER:Refused");
    EXPECT_EQ(run("D1+00002E-3"), "ER:Busy");
    EXPECT_EQ(run("D2+00002E-3"), "OK.+2.000E-3");
    device.executeBatch("D1+00003E-3D3+00003E-3");
    EXPECT_EQ(channel(1).duration, "+1.000E-3");
    EXPECT_EQ(channel(3).duration, "+3.000E-3");
    EXPECT_TRUE(refused(run("Hello")));
}

TEST_F(DeviceTest, ShortTableSectors)
{
    std::string s1 = run("GS01");
    EXPECT_EQ(s1.substr(0, 5), "OK.01");
    EXPECT_EQ(s1.size(), 5u + 32u * 9u);
    EXPECT_EQ(run("GS32").size(), 5u + 8u * 9u);
    EXPECT_TRUE(refused(run("GS33")));
    EXPECT_TRUE(refused(run("GS00")));
    EXPECT_EQ(run("Q05+0.500E+0-10.00E+0"), "OK.");
    EXPECT_EQ(run("GS05").substr(5, 18), "+500.0E-3-10.00E+0");
    EXPECT_TRUE(refused(run("Q05+10.50E+0")));
    EXPECT_TRUE(refused(run("Q05+0.500E+")));
    EXPECT_TRUE(refused(run("Q32" + points(9, "+1.000E+0"))));  // sector 32 holds 8 points
    EXPECT_EQ(run("Q32" + points(8, "+1.000E+0")), "OK.");
    EXPECT_EQ(state.cur().shortTable.size(), 1000u);
}

// Each of the paradigms 1 to 8 has a short table of its own, which a copy
// carries and a clear keeps.
TEST_F(DeviceTest, EachParadigmKeepsItsShortTable)
{
    std::string first = run("GS01");
    run("Y2");
    EXPECT_NE(run("GS01"), first) << "factory tables differ per paradigm";
    run("Y1");
    EXPECT_EQ(run("Q01+1.000E+0"), "OK.");
    run("Y2");
    EXPECT_NE(run("GS01").substr(5, 9), "+1.000E+0");
    EXPECT_EQ(run("C13"), "OK.");
    run("Y3");
    EXPECT_EQ(run("GS01").substr(5, 9), "+1.000E+0");
    EXPECT_EQ(run("E"), "OK.");
    EXPECT_EQ(run("GS01").substr(5, 9), "+1.000E+0");
}

TEST_F(DeviceTest, LongTableSectors)
{
    run("Y9");
    EXPECT_EQ(run("GK"), "OK.000100");
    EXPECT_EQ(run("K000065"), "OK.");
    EXPECT_EQ(run("GK"), "OK.000065");
    EXPECT_EQ(run("GW0003").size(), 7u + 9u);
    EXPECT_TRUE(refused(run("GW0004")));
    EXPECT_EQ(run("W0003-3.250E+0"), "OK.");
    EXPECT_EQ(run("GW0003"), "OK.0003-3.250E+0");
    EXPECT_TRUE(refused(run("W0003-3.250E+0-3.250E+0")));  // past the table's end
    EXPECT_TRUE(refused(run("K100001")));
    EXPECT_EQ(run("K100000"), "OK.");
    EXPECT_EQ(run("GW3125").size(), 7u + 32u * 9u);
    EXPECT_EQ(run("K000000"), "OK.");
    EXPECT_TRUE(refused(run("GW0001")));
}

// Each table answers only while its paradigm is current; the other's commands
// are refused with a text and change nothing.
TEST_F(DeviceTest, TableCommandsOfTheOtherTableAreRefused)
{
    for (const char* cmd : {"GK", "K000010", "GW0001", "W0001+1.000E+0"})
        EXPECT_EQ(run(cmd), "ER:Long table only in paradigm 9") << cmd;
    EXPECT_EQ(state.longTable.size(), 100u);
    run("Y9");
    for (const char* cmd : {"GS01", "Q01+1.000E+0"})
        EXPECT_EQ(run(cmd), "ER:No short table in paradigm 9") << cmd;
    EXPECT_EQ(state.paradigms[8].shortTable, sim::factoryState().paradigms[8].shortTable);
}
