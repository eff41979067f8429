#include "CommInt.h"

#include "CommEventThread.h"
#include "LineTermios.h"
#include "RaceAnnotations.h"

#include <QCoreApplication>

#include <cerrno>
#include <sys/ioctl.h>

namespace {

// The component's own checks carry the error number -1.
constexpr int OwnCheck = -1;

const char* const PortOpenText = "Port already assigned (open)";

} // namespace

int BaudrateValue(TBaudrate rate)
{
    static const int values[] = { 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
                                  56000, 57600, 115200, 128000, 256000 };
    return values[rate];
}

void TCommEventChars::Change(char& field, char value)
{
    field = value;
    FOwner->UpdateDataControlBlock();
}

TCustomComm::TCustomComm(QObject* parent, TSerialServices& services) : QObject(parent), FServices(services) {}

TCustomComm::~TCustomComm()
{
    Close();
    // The threads may still run a moment after Close; they must be gone before
    // the members they use (this object, FLineErrors).
    JoinRetiredThreads(true);
}

void TCustomComm::CheckClosed()
{
    if (Connected())
        throw ECommError(PortOpenText, OwnCheck);
}

void TCustomComm::SetDeviceName(const QString& value)
{
    if (value == FDeviceName)
        return;
    CheckClosed();
    FDeviceName = value;
}

void TCustomComm::SetReadBufSize(int value)
{
    if (value == FReadBufSize)
        return;
    CheckClosed();
    FReadBufSize = value;
}

void TCustomComm::SetWriteBufSize(int value)
{
    if (value == FWriteBufSize)
        return;
    CheckClosed();
    FWriteBufSize = value;
}

void TCustomComm::SetMonitorEvents(TCommEventTypes value)
{
    if (value == FMonitorEvents)
        return;
    CheckClosed();
    FMonitorEvents = value;
}

void TCustomComm::JoinRetiredThreads(bool all)
{
    for (auto it = FRetiredThreads.begin(); it != FRetiredThreads.end();) {
        if (all || (*it)->Finished())
            it = FRetiredThreads.erase(it); // the destructor joins
        else
            ++it;
    }
}

void TCustomComm::Open()
{
    CheckClosed();
    // A thread of an earlier Open may for a moment still hold a reference to
    // its line inside epoll_wait, and with it the exclusive lock. Stopped
    // threads never wait for this thread, so joining them is quick and safe.
    JoinRetiredThreads(true);
    int fd = -1;
    if (const int error = FServices.OpenDevice(FDeviceName, fd))
        throw ECommError("Error accessing specified device", error);
    if (!FServices.IsCharacterDevice(fd)) {
        FServices.CloseDevice(fd);
        throw ECommError("Invalid device handle, access denied", OwnCheck);
    }
    if (const int error = FServices.TakeExclusive(fd)) {
        FServices.CloseDevice(fd);
        throw ECommError("Error accessing specified device", error);
    }
    FHandle = fd;
    FLineErrors = 0;
    FReportedWaiting = 0;
    FEventThread = std::make_unique<TCommEventThread>(fd, FMonitorEvents & HandledEvents(), this, FLineErrors);
    // From here on a failure leaves the device open, as the caller may retry
    // the settings.
    UpdateCommTimeouts();
    UpdateDataControlBlock();
    // The kernel's queues have fixed sizes; there is nothing to set, and the
    // sizes only bound what one Read takes.
    if (FReadBufSize <= 0 || FWriteBufSize <= 0)
        throw ECommError("Error initializing Read/Write Buffers", EINVAL);
    if (FLowLatency) {
        // Drivers without a latency timer answer ENOTTY or EINVAL: nothing to do.
        FServices.SetLowLatency(fd);
    }
}

void TCustomComm::Close()
{
    if (!Connected())
        return;
    if (FEventThread) {
        FEventThread->Stop();
        FRetiredThreads.push_back(std::move(FEventThread));
    }
    FServices.Purge(FHandle);
    FServices.CloseDevice(FHandle);
    FHandle = -1;
    FReportedWaiting = 0;
}

bool TCustomComm::event(QEvent* e)
{
    K9_TAKEN(e);
    if (e->type() != TCommHandOverEvent::EventType())
        return QObject::event(e);
    auto* handOver = static_cast<TCommHandOverEvent*>(e);
    TCommHandOver& state = *handOver->HandOver;
    {
        std::lock_guard<std::mutex> lock(state.Lock);
        if (state.Stop)
            return true; // from a line that has been closed since
    }
    try {
        HandleCommEvent(handOver->Mask, handOver->HungUp);
    } catch (const std::exception& error) {
        // Nothing may leave an event handler through the event loop.
        qWarning("Serial port event handler failed: %s", error.what());
    }
    std::lock_guard<std::mutex> lock(state.Lock);
    state.Pending = false;
    state.Handled.notify_all();
    return true;
}

int TCustomComm::Write(const char* buffer, int count)
{
    int written = 0;
    if (const int error = FServices.WriteAll(FHandle, buffer, count, FWriteTimeout, written))
        throw ECommError("Write error", error);
    return (written < count && written == 0 && count > 0) ? -1 : written;
}

