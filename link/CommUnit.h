#pragma once
// The link object: the one way from the console to the Kelvor 9. It owns the
// serial port, frames commands, runs the blocking command/reply exchange, and
// chooses and opens the port (PortChoice.cpp). The monitor window only views
// its traffic.
//
// Events and re-entry. The port's event thread hands each line event to the
// GUI thread and waits until it has been handled (Comm32RxChar, Comm32Error,
// Comm32Hangup run inside that hand-over). Nothing served there may start an
// exchange: the event thread would wait for the hand-over while the exchange
// waits for the event thread's next event. So the handlers never serve events
// (the traffic log only appends), and an exchange asked for inside a
// hand-over is refused as "busy".
//
// Busy state. A top-level operation of the console (one of the operator's or
// a script instruction's: a refresh, a paradigm load, a channel 9 transfer)
// may take many exchanges with events served between them. TOperation marks
// it from start to end; BusyEnded() is emitted when neither an operation nor
// an exchange is running any more. Whatever must not interleave with device
// work (the scheduler's instructions, error boxes) waits for it. The
// operator's input is held back while the console is busy and replayed
// after it, if still fresh (TInputDeferral: the one hold for all input; the
// exchanges' event loops serve input events so that they reach it).
#include "CommInt.h"
#include "InputDeferral.h"
#include "base/DeviceLink.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QEventLoop;

// What shows the traffic log (the monitor window). AppendEntry is called
// inside the serial hand-over: it must only record the entry, never serve
// events or talk to the link.
class TTrafficView {
public:
    virtual ~TTrafficView() = default;
    virtual bool IsShowing() const = 0;
    // entry is CR LF, the time "hh:mm:ss:zzz", ":....." and the bytes as they
    // passed; sent entries are shown red, received ones green.
    virtual void AppendEntry(const QString& entry, bool sent) = 0;
};

// Where and how the link finds its port; the defaults are the console's.
// Tests, benchmarks and the command-line tool change them before connecting.
struct TLinkSettings {
    std::optional<QStringList> Arguments; // default: QCoreApplication::arguments()
    std::optional<QString> PortFolder;    // default: PortNames::DefaultPortFolder()
    QString SysfsRoot = QStringLiteral("/sys");
    int DialogueTimeoutMs = 15000;
    int OpenPauseMs = 500; // OpenPort's pause between closing and opening
};

class TfrmComm : public QObject, public TDeviceLink {
    Q_OBJECT
public:
    // Creates Comm32 with the console's settings: Com1, 38400 baud, 8N1, no
    // flow control, buffers 8092/4096, OnRxChar/OnError/OnHangup bound.
    explicit TfrmComm(QObject* parent = nullptr);
    ~TfrmComm() override; // closes the port

    // The serial port; the link owns it for its whole life.
    TComm& Comm32() const { return *FComm32; }
    // 0 not determined, -1 no device found, > 0 the open COM port.
    int Port() const { return FPort; }
    // The device may receive the command text: it answered "=".
    bool Ready() const { return FReady; }
    // No dialogue is in progress.
    bool Idle() const { return FIdle; }
    // Command text that waits for the device's "=".
    const QByteArray& Pending() const { return FPending; }

    // The payload of the reply, or empty when none came in time or no device
    // was found (FPort -1). Raises EKelvorError (busy link, port not open,
    // command too long), ESilentAbort (the line was lost during this
    // operation), ECommError (port failures) and EConvertError (a bad length
    // field).
    QString Dialogue(const QString& command) override;
    // Sends text in one frame without awaiting a reply; raises as Dialogue.
    void SendCommand(const QString& text) override;
    void Send(const QByteArray& frame);
    void SendOld(const QByteArray& frame);
    static QString ReplyError(const QString& reply);
    QString CommReceive(int count);
    // Returns after the given time, serving events meanwhile (not spinning).
    void Wait(double seconds);

    // Choosing and opening the port (PortChoice.cpp).
    void Connect();
    int FindPort();
    // "COMn" names of the USB virtual COM ports, ascending.
    QStringList ListVcpPorts();
    void OpenPort(int number);
    // Opens the port again that the lost line was on (LostPort()), at once:
    // it was closed at the loss, so nothing waits between closing and
    // opening. Never a search. Raises the port's error when it cannot be
    // opened; the link then stays unconnected.
    void Reopen();
    TLinkSettings& Settings() { return FSettings; }

