#pragma once
// Holds the operator's input back while the link waits for a reply, so that
// no key press or click can start a second exchange that would take the
// first one's reply. Installed on the application for the duration of one
// exchange; the held events are re-posted, in their order, when it ends:
// deferred, never dropped.
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QEvent;

class TInputDeferral : public QObject {
public:
    TInputDeferral();
    ~TInputDeferral() override; // releases what is still held

    // Starts holding input back (no-op without an application object).
    void Begin();
    // Stops holding and re-posts the held events to their receivers that still exist.
    void End();
    bool Active() const { return FActive; }
    static bool IsUserInput(const QEvent* event, const QObject* receiver);

    // A narrow way past the hold: while input is held, an input event that
    // the exemption takes (returns true for) is neither held nor delivered,
    // the exemption has dealt with it. A long channel 9 transfer takes
    // Escape this way as its cancel key; everything else stays held.
    // An empty exemption (the default) takes nothing.
    using TExemption = std::function<bool(QObject* receiver, QEvent* event)>;
    void SetExemption(TExemption exemption) { FExemption = std::move(exemption); }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    struct THeld {
        QPointer<QObject> Receiver;
        std::unique_ptr<QEvent> Event;
    };
    bool FActive = false;
    std::vector<THeld> FHeld;
    TExemption FExemption;
};
