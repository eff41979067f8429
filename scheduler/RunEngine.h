#pragma once
// The run engine: carries a script out against the device in real time. Each
// instruction is due at the run's start time plus its offset; the alarm wakes
// the engine at that moment, and jumps move the start time back (or forward)
// a counted number of times. The engine knows no window: it acts through a
// TScriptTarget and tells its view through the On... hooks.
//
// How a run proceeds (everything on the GUI thread):
//   - ArmEvent(i) makes instruction i current, looks ahead to the next
//     instruction that acts (LookAhead.h), sets the status text, and either
//     arms the alarm with i's full due date-time or, when that moment has
//     passed, carries i out at once.
//   - FireEvent (the alarm's handler) carries out the current instruction and
//     arms the next. Instructions that are already due follow one another in
//     a loop, never by recursion. A due jump is carried out together with
//     the jumps after it that are due as well, in one walk (JumpWalk.h) that
//     adds up the passes of loops made of jumps alone: a million self-jumps
//     in a row cost a few steps; passes still to come are armed one by one.
//   - An instruction that falls due while the console is busy (an operation
//     of the operator's, or an exchange) waits for the busy state to end and
//     runs right after it; Stop cancels that wait. Each instruction runs as
//     an operation of its own.
//   - An instruction that raises halts the run: it stays active with the
//     alarm off, nothing more is carried out, until it is stopped. The status
//     text says "The run has halted: " + the reason, and no instruction is
//     marked as the next one. OnFailed gets the message, except when the line
//     was lost (ESilentAbort), whose box the main window shows.
//   - A lost line does not end the run (RunReconnect.cpp): the engine tries
//     the lost port again every RetryEveryMs through the target, while the
//     status text says "Connection lost: trying COMn again…". Once the
//     device is back, the instructions that fell due meanwhile are caught up
//     (CatchUp.h) and the run goes on; after GiveUpAfterMs without the device
//     the run halts. OnNote logs the loss and the reconnection.
//   - The run ends (OnStopped) when Stop is called, when the index passes the
//     last instruction, or when the look-ahead finds no acting instruction
//     (completed). Ending() then tells the moment and how it ended.
//
// Re-entry: the engine lets window events run between steps (LetEventsRun),
// so the view follows and a Stop takes effect; every step checks afterwards
// that the same run is still going. A firing after Stop does nothing.
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

#include "Alarm.h"
#include "CatchUp.h"
#include "JumpPlan.h"
#include "LatenessStats.h"
#include "RunRecord.h"
#include "Sounds.h"
#include "script/ScriptLines.h"
#include "script/ScriptModel.h"
#include "script/ScriptTarget.h"

class TRunEngine {
public:
    // The alarm's floor: the shortest of its waits far from a moment. The last
    // wait before a moment is exactly what is left.
    static constexpr quint32 AlarmCurrency = 50;
    // An instruction that starts more than this long after its moment runs late.
    static constexpr qint64 LateAfterMs = 1000;

    // How a lost line is tried again: every RetryEveryMs, for at most
    // GiveUpAfterMs from the loss.
    static constexpr qint64 RetryEveryMs = 1000;
    static constexpr qint64 GiveUpAfterMs = 10 * 60 * 1000;

    // target, clock and sound are not owned and must outlive the engine.
    TRunEngine(TScriptTarget& target, const TClock& clock, std::unique_ptr<TCheckTimer> checkTimer,
               TSoundPlayer& sound);
    ~TRunEngine();
    TRunEngine(const TRunEngine&) = delete;
    TRunEngine& operator=(const TRunEngine&) = delete;

    // Starts a run of exactly these lines (those the editor showed and
    // checked, never the file read again). The start moment is
    // activationTime ("HH:MM", hours and minutes) from now, or one second
    // when that is zero. Raises the reader's errors or EConvertError "'%s' is
    // not a valid time"; the run is then stopped.
    void Start(const TScriptLines& lines, const QString& activationTime);
    // The same with the delay in milliseconds.
    void Start(const TScriptLines& lines, qint64 delayMs);
    // Ends the run, if one is active; nothing of it is carried out later.
    // how is what Ending() reports (the engine ends its runs as completed);
    // a halted run reports its halt however it is stopped.
    void Stop(TRunEnd how = TRunEnd::Completed);