    void AddText(const QString& text, bool sent);
    void AttachView(TTrafficView* view); // nullptr detaches

    void Comm32RxChar(int count);
    void Comm32Error(int errors);
    // The line hung up (the event thread saw it).
    void Comm32Hangup();

    // When the last command frame went out: microseconds since the epoch on
    // the system clock, taken right after its bytes were written (0: none yet).
    qint64 LastFrameWrittenUs() const { return FLastFrameWrittenUs; }

    // True from the moment an exchange starts writing until it has ended.
    bool ExchangeOutstanding() const { return FExchange; }
    // The line was lost and no port has been opened since: its loss box has
    // been shown (or is on its way).
    bool LineLost() const { return FLineLost; }
    // The port the lost line was on; 0 when no line was lost.
    int LostPort() const { return FLineLost ? FLostPort : 0; }
    // An operation or an exchange is running; see the header comment.
    bool Busy() const { return FOperationDepth > 0 || FExchange; }
    void BeginOperation();
    void EndOperation();
    // Calls action once, from the event loop, after the busy state has ended
    // (soon, when the link is not busy); context ends the wait with it. The
    // action may find the link busy again and must check.
    void CallWhenIdle(QObject* context, std::function<void()> action);
    // The hold on the operator's input (its routing lets a transfer's
    // progress window and cancel key by).
    TInputDeferral& InputDeferral() { return FInputDeferral; }

    static QString BusyMessage();
    static QString LostMessage();
    static QString NotConnectedMessage();

signals:
    // Emitted directly when an exchange has ended.
    void ExchangeEnded();
    // Emitted directly when Busy() has become false; a listener that starts
    // device work should connect with Qt::QueuedConnection.
    void BusyEnded();
    // Emitted directly when Busy() has become true.
    void BusyBegan();
    // The device went away; the port is closed and FPort is 0. The operation
    // that was running (if any) ends silently: this is its one message.
    void ConnectionLost();
    // Input the operator made while the console was busy was dropped, too old
    // to be carried out (emitted once per replay).
    void HeldInputDropped();

private:
    // The dialogue's cases are tested from the states they start in.
    friend class TLinkTestAccess;

    QStringList Arguments() const;
    QString PortFolder() const;
    QString DevicePath(int number) const;
    void OpenDevice(int number);
    void OpenNumbered(int number);
    void CheckNotBusy() const;
    void CheckCanWrite(int framedLength);
    void SendFrame(const QString& text);
    void WriteBytes(const QByteArray& bytes);
    void WriteFrame(const QByteArray& frame);
    // Reads up to count bytes; logged: they are a traffic-log entry.
    QByteArray ReceiveRaw(int count, bool logged = true);
    void Drain();
    QString AwaitReply(const class QElapsedTimer& clock);
    void BeginExchange();
    void EndExchange();
    void UpdateInputHold();
    bool LineGone(const ECommError& error);
    void CloseAfterLoss();
    void ServeEvents();
    void WaitForWake(int ms);
    void WakeWaiter();

    std::unique_ptr<TComm> FComm32;
    int FPort = 0;
    bool FReady = false;
    bool FIdle = false;
    QByteArray FPending;
    TLinkSettings FSettings;
    TTrafficView* FView = nullptr;
    TInputDeferral FInputDeferral;
    bool FExchange = false;
    bool FLostInExchange = false;
    bool FLostInOperation = false;
    bool FLineLost = false;
    int FLostPort = 0;
    int FHandOverDepth = 0;
    int FOperationDepth = 0;
    QEventLoop* FWaitLoop = nullptr;
    bool FQuitting = false; // the application is quitting: waits end at once
    qint64 FLastFrameWrittenUs = 0;
};

// Marks one top-level operation for its lifetime (nested ones count once).
class TOperation {
public:
    explicit TOperation(TfrmComm* link) : FLink(link)
    {
        if (FLink)
            FLink->BeginOperation();
    }
    ~TOperation()
    {
        if (FLink)
            FLink->EndOperation();
    }
    TOperation(const TOperation&) = delete;
    TOperation& operator=(const TOperation&) = delete;

private:
    QPointer<TfrmComm> FLink;
};
