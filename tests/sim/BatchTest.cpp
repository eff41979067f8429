// Splitting batches by the commands' shapes, and cutting the received bytes into frames.
#include "sim/Batch.h"
#include "sim/FrameReader.h"

#include <gtest/gtest.h>

using sim::FrameReader;

namespace {

std::vector<std::string> texts(const std::string& body, bool wellFormed)
{
    std::vector<std::string> out;
    for (const sim::BatchItem& i : sim::splitBatch(body))
        if (i.wellFormed == wellFormed)
            out.push_back(i.text);
    return out;
}

using List = std::vector<std::string>;
using namespace std::chrono_literals;
const FrameReader::Clock::time_point t0 {};

}  // namespace

TEST(Batch, SplitsThePowerOnBatch)
{
    EXPECT_EQ(texts("MF1MF2MN3MG4MC5MT6MW7MO8MF9", true),
              (List {"MF1", "MF2", "MN3", "MG4", "MC5", "MT6", "MW7", "MO8", "MF9"}));
}

TEST(Batch, ALastCommandEndingInRIsACommand)
{
    EXPECT_EQ(texts("MF1D1+1.000E-3X12X1AUR", true), (List {"MF1", "D1+1.000E-3", "X12", "X1A", "UR"}));
}

TEST(Batch, AMissingValueDoesNotSwallowTheNextCommand)
{
    std::string body = "MF3D3L3+0.000E+0I3+10.00E-3N3+1.000E+0V3+5.000E+0S3J3+0.000E+0M4";
    EXPECT_EQ(texts(body, true), (List {"MF3", "L3+0.000E+0", "I3+10.00E-3", "N3+1.000E+0", "V3+5.000E+0", "J3+0.000E+0"}));
    EXPECT_EQ(texts(body, false), (List {"D3", "S3", "M4"}));
}

TEST(Batch, TheEOfABrokenValueIsNotAClearCommand)
{
    EXPECT_EQ(texts("D3+1,000E-3L3+0.000E+0U", true), (List {"L3+0.000E+0"}));
    EXPECT_EQ(texts("D3+1,000E-3L3+0.000E+0U", false), (List {"D3+1,000E-3", "U"}));
    EXPECT_EQ(texts("EMF1O", true), (List {"E", "MF1", "O"}));
}

TEST(FrameReader, CutsAttentionAndFrames)
{
    FrameReader r;
    auto events = r.feed("=>0003GTR=>0003T3", t0);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, FrameReader::Event::Attention);
    EXPECT_EQ(events[1].kind, FrameReader::Event::Frame);
    EXPECT_EQ(events[1].text, "GTR");
    EXPECT_EQ(events[2].kind, FrameReader::Event::Attention);
    events = r.feed("R=", t0);  // the rest of the frame arrives later
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].text, "T3R");
    EXPECT_EQ(events[1].kind, FrameReader::Event::Attention);
}

TEST(FrameReader, AnEqualsSignInsideAFrameIsText)
{
    FrameReader r;
    auto events = r.feed(">0002==", t0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, "==");
}

TEST(FrameReader, BrokenHeadersAndStrayBytesAreReportedAndSkipped)
{
    FrameReader r;
    auto events = r.feed("xy>01=>0000>0002GT", t0);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, FrameReader::Event::Stray);
    EXPECT_EQ(events[0].text, "xy");
    EXPECT_EQ(events[1].text, ">01");
    EXPECT_EQ(events[2].kind, FrameReader::Event::Attention);
    EXPECT_EQ(events[3].kind, FrameReader::Event::Frame);
    EXPECT_EQ(events[3].text, "");
    EXPECT_EQ(events[4].text, "GT");
}

TEST(FrameReader, ALengthFieldLongerThanFourDigits)
{
    FrameReader r;
    std::string text(10000, 'B');
    auto events = r.feed(">10000" + text, t0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text.size(), 10000u);
}

// A frame cut short must not swallow what follows: once its next byte is a
// second overdue, it is dropped and the next "=" is an attention again.
TEST(FrameReader, DropsAFrameLeftIdle)
{
    FrameReader r;
    EXPECT_TRUE(r.feed(">0050D1+1.0", t0).empty());
    EXPECT_FALSE(r.dropIfIdle(t0 + 999ms));
    EXPECT_TRUE(r.feed("00E-3", t0 + 999ms).empty());  // a byte in time restarts the wait
    ASSERT_EQ(r.dropAt(), t0 + 1999ms);
    std::optional<FrameReader::Event> dropped = r.dropIfIdle(t0 + 1999ms);
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->kind, FrameReader::Event::Dropped);
    EXPECT_EQ(dropped->text, ">0050D1+1.000E-3");
    EXPECT_FALSE(r.dropAt());
    auto events = r.feed("=>0003GTR", t0 + 2s);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, FrameReader::Event::Attention);
    EXPECT_EQ(events[1].text, "GTR");
    // A header left half-written is dropped the same way.
    r.feed(">00", t0 + 3s);
    EXPECT_EQ(r.dropIfIdle(t0 + 4s)->text, ">00");
}
