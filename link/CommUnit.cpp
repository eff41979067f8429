#include "CommUnit.h"

#include "LinkLog.h"
#include "PortNames.h"
#include "ReplyFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>

Q_LOGGING_CATEGORY(lcLink, "kelvor9.link", QtInfoMsg)

namespace {

const char AttentionChar = '=';

// The local time of day "hh:mm:ss:zzz" for a traffic-log entry. A busy line
// makes thousands of entries a second: the clock is read for each, but the
// conversion to local time (which consults the time zone) runs once a second.
QString TrafficTimeStamp()
{
    using namespace std::chrono;
    const qint64 ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const time_t second = time_t(ms / 1000);
    static time_t convertedSecond = -1;
    static char stamp[13] = "00:00:00:000";
    if (second != convertedSecond) {
        tm local{};
        localtime_r(&second, &local);
        std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d:", local.tm_hour, local.tm_min, local.tm_sec);
        convertedSecond = second;
    }
    const int milli = int(ms % 1000);
    stamp[9] = char('0' + milli / 100);
    stamp[10] = char('0' + milli / 10 % 10);
    stamp[11] = char('0' + milli % 10);
    return QString::fromLatin1(stamp, 12);
}

// Counts the serial hand-overs in progress (see the header comment).
class THandOverScope {
public:
    explicit THandOverScope(int& depth) : FDepth(depth) { ++FDepth; }
    ~THandOverScope() { --FDepth; }

private:
    int& FDepth;
};

} // namespace

TfrmComm::TfrmComm(QObject* parent) : QObject(parent), FComm32(std::make_unique<TComm>())
{
    FComm32->SetDeviceName(QStringLiteral("Com1"));
    FComm32->SetReadTimeout(1000);
    FComm32->SetWriteTimeout(1000);
    FComm32->SetReadBufSize(8092);
    FComm32->SetWriteBufSize(4096);
    FComm32->SetMonitorEvents(AllCommEvents);
    FComm32->SetBaudRate(br38400);
    FComm32->SetParity(paNone);
    FComm32->SetStopbits(sb10);
    FComm32->SetDatabits(da8);
    FComm32->SetOptions(0);
    FComm32->SetFlowControl(fcNone);
    FComm32->OnRxChar = [this](TComm*, int count) { Comm32RxChar(count); };
    FComm32->OnError = [this](TComm*, int errors) { Comm32Error(errors); };
    FComm32->OnHangup = [this](TComm*) { Comm32Hangup(); };
    FInputDeferral.OnDropped = [this] { emit HeldInputDropped(); };
}

TfrmComm::~TfrmComm()
{
    FInputDeferral.End();
    FComm32->Close();
}

QString TfrmComm::BusyMessage() { return QStringLiteral("The link is busy with another command."); }
QString TfrmComm::LostMessage() { return QStringLiteral("The connection to the Kelvor 9 was lost."); }
QString TfrmComm::NotConnectedMessage()
{
    return QStringLiteral("The Kelvor 9 is not connected. Press F5 to search for it.");
}

void TfrmComm::AttachView(TTrafficView* view) { FView = view; }

// ---- traffic log and events -------------------------------------------------

// Runs inside the serial hand-over too: it only hands the entry to the view.
void TfrmComm::AddText(const QString& text, bool sent)
{
    if (!FView || !FView->IsShowing())
        return;
    const QString entry = QStringLiteral("\r\n") + TrafficTimeStamp() + QStringLiteral(":.....") + text;
    FView->AppendEntry(entry, sent);
}

void TfrmComm::ServeEvents()
{
    // The operator's input comes too, and waits in the one hold (TInputDeferral).
    QCoreApplication::processEvents();
}

void TfrmComm::WaitForWake(int ms)
{
    // Blocks in the event loop: the receive handler, a hang-up or the
    // deadline ends the wait; the processor stays idle meanwhile.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    QEventLoop* outer = FWaitLoop;
    FWaitLoop = &loop;
    // Once the application is quitting every event loop returns at once
    // (-1): the waits then give up instead of spinning to their deadlines.
    if (loop.exec() == -1)
        FQuitting = true;
    FWaitLoop = outer;
}

void TfrmComm::WakeWaiter()
{
    if (FWaitLoop)
        FWaitLoop->quit();
}

void TfrmComm::Wait(double seconds)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 total = qint64(seconds * 1000.0);
    for (qint64 left = total; left > 0 && !FQuitting; left = total - clock.elapsed())
        WaitForWake(int(left));
}

// ---- the busy state ---------------------------------------------------------

void TfrmComm::BeginOperation()
{
    const bool wasBusy = Busy();
    ++FOperationDepth;
    UpdateInputHold();
    if (!wasBusy)
        emit BusyBegan();
}