int TCustomComm::Read(char* buffer, int count)
{
    int got = 0;
    if (const int error = FServices.ReadSome(FHandle, buffer, count, got))
        throw ECommError("Read error", error);
    FReportedWaiting = qMax(0, FReportedWaiting - got);
    if (FOptions & CommBit(coNullStrip)) {
        int kept = 0;
        for (int i = 0; i < got; ++i)
            if (buffer[i] != 0)
                buffer[kept++] = buffer[i];
        got = kept;
    }
    return got;
}

int TCustomComm::InQueCount()
{
    if (!Connected())
        return -1;
    TakeLineErrors();
    int count = 0;
    // A line that has hung up answers EIO: nothing can be read from it.
    if (FServices.BytesWaiting(FHandle, count))
        return -1;
    return count;
}

bool TCustomComm::EventThreadRunning() const
{
    return FEventThread && !FEventThread->Finished();
}

bool TCustomComm::LineHungUp()
{
    return Connected() && FServices.HungUp(FHandle);
}

void TCustomComm::UpdateCommTimeouts()
{
    if (!Connected())
        return;
    // Reads return at once with whatever waits (the descriptor is
    // non-blocking, and VMIN = VTIME = 0 make the line discipline agree).
    termios settings {};
    int error = FServices.GetLine(FHandle, settings);
    if (!error) {
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
        error = FServices.SetLine(FHandle, settings);
    }
    if (error)
        throw ECommError("Error updating CommTimeouts", error);
}

void TCustomComm::UpdateDataControlBlock()
{
    if (!Connected())
        return;
    termios current {};
    int error = FServices.GetLine(FHandle, current);
    TLineTermios line;
    if (!error) {
        line = LineTermios(current, { FBaudRate, FParity, FStopbits, FDatabits, FFlowControl, FOptions,
                                      FEventChars.XonChar(), FEventChars.XoffChar(), FEventChars.EofChar() });
        error = line.Error;
    }
    if (!error)
        error = FServices.SetLine(FHandle, line.Settings);
    if (!error && line.CustomSpeed)
        error = FServices.SetCustomSpeed(FHandle, line.CustomSpeed);
    if (error)
        throw ECommError("Error updating DataControlBlock", error);
}

void TComm::SetModemLine(int line, bool on)
{
    if (!Connected())
        throw ECommError("Port not open, unable to complete operation", OwnCheck);
    const int error = Services().SetModemLine(Handle(), line, on);
    // A pseudo-terminal has no modem lines (ENOTTY): nothing to raise.
    if (error && error != ENOTTY && error != EINVAL)
        throw ECommError("EscapeCommFunction failure", error);
}

void TComm::SetDTR(bool on) { SetModemLine(TIOCM_DTR, on); }
void TComm::SetRTS(bool on) { SetModemLine(TIOCM_RTS, on); }

TCommEventTypes TComm::HandledEvents() const
{
    TCommEventTypes events = 0;
    const std::pair<bool, TCommEventType> handlers[] = {
        {bool(OnBreak), evBreak}, {bool(OnCts), evCts},       {bool(OnDsr), evDsr},
        {bool(OnError), evError}, {bool(OnRing), evRing},     {bool(OnRlsd), evRlsd},
        {bool(OnRxChar), evRxChar}, {bool(OnRxFlag), evRxFlag}, {bool(OnTxEmpty), evTxEmpty}};
    for (const auto& [assigned, type] : handlers) {
        if (assigned)
            events |= CommBit(type);
    }
    return events;
}

void TComm::HandleCommEvent(TCommEventTypes mask, bool hungUp)
{
    const int errors = TakeLineErrors();
    const int waiting = InQueCount();
    // Each handler runs on its own: one that fails must not keep the others,
    // above all the hang-up, from being told. A handler may also close the
    // port; the rest of this event then has no line to report on.
    auto run = [&](TCommEventType type, const auto& handler, auto&&... args) {
        if (!(mask & CommBit(type)) || !handler || !Connected())
            return;
        try {
            handler(this, args...);
        } catch (const std::exception& error) {
            qWarning("Serial port event handler failed: %s", error.what());
        }
    };
    run(evBreak, OnBreak);
    run(evCts, OnCts);
    run(evDsr, OnDsr);
    run(evError, OnError, errors);
    run(evRing, OnRing);
    run(evRlsd, OnRlsd);
    if ((mask & CommBit(evRxChar)) && waiting > FReportedWaiting) { // new bytes, not the same ones again
        // Counted before the handler runs: bytes that arrive meanwhile are
        // new and get their own report; Read takes off what the handler reads.
        FReportedWaiting = waiting;
        run(evRxChar, OnRxChar, waiting);
    }
    run(evRxFlag, OnRxFlag);
    run(evTxEmpty, OnTxEmpty);
    if (hungUp && OnHangup && Connected())
        OnHangup(this);
}
