// The script reader: times, kinds and arguments, every refusal's message, the
// jumps' destinations, and the order of the line list.
#include <gtest/gtest.h>

#include <functional>

#include "script/ScriptLines.h"
#include "script/ScriptReader.h"

using namespace ScriptReader;

namespace {

// The message the call raises, or "<no error>".
QString MessageOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const EKelvorError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

QString LineMessage(const char* line)
{
    return MessageOf([&] { ParseScriptLine(QString::fromUtf8(line)); });
}

qint64 Ms(double dayFraction) { return MsFromDayFraction(dayFraction); }

TVariantArray Params(std::initializer_list<QVariant> values) { return TVariantArray(values); }

} // namespace

TEST(ScriptReader, StartOffsetsWithAndWithoutMilliseconds)
{
    double t = -1;
    ASSERT_TRUE(ParseScriptTime(QStringLiteral("23:59:59:999"), t));
    EXPECT_EQ(Ms(t), MsPerDay - 1);
    ASSERT_TRUE(ParseScriptTime(QStringLiteral("01:02:03"), t));
    EXPECT_EQ(Ms(t), 3'723'000);
    for (const char* bad : {"24:00:00", "00:60:00", "00:00:60", "aa:00:00", "00:00", "00:00:01:9x9"})
        EXPECT_FALSE(ParseScriptTime(QString::fromLatin1(bad), t)) << bad;

    const TCommand shortForm = ParseScriptLine(QStringLiteral("00:00:05:Trigger Channel 3"));
    EXPECT_EQ(Ms(shortForm.Time), 5000);
    EXPECT_EQ(shortForm.Kind, KindTrigger);
    EXPECT_EQ(shortForm.Params, Params({3}));
    const TCommand longForm = ParseScriptLine(QStringLiteral("00:00:05:500:Trigger Channel 3"));
    EXPECT_EQ(Ms(longForm.Time), 5500);
    EXPECT_EQ(longForm.Kind, KindTrigger);

    EXPECT_EQ(LineMessage("25:00:00:Trigger Channel 1"),
              "Error In Script. 25:00:00:Tri is not a Valid time.");
    const TCommand empty = ParseScriptLine(QString());
    EXPECT_EQ(empty.Kind, KindInvalid);
    EXPECT_TRUE(empty.Params.isEmpty());
}

