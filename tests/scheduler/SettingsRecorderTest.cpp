// When a run reads the device's settings for its record, on a fake clock:
// right after the activation when the first instruction leaves time for it,
// else right after the first instruction, never in between; once per run,
// never for a run that ended, and only once the console is idle.
#include <gtest/gtest.h>

#include <QStringList>

#include <deque>

#include "FakeTime.h"
#include "base/KelvorErrors.h"
#include "scheduler/SettingsRecorder.h"

namespace {

// A console whose idle calls wait until the test lets them run.
class TRecordedTarget final : public TScriptTarget {
public:
    bool Busy() const override { return IsBusy; }
    void CallWhenIdle(std::function<void()> action) override { Idle.push_back(std::move(action)); }
    QString TriggerChannel(int) override { return ScriptOutcome::Sent; }
    QString SetChannelParameter(int, int, const QString&) override { return ScriptOutcome::Sent; }
    QString SetChannelMode(int, int) override { return ScriptOutcome::Sent; }
    QString SelectParadigm(int) override { return ScriptOutcome::Sent; }
    QString LoadParadigmFromFile(const QString&) override { return ScriptOutcome::Loaded; }
    QByteArray ReadSettingsAsParadigmFile() override
    {
        ++Reads;
        if (!Failure.isEmpty())
            throw EKelvorError(Failure);
        return QByteArrayLiteral("Paradigm=3\r\n");
    }

    // Runs the idle calls waiting now (not those they queue).
    void RunIdleCalls()
    {
        std::deque<std::function<void()>> now;
        now.swap(Idle);
        for (auto& action : now)
            action();
    }

    bool IsBusy = false;
    int Reads = 0;
    QString Failure;
    std::deque<std::function<void()>> Idle;
};

TEST(SettingsRecorder, ReadsBeforeTheFirstInstructionOnlyWithTimeToSpareElseRightAfterIt)
{
    TFakeClock clock(QDateTime(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC));
    TRecordedTarget target;
    TSettingsRecorder recorder(target, clock);
    QStringList outcome;
    recorder.OnRead = [&](const QByteArray& settings) { outcome << QString::fromLatin1(settings); };
    recorder.OnFailed = [&](const QString& message) { outcome << message; };
    const qint64 now = clock.MsecsSinceEpoch();

    // Time to spare: read once the console is idle (waiting while it is busy).
    recorder.Begin(now + 1000);
    EXPECT_EQ(target.Reads, 0);
    target.IsBusy = true;
    target.RunIdleCalls();
    EXPECT_EQ(target.Reads, 0);
    target.IsBusy = false;
    target.RunIdleCalls();
    EXPECT_EQ(target.Reads, 1);
    recorder.InstructionCarried();
    EXPECT_EQ(target.Reads, 1);
    EXPECT_EQ(outcome, QStringList{"Paradigm=3\r\n"});

    // The console was busy until the first instruction was close: it waits
    // for that instruction and reads right after it, once.
    recorder.Begin(now + 1000);
    clock.Advance(1000 - TSettingsRecorder::LeadMs + 1);
    target.RunIdleCalls();
    EXPECT_EQ(target.Reads, 1);
    recorder.InstructionCarried();
    recorder.InstructionCarried();
    EXPECT_EQ(target.Reads, 2);

    // A run that ends first reads nothing, also from an idle call still queued.
    recorder.Begin(clock.MsecsSinceEpoch() + 5000);
    recorder.End();
    target.RunIdleCalls();
    recorder.InstructionCarried();
    EXPECT_EQ(target.Reads, 2);

    // A failed reading: its message, once.
    target.Failure = QStringLiteral("Kelvor 9 device is not responding.");
    recorder.Begin(clock.MsecsSinceEpoch() + 5000);
    target.RunIdleCalls();
    recorder.InstructionCarried();
    EXPECT_EQ(target.Reads, 3);
    EXPECT_EQ(outcome.last(), target.Failure);
    EXPECT_EQ(outcome.size(), 3);
}

} // namespace
