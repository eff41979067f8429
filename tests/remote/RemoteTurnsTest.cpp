// Calls take their turn as a script instruction does: never inside another
// operation, one at a time in the order they came; a call that acts on the
// device at once must start within 500 ms, any other within its waiting
// limit (20 s, shortened here), or it fails Busy and sends nothing.
#include "RemoteFixture.h"
#include "link/CommUnit.h"

namespace {

using Frames = std::vector<std::string>;
namespace Error = RemoteNames::Error;

using RemoteTurns = RemoteFixture;

TEST_F(RemoteTurns, CallsWaitForTheConsoleAndRunOneAtATimeInTheirOrder)
{
    StartConsole();
    // An operation of the operator's is running.
    auto operation = std::make_unique<TOperation>(Main->Comm());
    const auto read = Gdbus(QStringLiteral("Exchange"), {QStringLiteral("GT")});
    ASSERT_TRUE(WaitForWaitingCalls(1));

    // A refresh runs while the call waits; nothing of the call runs inside it.
    ClearWire();
    Main->RefreshConnection();
    EXPECT_EQ(Wire(), (Frames{"GP,4R", "GCR", "GTR"}));

    const auto links = Gdbus(QStringLiteral("Exchange"), {QStringLiteral("GC")});
    ASSERT_TRUE(WaitForWaitingCalls(2));
    const auto trigger = Gdbus(QStringLiteral("Trigger"), {QStringLiteral("2")});
    ASSERT_TRUE(WaitForWaitingCalls(3));
    operation.reset();

    ASSERT_TRUE(read->Finish());
    ASSERT_TRUE(links->Finish());
    ASSERT_TRUE(trigger->Finish());
    EXPECT_EQ(read->Out(), QStringLiteral("('OK.R',)"));
    EXPECT_TRUE(links->Out().startsWith(QStringLiteral("('OK."))) << links->Out().toStdString();
    EXPECT_EQ(trigger->Out(), QStringLiteral("('sent',)"));
    EXPECT_EQ(Wire(), (Frames{"GP,4R", "GCR", "GTR", "GTR", "GCR", "T2"}));
    EXPECT_EQ(WaitingCalls, (QStringList{QStringLiteral("Exchange"), QStringLiteral("Exchange"), QStringLiteral("Trigger")}));
}

TEST_F(RemoteTurns, ACallThatCannotStartInTimeFailsBusyAndSendsNothingButItsWorkMayTakeLonger)
{
    TRemoteLimits limits;
    limits.WaitAtMostMs = 1000;
    StartConsole({}, limits);
    ClearWire();

    auto operation = std::make_unique<TOperation>(Main->Comm());
    const auto trigger = Gdbus(QStringLiteral("Trigger"), {QStringLiteral("1")});
    const auto channels = Gdbus(QStringLiteral("GetChannels"));
    ASSERT_TRUE(WaitForWaitingCalls(2));
    ASSERT_TRUE(trigger->Finish());
    EXPECT_EQ(trigger->ErrorName(), Error::Busy);
    EXPECT_EQ(trigger->ErrorMessage(),
              QStringLiteral("The Kelvor 9 was busy: Trigger could not start within 500 ms and was not carried out."));
    ASSERT_TRUE(channels->Finish());
    EXPECT_EQ(channels->ErrorName(), Error::Busy);
    EXPECT_EQ(Status(), QStringLiteral("Remote: GetChannels: The Kelvor 9 stayed busy for 1 s: GetChannels was not carried out."));
    operation.reset();
    Settle();
    EXPECT_TRUE(Wire().empty());
    EXPECT_EQ(Sim->attentionCount(), 0);

    // Only the wait is limited: a call that starts at once may take as long
    // as the device needs.
    Sim->setDelayMs(1500);
    EXPECT_EQ(Called(QStringLiteral("Exchange"), {QStringLiteral("GT")})->Out(), QStringLiteral("('OK.R',)"));
}

} // namespace
