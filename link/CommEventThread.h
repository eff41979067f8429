#pragma once
// The port's event thread: waits for line events without a time limit and
// hands each one synchronously to the GUI thread.
//
// Hand-over: the thread posts a TCommHandOverEvent to the component (which
// lives on the GUI thread) and waits on a condition variable until the
// component has handled it. Stop() wakes both the event wait and the hand-over
// wait, so closing the port never waits for the GUI thread and never
// deadlocks; the component joins the finished thread later, before it dies.
#include "CommInt.h"

#include <QEvent>

#include <condition_variable>
#include <mutex>
#include <thread>

struct TCommHandOver {
    std::mutex Lock;
    std::condition_variable Handled;
    bool Stop = false;     // no more events; the device may be closed
    bool Pending = false;  // an event was handed over and is not yet handled
    bool Exited = false;   // the thread has left its loop (wake descriptor gone)
    int WakeFd = -1;
};

class TCommHandOverEvent : public QEvent {
public:
    static QEvent::Type EventType();
    TCommHandOverEvent(std::shared_ptr<TCommHandOver> handOver, TCommEventTypes mask, bool hungUp)
        : QEvent(EventType()), HandOver(std::move(handOver)), Mask(mask), HungUp(hungUp) {}
    std::shared_ptr<TCommHandOver> HandOver;
    TCommEventTypes Mask;
    bool HungUp;
};

class TCommEventThread {
public:
    // Starts waiting at once. receiver gets the hand-over events; lineErrors
    // collects line-error flags (both outlive the thread: the owner joins it).
    TCommEventThread(int device, TCommEventTypes events, QObject* receiver, std::atomic<int>& lineErrors);
    ~TCommEventThread(); // joins
    // Asks the thread to end; returns at once. Call before closing the device.
    void Stop();
    bool Finished() const { return FFinished.load(); }
    const std::shared_ptr<TCommHandOver>& HandOver() const { return FHandOver; }

private:
    void Run();
    TCommEventTypes LineChanges(); // under the hand-over lock

    int FDevice;
    TCommEventTypes FEvents;
    QObject* FReceiver;
    std::atomic<int>& FLineErrors;
    std::shared_ptr<TCommHandOver> FHandOver;
    int FEpoll = -1;
    bool FCountersKnown = false;
    bool FCountersSupported = true;
    struct Counters { int cts, dsr, rng, dcd, frame, overrun, parity, brk, buf_overrun; } FLast {};
    std::atomic<bool> FFinished { false };
    std::thread FThread;
};
