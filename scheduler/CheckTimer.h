#pragma once
// The single-shot timer that schedules the alarm's next check. The alarm
// takes one through this interface, so tests drive a fake one by hand.
#include <QTimer>

#include <functional>

class TCheckTimer {
public:
    virtual ~TCheckTimer() = default;
    // Starts the count anew (a running count is dropped): OnTick is called
    // once, ms milliseconds later, from the event loop of the owner's thread.
    virtual void Start(int ms) = 0;
    // No tick arrives after Stop until the next Start.
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;

    std::function<void()> OnTick;
};

// A QTimer with millisecond accuracy (Qt::PreciseTimer); ticks on the thread
// that created it.
class TQtCheckTimer final : public TCheckTimer {
public:
    TQtCheckTimer();
    void Start(int ms) override;
    void Stop() override;
    bool IsActive() const override;

private:
    QTimer FTimer;
};
