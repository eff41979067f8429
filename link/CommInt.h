#pragma once
// The serial port component: opens a serial device by name, applies the line
// settings, reads and writes without blocking the user interface for long,
// raises and lowers DTR and RTS, and runs an event thread that hands each line
// event synchronously to the GUI thread (OnRxChar, OnError and the others).
#include "base/KelvorErrors.h"
#include "SerialServices.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

enum TCommEventType { evBreak, evCts, evDsr, evError, evRing, evRlsd, evRxChar, evRxFlag, evTxEmpty };
enum TBaudrate {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200, br128000, br256000
};
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopbits { sb10, sb15, sb20 };
enum TDatabits { da4, da5, da6, da7, da8 };
enum TFlowControl { fcNone, fcCTS, fcDTR, fcSoftware, fcDefault };
enum TCommOption { coParityCheck, coDsrSensitivity, coIgnoreXOff, coErrorChar, coNullStrip };

// A set of enumeration values, one bit each.
using TCommEventTypes = unsigned;
using TCommOptions = unsigned;
constexpr unsigned CommBit(int value) { return 1u << value; }
constexpr TCommEventTypes AllCommEvents = (1u << (evTxEmpty + 1)) - 1;

// Line-error flags handed to OnError.
enum TCommErrorFlag { ceRxOver = 0x01, ceOverrun = 0x02, ceRxParity = 0x04, ceFrame = 0x08, ceBreak = 0x10 };

int BaudrateValue(TBaudrate rate);

class ECommError : public EKelvorError {
public:
    ECommError(const QString& text, int errorCode)
        : EKelvorError(QStringLiteral("%1 (Error: %2) ").arg(text).arg(errorCode)), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

class TCustomComm;

// The special characters of the line. A change is applied at once when the
// port is open.
class TCommEventChars {
public:
    explicit TCommEventChars(TCustomComm* owner) : FOwner(owner) {}
    char XonChar() const { return FXonChar; }
    char XoffChar() const { return FXoffChar; }
    char ErrorChar() const { return FErrorChar; }
    char EofChar() const { return FEofChar; }
    char EvtChar() const { return FEvtChar; }
    void SetXonChar(char value) { Change(FXonChar, value); }
    void SetXoffChar(char value) { Change(FXoffChar, value); }
    void SetErrorChar(char value) { Change(FErrorChar, value); }
    void SetEofChar(char value) { Change(FEofChar, value); }
    void SetEvtChar(char value) { Change(FEvtChar, value); }

private:
    void Change(char& field, char value);
    TCustomComm* FOwner;
    char FXonChar = 17, FXoffChar = 19, FErrorChar = 0, FEofChar = 0, FEvtChar = 0;
};

class TCommEventThread;
struct TCommHandOver;

// State, settings, open/close and read/write.
class TCustomComm : public QObject {
    Q_OBJECT
public:
    explicit TCustomComm(QObject* parent = nullptr, TSerialServices& services = PosixSerialServices());
    ~TCustomComm() override;

    void Open();
    void Close();
    bool Connected() const { return FHandle >= 0; }
    int Write(const char* buffer, int count);
    int Read(char* buffer, int count);
    int InQueCount();
    // True when the other end of an open line has gone away.
    bool LineHungUp();
    // True while the event thread of the open line still waits for events
    // (it ends by itself after reporting a hang-up).
    bool EventThreadRunning() const;

