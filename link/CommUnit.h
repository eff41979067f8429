#pragma once
// The link object: the one way from the console to the Kelvor 9. It owns the
// serial port, frames commands, runs the blocking command/reply exchange, and
// chooses and opens the port. The monitor window only views its traffic.
#include "CommInt.h"
#include "DeviceLink.h"
#include "InputDeferral.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QEventLoop;

// What shows the traffic log (the monitor window).
class TTrafficView {
public:
    virtual ~TTrafficView() = default;
    virtual bool IsShowing() const = 0;
    // entry is CR LF, the time "hh:mm:ss:zzz", ":....." and the bytes as they
    // passed; sent entries are shown red, received ones green.
    virtual void AppendEntry(const QString& entry, bool sent) = 0;
};

class TfrmComm : public QObject, public TDeviceLink {
    Q_OBJECT
public:
    // Creates Comm32 with the console's settings: Com1, 38400 baud, 8N1, no
    // flow control, buffers 8092/4096, OnRxChar/OnError/OnHangup bound.
    explicit TfrmComm(QObject* parent = nullptr);
    ~TfrmComm() override; // closes the port

    TComm* Comm32; // owned
    int FPort = 0; // 0 not determined, -1 no device found, > 0 the open COM port
    bool FReady = false;
    bool FIdle = false;
    QByteArray FPending;

    // The payload of the reply, or empty when none came in time or no device
    // exists. Raises EKelvorError (busy link, lost connection, command too
    // long), ECommError (port failures) and EConvertError (a bad length field).
    QString Dialogue(const QString& command) override;
    // Sends text in one frame without awaiting a reply.
    void SendCommand(const QString& text) override;
    void Send(const QByteArray& frame);
    void SendOld(const QByteArray& frame);
    static QString ReplyError(const QString& reply);
    QString CommReceive(int count);
    // Returns after the given time, serving events meanwhile (not spinning).
    void Wait(double seconds);

    void Connect();
    int FindPort();
    // "COMn" names of the USB virtual COM ports, ascending.
    QStringList ListVcpPorts();
    void OpenPort(int number);

    void AddText(const QString& text, bool sent);
    void AttachView(TTrafficView* view); // nullptr detaches

    void Comm32RxChar(int count);
    void Comm32Error(int errors);
    // The line hung up (the event thread saw it).
    void Comm32Hangup();

    // True from the moment an exchange starts writing until it has ended.
    // Nothing else may use the link meanwhile; wait for ExchangeEnded.
    bool ExchangeOutstanding() const { return FExchange; }

    // Injection for tests, benchmarks and the command line.
    void SetArguments(const QStringList& args);  // default: QCoreApplication::arguments()
    void SetPortFolder(const QString& dir);      // default: PortNames::DefaultPortFolder()
    void SetSysfsRoot(const QString& dir);       // default "/sys"
    void SetDialogueTimeoutMs(int ms);           // default 15000
    void SetOpenPauseMs(int ms);                 // default 500 (OpenPort's pause)

    static QString BusyMessage();
    static QString LostMessage();

signals:
    // Emitted directly when an exchange has ended; a listener that starts
    // another exchange should connect with Qt::QueuedConnection.
    void ExchangeEnded();
    // The device went away; the port is closed and FPort is 0. raisedInDialogue
    // tells whether an operation of the link raised the loss as an error.
    void ConnectionLost(bool raisedInDialogue);

private:
    QStringList Arguments() const;
    QString PortFolder() const;
    QString DevicePath(int number) const;
    void OpenDevice(int number);
    void CheckNotBusy() const;
    static void CheckFrameLength(int length);
    static QByteArray Frame(const QString& text);
    void SendFrame(const QString& text);
    void WriteBytes(const QByteArray& bytes);
    QByteArray ReceiveRaw(int count);
    void Drain();
    QString AwaitReply(qint64 startedMs, const class QElapsedTimer& clock);
    void BeginExchange();
    void EndExchange();
    bool LineGone(const ECommError& error);
    void CloseAfterLoss();
    [[noreturn]] void RaiseLost();
    void ServeEvents();
    void WaitForWake(int ms);
    void WakeWaiter();

    TTrafficView* FView = nullptr;
    TInputDeferral FInputDeferral;
    bool FExchange = false;
    bool FLostInExchange = false;
    QEventLoop* FWaitLoop = nullptr;
    bool FQuitting = false; // the application is quitting: waits end at once
    std::optional<QStringList> FArguments;
    std::optional<QString> FPortFolder;
    QString FSysfsRoot = QStringLiteral("/sys");
    int FDialogueTimeoutMs = 15000;
    int FOpenPauseMs = 500;
};