TEST(ScriptReader, EveryKindWithItsArguments)
{
    struct Case {
        const char* line;
        quint8 kind;
        TVariantArray params;
    };
    const Case cases[] = {
        {"00:00:10:change channel 2 mode to twin", KindMode, Params({2, 5})},
        {"00:00:10:Change Channel 9 mode to Free Run", KindMode, Params({9, 0})},
        {"00:00:10:Change Channel 2 Duration to +00150E-3", KindSetting, Params({2, 0, QStringLiteral("+00150E-3")})},
        {"00:00:10:Change Channel 4 dv to -00010E+0", KindSetting, Params({4, 6, QStringLiteral("-00010E+0")})},
        {"00:00:10:Change Paradigm To 5", KindParadigm, Params({5})},
        {"00:00:10:Load Paradigm /data/run 1/a b.kr9  ", KindLoadFile, Params({QStringLiteral("/data/run 1/a b.kr9")})},
        {"00:01:00:Jump To Time 00:00:10 Counting 3 Loops", KindJump, Params({DayFractionFromMs(10'000), 3})},
        // The kind names are matched with their letter case: the editor refuses these.
        {"00:00:10:trigger channel 3", KindInvalid, {}},
        {"00:00:10:Fire Channel 1", KindInvalid, {}},
    };
    for (const Case& c : cases) {
        const TCommand command = ParseScriptLine(QString::fromUtf8(c.line));
        EXPECT_EQ(command.Kind, c.kind) << c.line;
        EXPECT_EQ(command.Params, c.params) << c.line;
    }
}

TEST(ScriptReader, RefusalsQuoteWhatWasFound)
{
    // "MODE" is not the lower-case word, so the line is a setting change.
    EXPECT_EQ(LineMessage("00:00:10:Change Channel 2 MODE to Twin"),
              "Error In Script. MODE is not a Valid Channel Setting.");
    // Run, an unknown mode would switch the channel off while marking it on.
    EXPECT_EQ(LineMessage("00:00:10:Change Channel 2 mode to Burst"),
              "Error In Script. Change Channel 2 mode to Burst is not a Valid command.");
    EXPECT_EQ(LineMessage("00:00:10:Change Channel 2 Delta V to +00010E+0"),
              "Error In Script. Delta is not a Valid Channel Setting.");
    EXPECT_EQ(LineMessage("00:00:10:Change Channel X mode to Twin"),
              "Error In Script. Change Channel X mode to Twin is not a Valid command.");
    EXPECT_EQ(LineMessage("00:00:10:Trigger Channel three"), "'three' is not a valid integer value");
    EXPECT_EQ(LineMessage("00:01:00:Jump To Time 00:00:10 Counting 3"),
              "Error In Script. 00:00:10 Counting 3 is not a Valid command.");
    EXPECT_EQ(LineMessage("00:01:00:Jump To Time 00:00:10 Counting x Loops"),
              "Error In Script. 00:00:10 Counting x Loops is not a Valid command.");
    // The destination is quoted with the blank before "Counting".
    EXPECT_EQ(LineMessage("00:01:00:Jump To Time 00:99:10 Counting 3 Loops"),
              "Error In Script. 00:99:10  is not a Valid time.");
}

TEST(ScriptReader, ChannelsAndParadigmsOutsideOneToNineAreRefused)
{
    for (const char* instruction :
         {"Trigger Channel 0", "Trigger Channel 10", "Trigger Channel 12", "Trigger Channel -1",
          "Change Paradigm To 0", "Change Paradigm To 99", "Change Channel 0 Duration to +00150E-3",
          "Change Channel 0 mode to Twin", "Change Channel 12 Duration to +00150E-3",
          "Change Channel 10 mode to Off"}) {
        EXPECT_EQ(LineMessage((std::string("00:00:10:") + instruction).c_str()),
                  QStringLiteral("Error In Script. %1 is not a Valid command.").arg(QLatin1String(instruction)));
    }
    for (const char* line : {"00:00:10:Trigger Channel 1", "00:00:10:Trigger Channel 9",
                             "00:00:10:Change Paradigm To 1", "00:00:10:Change Paradigm To 9",
                             "00:00:10:Change Channel 1 N to +00001E+0"})
        EXPECT_EQ(LineMessage(line), "<no error>") << line;
}

TEST(ScriptReader, JumpDestinations)
{
    const TCommandsArray commands = ParseScript({
        QStringLiteral("00:00:00:Trigger Channel 1"),
        QStringLiteral("00:00:10:Jump To Time 00:00:05 Counting 2 Loops"),
        QStringLiteral("00:00:20:Jump To Time 00:00:20 Counting 0 Loops"),
    });
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[1].Index, 1);
    EXPECT_EQ(commands[1].JumpTo, 1); // the first instruction at or after 5 s
    EXPECT_EQ(commands[1].Loops, 2);
    EXPECT_EQ(commands[2].JumpTo, 2); // onto its own time: itself
    EXPECT_EQ(commands[2].Loops, 0);
    EXPECT_EQ(commands[2].Counter, 0);

    EXPECT_EQ(MessageOf([] {
                  ParseScript({QStringLiteral("00:00:00:Trigger Channel 1"),
                               QStringLiteral("00:00:10:Jump To Time 00:00:20 Counting 1 Loops")});
              }),
              "Error In Script, at Line 2.\r\nDestination Time is outside the script.");
    // The first bad line ends the parse, before any jump is resolved.
    EXPECT_EQ(MessageOf([] {
                  ParseScript({QStringLiteral("00:00:10:Jump To Time 00:00:20 Counting 1 Loops"),
                               QStringLiteral("00:00:11:Trigger Channel x")});
              }),
              "'x' is not a valid integer value");
}

TEST(ScriptLines, SortedWithoutRegardToCaseDigitsFirstDuplicatesKept)
{
    TScriptLines lines({
        QStringLiteral("00:00:05:Trigger Channel 1"),
        QStringLiteral("00:00:05:Load Paradigm a.kr9"),
        QStringLiteral("00:00:05:change Paradigm To 2"),
        QStringLiteral("00:00:05:500:Trigger Channel 3"),
        QStringLiteral("00:00:01:Trigger Channel 9"),
    });
    EXPECT_EQ(lines.Lines(), QStringList({
                                 QStringLiteral("00:00:01:Trigger Channel 9"),
                                 QStringLiteral("00:00:05:500:Trigger Channel 3"),
                                 QStringLiteral("00:00:05:change Paradigm To 2"),
                                 QStringLiteral("00:00:05:Load Paradigm a.kr9"),
                                 QStringLiteral("00:00:05:Trigger Channel 1"),
                             }));
    EXPECT_EQ(lines.Insert(QStringLiteral("00:00:05:Jump To Time 00:00:00 Counting 1 Loops")), 3);
    EXPECT_EQ(lines.Insert(QStringLiteral("00:00:01:Trigger Channel 9")), 1); // after its twin
    const int last = lines.Insert(QStringLiteral("00:01:30:Trigger Channel 4"));
    EXPECT_EQ(last, lines.Count() - 1);
    EXPECT_EQ(lines.At(0), lines.At(1));
    for (int i = 1; i < lines.Count(); ++i)
        EXPECT_FALSE(TScriptLines::Less(lines.At(i), lines.At(i - 1))) << i;
}