    QString DeviceName() const { return FDeviceName; }
    void SetDeviceName(const QString& value);
    int ReadTimeout() const { return FReadTimeout; }
    void SetReadTimeout(int ms) { FReadTimeout = ms; }
    int WriteTimeout() const { return FWriteTimeout; }
    void SetWriteTimeout(int ms) { FWriteTimeout = ms; }
    int ReadBufSize() const { return FReadBufSize; }
    void SetReadBufSize(int value);
    int WriteBufSize() const { return FWriteBufSize; }
    void SetWriteBufSize(int value);
    TCommEventTypes MonitorEvents() const { return FMonitorEvents; }
    void SetMonitorEvents(TCommEventTypes value);
    TBaudrate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudrate value) { FBaudRate = value; UpdateDataControlBlock(); }
    TParity Parity() const { return FParity; }
    void SetParity(TParity value) { FParity = value; UpdateDataControlBlock(); }
    TStopbits Stopbits() const { return FStopbits; }
    void SetStopbits(TStopbits value) { FStopbits = value; UpdateDataControlBlock(); }
    TDatabits Databits() const { return FDatabits; }
    void SetDatabits(TDatabits value) { FDatabits = value; UpdateDataControlBlock(); }
    TCommOptions Options() const { return FOptions; }
    void SetOptions(TCommOptions value) { FOptions = value; UpdateDataControlBlock(); }
    TFlowControl FlowControl() const { return FFlowControl; }
    void SetFlowControl(TFlowControl value) { FFlowControl = value; UpdateDataControlBlock(); }
    TCommEventChars& EventChars() { return FEventChars; }
    // Software flow-control thresholds: a quarter of the read buffer each.
    int XonLimit() const { return FReadBufSize / 4; }
    int XoffLimit() const { return FReadBufSize / 4; }
    // Ask the driver for low latency at Open (USB adapters with a latency timer).
    bool LowLatency() const { return FLowLatency; }
    void SetLowLatency(bool value) { FLowLatency = value; }

    void UpdateDataControlBlock();
    void UpdateCommTimeouts();

protected:
    int Handle() const { return FHandle; }
    TSerialServices& Services() { return FServices; }
    // Called on the GUI thread for each event the thread hands over.
    virtual void HandleCommEvent(TCommEventTypes mask, bool hungUp) = 0;
    // The events somebody listens to. Others are not handed over at all:
    // each hand-over costs the GUI thread a wake-up (a write that empties the
    // output queue would otherwise cost two while a reply is awaited).
    virtual TCommEventTypes HandledEvents() const { return ~TCommEventTypes(0); }
    // Takes the line-error flags gathered since the last call.
    int TakeLineErrors() { return FLineErrors.exchange(0); }
    bool event(QEvent* e) override;

private:
    void CheckClosed();
    void JoinRetiredThreads(bool all);

    TSerialServices& FServices;
    int FHandle = -1;
    QString FDeviceName = QStringLiteral("Com2");
    int FReadTimeout = 1000;
    int FWriteTimeout = 1000;
    int FReadBufSize = 4096;
    int FWriteBufSize = 2048;
    TCommEventTypes FMonitorEvents = AllCommEvents;
    TBaudrate FBaudRate = br9600;
    TParity FParity = paNone;
    TStopbits FStopbits = sb10;
    TDatabits FDatabits = da8;
    TCommOptions FOptions = 0;
    TFlowControl FFlowControl = fcDefault;
    TCommEventChars FEventChars { this };
    bool FLowLatency = false;
    std::atomic<int> FLineErrors { 0 };
    // Bytes already reported by OnRxChar and still waiting. The kernel may wake
    // the thread again without new bytes (a write-side wake-up reports the
    // line's whole readiness); only a count above this is a new arrival.
    int FReportedWaiting = 0;
    friend class TComm;
    std::unique_ptr<TCommEventThread> FEventThread;
    std::vector<std::unique_ptr<TCommEventThread>> FRetiredThreads;
};

using TNotifyEvent = std::function<void(class TComm* sender)>;
using TCommErrorEvent = std::function<void(class TComm* sender, int errors)>;
using TCommRxCharEvent = std::function<void(class TComm* sender, int count)>;

// The component with its line-control operations and event dispatch.
class TComm : public TCustomComm {
    Q_OBJECT
public:
    using TCustomComm::TCustomComm;

    void SetDTR(bool on);
    void SetRTS(bool on);

    TNotifyEvent OnBreak, OnCts, OnDsr, OnRing, OnRlsd, OnRxFlag, OnTxEmpty;
    TCommErrorEvent OnError;
    TCommRxCharEvent OnRxChar;
    // The line was hung up (the other side closed, an adapter pulled out).
    // Reported once per Open; the event thread ends after it.
    TNotifyEvent OnHangup;

protected:
    void HandleCommEvent(TCommEventTypes mask, bool hungUp) override;
    TCommEventTypes HandledEvents() const override;

private:
    void SetModemLine(int line, bool on);
};
