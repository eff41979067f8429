#pragma once
// Holds the operator's input back while the console is busy with the
// Kelvor 9, so that no key press or click can start a second exchange that
// would take the first one's reply, and replays it afterwards: whole, in the
// order it came, and only while it is fresh.
//
// One road for all input. The exchanges' event loops serve every event, the
// operator's too, so each input event reaches this filter as it comes. While
// the hold is on, the filter keeps it with the moment it came. Once the hold
// ends, a replay runs from the event loop and hands the kept events, oldest
// first, to their receivers. Input that comes while older input still waits
// queues behind it. So a click's press and its release never take different
// roads, and two clicks keep their order.
//
// Freshness. An event carried out long after the operator made it would act
// at a moment the operator did not choose (a trigger fired half a minute
// late). An event older than FreshForMs when its turn comes is dropped, and
// so is the release or move that belongs to a press that was dropped. A
// release whose press was carried out is always replayed: it completes what
// was begun. When something the operator did was dropped, OnDropped runs
// once for that replay.
//
// The replay runs each event to its end (an operation it starts included)
// before the next; input that comes while a replayed event opens a dialog
// goes to the dialog, since the operator is answering it.
//
// The link knows no windows: the console tells the hold which input goes
// straight through (a transfer's progress window and its cancel key), and
// which receivers a modal window now blocks (their held input is dropped).
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <memory>

class QEvent;

class TInputDeferral : public QObject {
public:
    // How long held input stays worth carrying out.
    static constexpr qint64 FreshForMs = 500;

    // Milliseconds on a clock that does not jump.
    using TClock = std::function<qint64()>;

    TInputDeferral();
    ~TInputDeferral() override; // what is still held is dropped

    // Starts holding input back (no-op without an application object).
    void Begin();
    // Stops holding; the held input is replayed from the event loop.
    void End();
    bool Active() const { return FHolding; }
    // Input is held and not yet replayed or dropped.
    bool Waiting() const { return !FHeld.empty(); }
    static bool IsUserInput(const QEvent* event, const QObject* receiver);

    // What becomes of one input event while the hold is on.
    enum class TRoute {
        Hold,    // kept for the replay
        Deliver, // goes to its receiver now (the progress window's own input)
        Take     // the routing has dealt with it (Escape as a transfer's cancel key)
    };
    // Empty (the default): everything is held.
    using TRouting = std::function<TRoute(QObject* receiver, QEvent* event)>;
    void SetRouting(TRouting routing) { FRouting = std::move(routing); }
    // True when the receiver can no longer take input (a modal window
    // blocks it); its held input is then dropped. Empty: never blocked.
    void SetBlocked(std::function<bool(QObject* receiver)> blocked) { FBlocked = std::move(blocked); }
    void SetClock(TClock clock);
    // Builds the event to be replayed at its turn from what a held event
    // carries now (empty: the event itself is replayed). Mouse events need
    // it: the toolkit keeps part of a pointer event (its position in the
    // window) in state that the device's next event overwrites, so a copy
    // kept for later would land where the pointer went next.
    using TRemake = std::function<std::unique_ptr<QEvent>()>;
    void SetRemake(std::function<TRemake(const QEvent* event)> remake) { FRemake = std::move(remake); }
    // Runs once per replay that dropped something the operator did.
    std::function<void()> OnDropped;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    struct THeld {
        QPointer<QObject> Receiver;
        std::unique_ptr<QEvent> Event;
        qint64 Arrived = 0;
        TRemake Remake; // empty: Event is delivered
    };
    bool ClosesDroppedPress(const QEvent* event);
    void Install();
    void Uninstall();
    void ScheduleReplay();
    void Replay();
    // Delivers or drops one held event; true when it dropped an act.
    bool Carry(THeld& item);
    void Deliver(THeld& item);

    bool FHolding = false;
    bool FInstalled = false;
    bool FReplaying = false;
    bool FReplayScheduled = false;
    std::deque<THeld> FHeld;
    int FDroppedMousePresses = 0; // dropped presses whose release has not come yet
    int FDroppedKeyPresses = 0;
    TRouting FRouting;
    std::function<bool(QObject*)> FBlocked;
    std::function<TRemake(const QEvent*)> FRemake;
    TClock FClock;
};
