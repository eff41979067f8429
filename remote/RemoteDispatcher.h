#pragma once
// Carries other programs' calls out on the console, as a script instruction
// is carried out: each one a top-level operation of its own, never inside
// another, one at a time in the order they came. It knows no bus: the
// D-Bus service (RemoteService.h) hands each call in with a sink for its
// reply, and the fuzz target does the same over a fake console.
//
// A call's way:
//   1. Its arguments are checked at once (RemoteArguments.h). A bad one is
//      answered InvalidArgument: nothing is queued, nothing sent.
//   2. It queues behind the calls before it. The first in line runs when no
//      call runs and the console is not busy (an operation of the
//      operator's, a script instruction, a refresh); otherwise the console's
//      idle call (TRemoteConsole::CallWhenIdle) tries again, after whatever
//      waited for the console before it. A call that finds everything free
//      runs at once, inside the delivery of the call.
//   3. The wait is limited, the work is not. A call that acts on the device
//      at once (Trigger, SetSetting, SetMode, SelectParadigm, an Exchange
//      that is not a read) must start within StartWithinMs (500 ms, the
//      freshness rule of the operator's held input): later it would act at a
//      moment its caller did not choose, so it fails with Busy and sends
//      nothing. Any other call fails with Busy after WaitAtMostMs (20 s).
//      A timer answers them at their limit while the console stays busy.
//   4. It runs. A call that sends says "Remote: " + its method in the status
//      bar. Its reply is its value, or its error's name with the console's
//      own message, which the status bar shows as well; no box opens.
//
// Re-entry: the console's operations serve events while they wait for the
// device, so calls (and the expiry timer) arrive while a call runs; they
// queue, and nothing runs inside the running call.
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <deque>
#include <functional>
#include <memory>

#include "RemoteConsole.h"
#include "link/InputDeferral.h"

// A call's outcome: its value, or the name of its error with the message.
struct TRemoteReply {
    QVariant Value;
    QString ErrorName;
    QString Message;
    bool Failed() const { return !ErrorName.isEmpty(); }
};
using TReplySink = std::function<void(const TRemoteReply&)>;

struct TRemoteLimits {
    qint64 StartWithinMs = TInputDeferral::FreshForMs;
    qint64 WaitAtMostMs = 20'000;
};

class TRemoteDispatcher {
public:
    // console must outlive the dispatcher.
    explicit TRemoteDispatcher(TRemoteConsole& console, TRemoteLimits limits = {});
    // Calls still waiting are answered: the console is going away.
    ~TRemoteDispatcher();
    TRemoteDispatcher(const TRemoteDispatcher&) = delete;
    TRemoteDispatcher& operator=(const TRemoteDispatcher&) = delete;

    // Reply values: "sent"; the setting's reply payload ("OK.+150.0E-3");
    // the mode letter afterwards; "sent"; the file's full path (load,
    // save); none; the run log's path; none; the reply payload as it came;
    // the channels.
    void Trigger(int channel, TReplySink reply);
    void SetSetting(int channel, const QString& setting, double value, TReplySink reply);
    void SetMode(int channel, const QString& mode, TReplySink reply);
    void SelectParadigm(int number, TReplySink reply);
    void LoadParadigmFile(const QString& path, TReplySink reply);
    void SaveParadigmFile(const QString& path, TReplySink reply);
    void Refresh(TReplySink reply);
    void StartScript(const QString& path, TReplySink reply);
    void StopScript(TReplySink reply);
    void Exchange(const QString& text, TReplySink reply);
    void GetChannels(TReplySink reply);

    // Calls waiting for their turn.
    int Waiting() const { return int(FQueue.size()); }
    // A call had to wait for its turn (its method's name).
    std::function<void(const QString& method)> OnWaiting;

private:
    // How long a call may wait for its turn.
    enum class TWait { Short, Long };
    struct TCall {
        QString Method;
        TWait Wait = TWait::Long;
        bool Sends = false;
        TReplySink Reply;
        std::function<QVariant()> Work;
        qint64 ArrivedMs = 0;
    };
    using TPrepare = std::function<std::function<QVariant()>()>;

    // Checks the arguments (prepare raises for a bad one) and queues the work.
    void Accept(const QString& method, TWait wait, bool sends, TReplySink reply, const TPrepare& prepare);
    void Pump();
    void Run(TCall& call);
    void WakeWhenIdle();
    void DropExpired();
    void ArmExpiry();
    qint64 LimitMs(const TCall& call) const;
    void Answer(const TCall& call, const TRemoteReply& reply);
    // The payload of a reply that came and says "OK."; NoReply or Refused otherwise.
    static QString DeviceReply(const QString& payload);

    TRemoteConsole& FConsole;
    TRemoteLimits FLimits;
    std::deque<TCall> FQueue;
    bool FRunning = false;
    bool FWakePending = false;
    QElapsedTimer FClock;
    QTimer FExpiry;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true); // idle calls after its end stop here
};