    // The run's state, for the view.
    bool Active() const { return FActive; }
    bool Halted() const { return FHalted; }                 // an instruction failed
    QString HaltReason() const { return FHaltReason; }      // its error's message
    // How the last run ended, once it has: the end line of its log.
    const TRunEnding& Ending() const { return FEnding; }
    bool WaitingForIdle() const { return FWaitingForIdle; } // due, the console busy
    // The line is lost and the engine tries to reach the device again.
    bool Reconnecting() const { return FLineDown; }
    const TScriptLines& Lines() const { return FLines; }
    const TCommandsArray& Commands() const { return FCommands; }
    int CurrentIndex() const { return FCurrentIndex; }
    int NextIndex() const { return FNextIndex; }
    QDateTime StartTime() const;
    // "Next event will be held at " + the next acting instruction's time of
    // day, "Connection lost: trying COMn again…" while the line is lost, or
    // "The run has halted: " + the reason.
    QString StatusText() const { return FStatusText; }
    // The moment of the next acting instruction, as the status text names it
    // (milliseconds since the epoch).
    qint64 NextEventMs() const { return FShownNextMs; }
    // How late the last instruction carried out started, while that was more
    // than LateAfterMs; 0 once one starts within it again.
    qint64 RunningLateMs() const { return FRunningLateMs; }
    // The lateness of every instruction this run carried out.
    const TLatenessStats& Lateness() const { return FLateness; }
    const TAlarm& Alarm() const { return FAlarm; }

    // Makes instruction index current and arms the alarm for it, carrying out
    // at once whatever is already due.
    void ArmEvent(int index);
    // Carries out the current instruction and arms the next.
    void FireEvent();

    // After every arming and every jump taken: the view redraws.
    std::function<void()> OnChanged;
    // The run has ended, for whatever reason.
    std::function<void()> OnStopped;
    // An acting instruction was carried out (or raised, or was skipped after
    // a lost line: its Done is then invalid): its log record.
    std::function<void(const TRunRecord&)> OnCarried;
    // An instruction raised: the message to show once.
    std::function<void(const QString&)> OnFailed;
    // A line of its own in the run log: the moment and the text (the loss of
    // the line, the reconnection).
    std::function<void(const QDateTime&, const QString&)> OnNote;
    // Lets pending window events run; by default the application's event
    // loop, at most every few milliseconds while instructions follow at once.
    std::function<void()> LetEventsRun;

private:
    enum class TArming { Waiting, DueNow, Ended };

    TArming Arm(int index);
    // Carries out the current instruction; the index to arm next, or -1 when
    // nothing is to be armed (waiting for the console, halted, stopped).
    int CarryOutCurrent();
    // Carries out the acting instruction at index, due at dueMs, and logs
    // it; false when it did not go through or the run ended meanwhile.
    bool CarryOut(int index, qint64 dueMs);
    // The log's record of instruction index due at dueMs, not yet carried out.
    TRunRecord RecordFor(int index, qint64 dueMs) const;
    // Carries out the due jump at index and every jump after it that is due
    // as well; the index to arm next, or -1 when the run ended on the way.
    int CarryOutJumps(int index);
    // What a long walk through the jumps calls now and then: the view is told
    // (every 10 ms), window events run, and the walk goes on while
    // the same run does.
    std::function<bool()> EventsRunDuring(quint64 run);
    // The script's jump plan, made once per run.
    const TJumpPlan& Plan();
    QString Perform(const TCommand& command);
    void RunFrom(int index);
    void WaitUntilIdle();
    void Halt(TRunRecord& record, const QString& message);
    void HaltRun(const QString& message);

    // The lost line (RunReconnect.cpp).
    void LineDown();
    void ArmRetry();
    void TryReconnect();
    void LineBack(const QString& port);
    void CollectMissed();
    int CarryOutMissed();
    void Note(qint64 ms, const QString& text);
    void Changed();
    bool Running(quint64 run) const { return FActive && FRun == run; }
    qint64 DueMs(int index) const;
    void ShowNextEvent(qint64 nextMs);
    void NoteLateness(qint64 latenessMs);

    TScriptTarget& FTarget;
    const TClock& FClock;
    TSoundPlayer& FSound;
    TAlarm FAlarm;

    bool FActive = false;
    bool FHalted = false;
    QString FHaltReason;
    TRunEnding FEnding;
    bool FWaitingForIdle = false;
    quint64 FRun = 0; // counts runs, so that a step of an ended run stops
    TScriptLines FLines;
    TCommandsArray FCommands;
    qint64 FStartMs = 0; // StartTime as milliseconds since the epoch
    int FCurrentIndex = -1;
    int FNextIndex = -1;
    qint64 FArmedDueMs = -1;
    qint64 FShownNextMs = -1;
    QString FStatusText;
    qint64 FRunningLateMs = 0;
    TLatenessStats FLateness;
    QElapsedTimer FSinceEvents;
    QElapsedTimer FSinceShown; // during a long walk through jumps
    TJumpPlan FPlan;
    quint64 FPlanRun = 0; // the run FPlan was made for
    bool FLineDown = false;
    qint64 FLostAtMs = 0;
    QString FStatusBeforeLoss;
    std::deque<CatchUp::TMissed> FMissed; // fell due while the line was lost, not yet dealt with
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true); // idle calls after the engine end here
};