void TfrmComm::EndOperation()
{
    if (FOperationDepth == 0)
        return;
    if (--FOperationDepth > 0)
        return;
    FLostInOperation = false;
    UpdateInputHold();
    if (!Busy())
        emit BusyEnded();
}

// BusyEnded is emitted while the link is still unwinding the operation that
// ended; the action (device work) runs from the event loop afterwards.
void TfrmComm::CallWhenIdle(QObject* context, std::function<void()> action)
{
    if (!Busy()) {
        QTimer::singleShot(0, context, std::move(action));
        return;
    }
    connect(this, &TfrmComm::BusyEnded, context, std::move(action),
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

void TfrmComm::UpdateInputHold()
{
    if (Busy())
        FInputDeferral.Begin();
    else
        FInputDeferral.End();
}

// ---- sending ----------------------------------------------------------------

void TfrmComm::CheckNotBusy() const
{
    if (FExchange || FHandOverDepth > 0)
        throw EKelvorError(BusyMessage());
}

// Before anything is written: the text fits the frame and the port is open.
// A port that is not open was closed by the console itself (a lost line) or
// never opened (no device found): its write error would say nothing useful.
void TfrmComm::CheckCanWrite(int framedLength)
{
    CheckNotBusy();
    if (framedLength > ReplyFrame::LongestFramedText)
        throw EKelvorError(QStringLiteral("The command is too long to be sent: %1 characters, at most %2 fit in one frame.")
                               .arg(framedLength)
                               .arg(ReplyFrame::LongestFramedText));
    if (FComm32->Connected())
        return;
    if (FLostInOperation)
        throw ESilentAbort(LostMessage());
    throw EKelvorError(NotConnectedMessage());
}

void TfrmComm::WriteBytes(const QByteArray& bytes)
{
    // A frame that went out only in part is not a command sent: the device
    // drops it, and the operation must not report it as done.
    if (FComm32->Write(bytes.constData(), int(bytes.size())) < int(bytes.size()))
        throw ECommError("Write error", ETIMEDOUT);
}

// A command frame goes out: its moment is what a trigger's listeners line
// their recordings up with.
void TfrmComm::WriteFrame(const QByteArray& frame)
{
    WriteBytes(frame);
    using namespace std::chrono;
    FLastFrameWrittenUs = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    AddText(QString::fromLatin1(frame), true);
}

void TfrmComm::Send(const QByteArray& frame)
{
    qCDebug(lcLink).noquote() << QStringLiteral("Send:") + QString::fromLatin1(frame);
    FReady = true;
    WriteBytes(QByteArray(1, AttentionChar));
    AddText(QString(QLatin1Char(AttentionChar)), true);
    FPending += frame;
    if (!FPending.isEmpty()) {
        const QByteArray pending = FPending;
        FPending.clear();
        WriteFrame(pending);
    }
}

void TfrmComm::SendOld(const QByteArray& frame)
{
    qCDebug(lcLink).noquote() << QStringLiteral("Send:") + QString::fromLatin1(frame);
    FReady = false;
    WriteBytes(QByteArray(1, AttentionChar));
    AddText(QString(QLatin1Char(AttentionChar)), true);
    FPending += frame;
}

void TfrmComm::SendFrame(const QString& text)
{
    Send(ReplyFrame::CommandFrame(text));
    ServeEvents();
}

void TfrmComm::SendCommand(const QString& text)
{
    CheckCanWrite(int(text.size()));
    try {
        SendFrame(text);
    } catch (const ECommError& error) {
        if (!LineGone(error))
            throw;
        CloseAfterLoss();
        emit ConnectionLost();
        throw ESilentAbort(LostMessage());
    }
}

// ---- receiving --------------------------------------------------------------

QByteArray TfrmComm::ReceiveRaw(int count, bool logged)
{
    if (count <= 0)
        return {};
    // Never more than the read buffer holds, whatever was asked for.
    const int size = qMin(count, FComm32->ReadBufSize());
    QByteArray buffer(size, '\0');
    const int got = FComm32->Read(buffer.data(), size);
    if (got <= 0)
        return {};
    buffer.truncate(got);
    if (logged) {
        const QString text = ReplyFrame::CutAtZero(buffer);
        if (!text.isEmpty())
            AddText(text, false);
    }
    return buffer;
}

QString TfrmComm::CommReceive(int count)
{
    return ReplyFrame::CutAtZero(ReceiveRaw(count));
}

void TfrmComm::Drain()
{
    for (int waiting = FComm32->InQueCount(); waiting > 0; waiting = FComm32->InQueCount()) {
        if (ReceiveRaw(waiting).isEmpty())
            break;
    }
}

void TfrmComm::Comm32RxChar(int count)
{
    THandOverScope handOver(FHandOverDepth);
    if (count > 0) {
        if (!FReady) {
            const QString text = CommReceive(count);
            if (text.endsWith(QLatin1Char(AttentionChar))) {
                FReady = true;
                if (!FPending.isEmpty()) {
                    const QByteArray pending = FPending;
                    FPending.clear();
                    WriteFrame(pending);
                }
            }
        } else if (FIdle) {
            CommReceive(count); // replies of fire-and-forget commands
        }
        // Otherwise a dialogue runs: the bytes wait for it.
    }
    WakeWaiter();
}

void TfrmComm::Comm32Error(int errors)
{
    THandOverScope handOver(FHandOverDepth);
    AddText(QStringLiteral("Comm32 Errors: Errors Number=%1").arg(errors), true);
}

QString TfrmComm::ReplyError(const QString& reply)
{
    if (reply.startsWith(QLatin1String("OK.")))
        return {};
    return reply.mid(3);
}

// ---- losing the device ------------------------------------------------------

void TfrmComm::Comm32Hangup()
{
    THandOverScope handOver(FHandOverDepth);
    if (FExchange) {
        // The dialogue ends the exchange and reports the loss.
        FLostInExchange = true;
        WakeWaiter();
        return;
    }
    CloseAfterLoss();
    emit ConnectionLost();
}

bool TfrmComm::LineGone(const ECommError& error)
{
    return error.ErrorCode() == EIO || FComm32->LineHungUp();
}

void TfrmComm::CloseAfterLoss()
{
    FComm32->Close();
    if (FPort > 0)
        FLostPort = FPort;
    FPort = 0; // the next refresh connects again
    FReady = false;
    FPending.clear();
    FLineLost = true;
    // The rest of the operation in flight ends silently: the loss is its
    // one message.
    if (FOperationDepth > 0)
        FLostInOperation = true;
}

// ---- the dialogue -----------------------------------------------------------

void TfrmComm::BeginExchange()
{
    const bool wasBusy = Busy();
    FIdle = false;
    FExchange = true;
    FLostInExchange = false;
    UpdateInputHold();
    if (!wasBusy)
        emit BusyBegan();
}

void TfrmComm::EndExchange()
{
    FIdle = true;
    FReady = false;
    FExchange = false;
    UpdateInputHold();
    emit ExchangeEnded();
    if (!Busy())
        emit BusyEnded();
}

QString TfrmComm::AwaitReply(const QElapsedTimer& clock)
{
    TReplyFrameReader reader;
    for (;;) {
        if (FLostInExchange)
            break;
        if (FReady) {
            // The queue is asked again before every read: logging what was
            // read may take a while, and more bytes may have come meanwhile.
            for (int want = reader.Wanted(FComm32->InQueCount()); want > 0;
                 want = reader.Wanted(FComm32->InQueCount())) {
                const QByteArray part = ReceiveRaw(want, !reader.InPayload());
                if (part.isEmpty())
                    break;
                reader.Feed(part);
            }
            if (reader.Complete())
                break;
        }
        const qint64 left = FSettings.DialogueTimeoutMs - clock.elapsed();
        if (left <= 0 || FQuitting)
            break;
        WaitForWake(int(left));
    }
    // The payload is one entry of the traffic log, however many reads it took.
    const QString payload = ReplyFrame::CutAtZero(reader.PayloadBytes());
    if (!payload.isEmpty())
        AddText(payload, false);
    return reader.Complete() ? reader.Payload() : QString();
}

QString TfrmComm::Dialogue(const QString& command)
{
    qCDebug(lcLink).noquote() << QStringLiteral("Dialogue:") + command;
    CheckNotBusy();
    if (FPort == -1)
        return {};
    // The operator's input that came before this exchange is served first.
    QCoreApplication::processEvents();
    if (FPort == -1)
        return {};
    CheckCanWrite(int(command.size()) + 1);

    BeginExchange();
    QString reply;
    try {
        Drain();
        QElapsedTimer clock;
        clock.start();
        SendFrame(command + QLatin1Char('R'));
        reply = AwaitReply(clock);
        if (!FReady)
            FPending.clear();
        if (!FLostInExchange)
            Drain();
    } catch (const ECommError& error) {
        if (!LineGone(error)) {
            EndExchange();
            throw;
        }
        FLostInExchange = true;
    } catch (...) {
        EndExchange();
        throw;
    }
    if (FLostInExchange) {
        CloseAfterLoss();
        EndExchange();
        emit ConnectionLost();
        throw ESilentAbort(LostMessage());
    }
    EndExchange();
    return reply;
}
