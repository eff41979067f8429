#include "InputDeferral.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>

#include <chrono>

namespace {

qint64 SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// What the operator meant to do: a press, a double click, a key, a
// shortcut, the wheel, a context menu, typed text. Moves and releases only
// go with an act.
bool IsAct(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

} // namespace

TInputDeferral::TInputDeferral() : FClock(SteadyMs) {}

TInputDeferral::~TInputDeferral()
{
    Uninstall();
}

void TInputDeferral::SetClock(TClock clock)
{
    FClock = clock ? std::move(clock) : TClock(SteadyMs);
}

void TInputDeferral::Install()
{
    if (FInstalled || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(this);
    FInstalled = true;
}

void TInputDeferral::Uninstall()
{
    if (!FInstalled)
        return;
    FInstalled = false;
    FDroppedMousePresses = 0;
    FDroppedKeyPresses = 0;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void TInputDeferral::Begin()
{
    if (FHolding || !QCoreApplication::instance())
        return;
    FHolding = true;
    Install();
}

void TInputDeferral::End()
{
    if (!FHolding)
        return;
    FHolding = false;
    if (!FHeld.empty())
        ScheduleReplay();
    else if (!FReplaying)
        Uninstall();
}

// The replay runs from the event loop, never inside the operation that is
// just ending: a replayed click may start work of its own.
void TInputDeferral::ScheduleReplay()
{
    if (FReplayScheduled)
        return;
    FReplayScheduled = true;
    QMetaObject::invokeMethod(this, [this] { Replay(); }, Qt::QueuedConnection);
}

void TInputDeferral::Replay()
{
    FReplayScheduled = false;
    if (FHolding || FReplaying)
        return;
    FReplaying = true;
    bool dropped = false;
    try {
        while (!FHolding && !FHeld.empty()) {
            THeld item = std::move(FHeld.front());
            FHeld.pop_front();
            if (item.Receiver && Carry(item))
                dropped = true;
        }
    } catch (...) {
        FReplaying = false;
        throw;
    }
    FReplaying = false;
    if (!FHolding && FHeld.empty())
        Uninstall();
    if (dropped && OnDropped)
        OnDropped();
}

// True when the event is the release of a press that was dropped (the
// oldest such press of its kind: held input is in the order it came, and
// only the oldest of it goes stale); that press is then forgotten.
bool TInputDeferral::ClosesDroppedPress(const QEvent* event)
{
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::KeyRelease)
        return false;
    int& dropped = event->type() == QEvent::MouseButtonRelease ? FDroppedMousePresses : FDroppedKeyPresses;
    if (dropped == 0)
        return false;
    --dropped;
    return true;
}

void TInputDeferral::Deliver(THeld& item)
{
    const std::unique_ptr<QEvent> remade = item.Remake ? item.Remake() : nullptr;
    QCoreApplication::sendEvent(item.Receiver.data(), remade ? remade.get() : item.Event.get());
}

bool TInputDeferral::Carry(THeld& item)
{
    QEvent* event = item.Event.get();
    const bool blocked = FBlocked && FBlocked(item.Receiver.data());
    if (ClosesDroppedPress(event))
        return false; // goes the way of its press
    if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease) {
        // It completes a press that was carried out.
        if (!blocked)
            Deliver(item);
        return false;
    }
    const bool stale = FClock() - item.Arrived > FreshForMs;
    if (stale || blocked) {
        if (event->type() == QEvent::MouseButtonPress)
            ++FDroppedMousePresses;
        else if (event->type() == QEvent::KeyPress)
            ++FDroppedKeyPresses;
        return IsAct(event);
    }
    // A drag whose press was dropped is dropped with it.
    if (event->type() == QEvent::MouseMove && FDroppedMousePresses > 0)
        return false;
    Deliver(item);
    return false;
}

bool TInputDeferral::IsUserInput(const QEvent* event, const QObject* receiver)
{
    switch (event->type()) {
    case QEvent::Shortcut:
        // Shortcuts go to actions and shortcut objects, not to widgets.
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
        return receiver && (receiver->isWidgetType() || receiver->isWindowType());
    default:
        return false;
    }
}

bool TInputDeferral::eventFilter(QObject* receiver, QEvent* event)
{
    if (!IsUserInput(event, receiver))
        return false;
    // Not holding: input queues behind older held input until the replay
    // has carried that out; while a replayed event runs (a dialog it
    // opened), input goes where it is sent.
    if (!FHolding && (FReplaying || FHeld.empty()))
        return ClosesDroppedPress(event);
    if (FHolding && FRouting) {
        switch (FRouting(receiver, event)) {
        case TRoute::Deliver: return false;
        case TRoute::Take: return true;
        case TRoute::Hold: break;
        }
    }
    FHeld.push_back({QPointer<QObject>(receiver), std::unique_ptr<QEvent>(event->clone()), FClock(),
                     FRemake ? FRemake(event) : TRemake()});
    if (!FHolding)
        ScheduleReplay();
    return true;
}
