// What other programs hear: Triggered for every trigger whatever its source,
// stamped when its frame was written; the run's instructions and its end;
// property changes. And scripts started and stopped as the scheduler does.
#include <QDateTime>

#include <chrono>

#include "RemoteFixture.h"

namespace {

namespace Error = RemoteNames::Error;

qint64 NowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

qint64 Us(const QDateTime& moment)
{
    return moment.toMSecsSinceEpoch() * 1000;
}

using RemoteEvents = RemoteFixture;

TEST_F(RemoteEvents, EveryTriggerIsToldWithItsSourceAndPropertyChangesAreAnnounced)
{
    StartConsole();
    TBusListener listener(Events);

    const qint64 before = NowUs();
    Click(Ui.TriggerButtons(4));
    Called(QStringLiteral("Trigger"), {QStringLiteral("5")});
    Called(QStringLiteral("Exchange"), {QStringLiteral("T6")});
    const qint64 after = NowUs();
    ASSERT_TRUE(WaitForFrames("T", 3));
    ASSERT_TRUE(Events.WaitUntil([&] { return listener.SignalsNamed(QStringLiteral("Triggered")).size() == 3; }));
    const QList<QDBusMessage> triggered = listener.SignalsNamed(QStringLiteral("Triggered"));
    const QList<QPair<int, QString>> expected = {
        {4, QStringLiteral("operator")}, {5, QStringLiteral("remote")}, {6, QStringLiteral("remote")}};
    qint64 previous = before;
    for (int i = 0; i < 3; ++i) {
        const QVariantList arguments = triggered[i].arguments();
        EXPECT_EQ(arguments.value(0).toInt(), expected[i].first);
        EXPECT_EQ(arguments.value(2).toString(), expected[i].second);
        const qint64 stamp = arguments.value(1).toLongLong();
        EXPECT_GE(stamp, previous);
        EXPECT_LE(stamp, after);
        previous = stamp;
    }

    // A refresh is a busy stretch; a paradigm chosen shows in its property.
    Called(QStringLiteral("SelectParadigm"), {QStringLiteral("3")});
    ASSERT_TRUE(Events.WaitUntil([&] { return listener.Announced(QStringLiteral("Paradigm")) == QVariantList{3}; }));
    const QVariantList busy = listener.Announced(QStringLiteral("Busy"));
    ASSERT_FALSE(busy.isEmpty());
    EXPECT_TRUE(busy.contains(QVariant(true)));
    EXPECT_EQ(busy.last(), QVariant(false));

    // The device goes away.
    Sim->stop();
    ASSERT_TRUE(Events.WaitUntil([&] { return !listener.SignalsNamed(QStringLiteral("ConnectionLost")).isEmpty(); }));
    ASSERT_TRUE(Events.WaitUntil([&] { return !listener.Announced(QStringLiteral("Connected")).isEmpty(); }));
    EXPECT_EQ(listener.Announced(QStringLiteral("Connected")), QVariantList{false});
    EXPECT_EQ(listener.Announced(QStringLiteral("Port")), QVariantList{QString()});
}

TEST_F(RemoteEvents, ScriptsStartAfterTheReadersChecksAndTheirRunIsTold)
{
    StartConsole();
    TBusListener listener(Events);

    const QString bad = FFiles.filePath(QStringLiteral("bad.ks9"));
    WriteAll(bad, "00:00:01:Trigger Channel 12\r\n");
    const auto refused = Called(QStringLiteral("StartScript"), {bad});
    EXPECT_EQ(refused->ErrorName(), Error::InvalidArgument);
    EXPECT_EQ(refused->ErrorMessage(), QStringLiteral("Error In Script. Trigger Channel 12 is not a Valid command."));
    EXPECT_EQ(Called(QStringLiteral("StartScript"), {FFiles.filePath(QStringLiteral("none.ks9"))})->ErrorName(),
              Error::FileError);
    EXPECT_FALSE(Run().Active());

    const QString script = FFiles.filePath(QStringLiteral("run.ks9"));
    WriteAll(script, "00:00:00:Trigger Channel 7\r\n00:00:02:Change Channel 1 mode to Train\r\n"
                     "00:00:30:Trigger Channel 2\r\n");
    const auto started = Called(QStringLiteral("StartScript"), {script});
    ASSERT_TRUE(Run().Active());
    EXPECT_EQ(started->Out(), QStringLiteral("('%1',)").arg(Scheduler->RunLogFile()));
    EXPECT_EQ(listener.Property(QStringLiteral("RunActive")), QVariant(true));
    EXPECT_EQ(Called(QStringLiteral("StartScript"), {script})->ErrorName(), Error::Busy);

    // The first instruction is due a second after the start.
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 2; }));
    ASSERT_TRUE(Events.WaitUntil([&] { return listener.SignalsNamed(QStringLiteral("InstructionCarriedOut")).size() == 2; }));
    const QList<QDBusMessage> carried = listener.SignalsNamed(QStringLiteral("InstructionCarriedOut"));
    const QVariantList first = carried[0].arguments();
    ASSERT_EQ(first.size(), 5);
    EXPECT_EQ(first.value(0), QVariant(1));
    EXPECT_EQ(first.value(1), QVariant(QStringLiteral("00:00:00:Trigger Channel 7")));
    EXPECT_EQ(first.value(2), QVariant(Us(Morning().addSecs(1))));
    EXPECT_GE(first.value(3).toLongLong(), first.value(2).toLongLong());
    EXPECT_EQ(first.value(4), QVariant(QStringLiteral("sent")));
    const QVariantList second = carried[1].arguments();
    EXPECT_EQ(second.value(0), QVariant(2));
    EXPECT_EQ(second.value(2), QVariant(Us(Morning().addSecs(3))));
    EXPECT_EQ(second.value(4), QVariant(QStringLiteral("N")));
    ASSERT_TRUE(Events.WaitUntil([&] { return !listener.SignalsNamed(QStringLiteral("Triggered")).isEmpty(); }));
    EXPECT_EQ(listener.SignalsNamed(QStringLiteral("Triggered")).first().arguments().value(2),
              QVariant(QStringLiteral("script")));

    const QString log = Scheduler->RunLogFile();
    EXPECT_EQ(Called(QStringLiteral("StopScript"))->Out(), QStringLiteral("()"));
    ASSERT_TRUE(Events.WaitUntil([&] { return !listener.SignalsNamed(QStringLiteral("RunEnded")).isEmpty(); }));
    EXPECT_EQ(listener.SignalsNamed(QStringLiteral("RunEnded")).first().arguments(),
              (QVariantList{QStringLiteral("Stopped by the operator"), log}));
    ASSERT_TRUE(Events.WaitUntil([&] { return listener.Announced(QStringLiteral("RunActive")).size() == 2; }));
    EXPECT_EQ(listener.Announced(QStringLiteral("RunActive")), (QVariantList{true, false}));
}

} // namespace
