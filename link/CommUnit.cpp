#include "CommUnit.h"

#include "LinkLog.h"
#include "PortNames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTime>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>

Q_LOGGING_CATEGORY(lcLink, "kelvor9.link", QtInfoMsg)

namespace {

const char AttentionChar = '=';

// The length field has four digits.
constexpr int LongestFramedText = 9999;

QString CutAtZero(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.constData(), int(qstrnlen(bytes.constData(), size_t(bytes.size()))));
}

} // namespace

TfrmComm::TfrmComm(QObject* parent) : QObject(parent), Comm32(new TComm)
{
    Comm32->SetDeviceName(QStringLiteral("Com1"));
    Comm32->SetReadTimeout(1000);
    Comm32->SetWriteTimeout(1000);
    Comm32->SetReadBufSize(8092);
    Comm32->SetWriteBufSize(4096);
    Comm32->SetMonitorEvents(AllCommEvents);
    Comm32->SetBaudRate(br38400);
    Comm32->SetParity(paNone);
    Comm32->SetStopbits(sb10);
    Comm32->SetDatabits(da8);
    Comm32->SetOptions(0);
    Comm32->SetFlowControl(fcNone);
    Comm32->OnRxChar = [this](TComm*, int count) { Comm32RxChar(count); };
    Comm32->OnError = [this](TComm*, int errors) { Comm32Error(errors); };
    Comm32->OnHangup = [this](TComm*) { Comm32Hangup(); };
}

TfrmComm::~TfrmComm()
{
    FInputDeferral.End();
    Comm32->Close();
    delete Comm32;
}

QString TfrmComm::BusyMessage() { return QStringLiteral("The link is busy with another command."); }
QString TfrmComm::LostMessage() { return QStringLiteral("The connection to the Kelvor 9 was lost."); }

void TfrmComm::SetArguments(const QStringList& args) { FArguments = args; }
void TfrmComm::SetPortFolder(const QString& dir) { FPortFolder = dir; }
void TfrmComm::SetSysfsRoot(const QString& dir) { FSysfsRoot = dir; }
void TfrmComm::SetDialogueTimeoutMs(int ms) { FDialogueTimeoutMs = ms; }
void TfrmComm::SetOpenPauseMs(int ms) { FOpenPauseMs = ms; }
void TfrmComm::AttachView(TTrafficView* view) { FView = view; }

QStringList TfrmComm::Arguments() const
{
    return FArguments ? *FArguments : QCoreApplication::arguments();
}

QString TfrmComm::PortFolder() const
{
    return FPortFolder ? *FPortFolder : PortNames::DefaultPortFolder();
}

QString TfrmComm::DevicePath(int number) const { return PortNames::PortPath(number, PortFolder()); }

// ---- traffic log and events -------------------------------------------------

void TfrmComm::AddText(const QString& text, bool sent)
{
    if (!FView || !FView->IsShowing())
        return;
    const QString entry = QStringLiteral("\r\n") + QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz"))
        + QStringLiteral(":.....") + text;
    FView->AppendEntry(entry, sent);
    ServeEvents();
}

void TfrmComm::ServeEvents()
{
    // During an exchange the operator's input waits (see TInputDeferral).
    QCoreApplication::processEvents(FExchange ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
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
    if (loop.exec(FExchange ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents) == -1)
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

// ---- sending ----------------------------------------------------------------

void TfrmComm::CheckNotBusy() const
{
    if (FExchange)
        throw EKelvorError(BusyMessage());
}

void TfrmComm::CheckFrameLength(int length)
{
    if (length > LongestFramedText)
        throw EKelvorError(QStringLiteral("The command is too long to be sent: %1 characters, at most %2 fit in one frame.")
                               .arg(length)
                               .arg(LongestFramedText));
}

QByteArray TfrmComm::Frame(const QString& text)
{
    return '>' + QByteArray::number(text.size()).rightJustified(4, '0') + text.toLatin1();
}

void TfrmComm::WriteBytes(const QByteArray& bytes)
{
    Comm32->Write(bytes.constData(), int(bytes.size()));
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
        WriteBytes(pending);
        AddText(QString::fromLatin1(pending), true);
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
    Send(Frame(text));
    ServeEvents();
}

void TfrmComm::SendCommand(const QString& text)
{
    CheckNotBusy();
    CheckFrameLength(int(text.size()));
    try {
        SendFrame(text);
    } catch (const ECommError& error) {
        if (LineGone(error))
            RaiseLost();
        throw;
    }
}

// ---- receiving --------------------------------------------------------------

QByteArray TfrmComm::ReceiveRaw(int count)
{
    if (count <= 0)
        return {};
    // Never more than the read buffer holds, whatever was asked for.
    const int size = qMin(count, Comm32->ReadBufSize());
    QByteArray buffer(size, '\0');
    const int got = Comm32->Read(buffer.data(), size);
    if (got <= 0)
        return {};
    buffer.truncate(got);
    const QString text = CutAtZero(buffer);
    if (!text.isEmpty())
        AddText(text, false);
    return buffer;
}

QString TfrmComm::CommReceive(int count)
{
    return CutAtZero(ReceiveRaw(count));
}

void TfrmComm::Drain()
{
    for (int waiting = Comm32->InQueCount(); waiting > 0; waiting = Comm32->InQueCount()) {
        if (ReceiveRaw(waiting).isEmpty())
            break;
    }
}

void TfrmComm::Comm32RxChar(int count)
{
    if (count > 0) {
        if (!FReady) {
            const QString text = CommReceive(count);
            if (text.endsWith(QLatin1Char(AttentionChar))) {
                FReady = true;
                if (!FPending.isEmpty()) {
                    const QByteArray pending = FPending;
                    FPending.clear();
                    WriteBytes(pending);
                    AddText(QString::fromLatin1(pending), true);
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
    if (FExchange) {
        // The dialogue raises the loss when its wait ends.
        FLostInExchange = true;
        WakeWaiter();
        return;
    }
    CloseAfterLoss();
    emit ConnectionLost(false);
}

bool TfrmComm::LineGone(const ECommError& error)
{
    return error.ErrorCode() == EIO || Comm32->LineHungUp();
}

void TfrmComm::CloseAfterLoss()
{
    Comm32->Close();
    FPort = 0; // the next refresh connects again
    FReady = false;
    FPending.clear();
}

void TfrmComm::RaiseLost()
{
    CloseAfterLoss();
    emit ConnectionLost(true);
    throw EKelvorError(LostMessage());
}

// ---- the dialogue -----------------------------------------------------------

void TfrmComm::BeginExchange()
{
    FIdle = false;
    FExchange = true;
    FLostInExchange = false;
    FInputDeferral.Begin();
}

void TfrmComm::EndExchange()
{
    FIdle = true;
    FReady = false;
    FExchange = false;
    FInputDeferral.End();
    emit ExchangeEnded();
}

QString TfrmComm::AwaitReply(qint64 startedMs, const QElapsedTimer& clock)
{
    enum { Header, Payload } state = Header;
    int length = 0;
    QByteArray payload;
    for (;;) {
        if (FLostInExchange)
            return {};
        if (FReady && state == Header) {
            // Bytes before "<" are dropped, but only while a whole header may wait.
            // The queue is asked again on every pass: logging a dropped byte
            // serves events, which may take the receive event of bytes that
            // arrive meanwhile.
            while (Comm32->InQueCount() >= 5) {
                if (CommReceive(1) != QLatin1String("<"))
                    continue;
                const QString field = CommReceive(4);
                bool ok = false;
                length = field.toInt(&ok, 10);
                if (!ok)
                    throw EConvertError::NotInteger(field);
                state = Payload;
                break;
            }
        }
        if (FReady && state == Payload) {
            // Taken as it arrives, never past the payload's end, so that a
            // following frame stays in the queue and long payloads need not
            // fit the driver's buffer at once.
            for (int waiting = Comm32->InQueCount(); payload.size() < length && waiting > 0;
                 waiting = Comm32->InQueCount()) {
                const QByteArray part = ReceiveRaw(qMin(waiting, length - int(payload.size())));
                if (part.isEmpty())
                    break;
                payload += part;
            }
            if (payload.size() >= length)
                return CutAtZero(payload);
        }
        const qint64 left = startedMs + FDialogueTimeoutMs - clock.elapsed();
        if (left <= 0 || FQuitting)
            return {};
        WaitForWake(int(left));
    }
}

QString TfrmComm::Dialogue(const QString& command)
{
    qCDebug(lcLink).noquote() << QStringLiteral("Dialogue:") + command;
    CheckNotBusy();
    if (FPort == -1)
        return {};
    CheckFrameLength(int(command.size()) + 1);
    // The operator's input that came before this exchange is served first.
    QCoreApplication::processEvents();
    CheckNotBusy();
    if (FPort == -1)
        return {};

    BeginExchange();
    QString reply;
    try {
        Drain();
        QElapsedTimer clock;
        clock.start();
        SendFrame(command + QLatin1Char('R'));
        reply = AwaitReply(0, clock);
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
        emit ConnectionLost(true);
        throw EKelvorError(LostMessage());
    }
    EndExchange();
    return reply;
}

// ---- choosing and opening the port -----------------------------------------

QStringList TfrmComm::ListVcpPorts()
{
    QStringList names;
    for (int number : PortNames::CandidatePorts(PortFolder(), FSysfsRoot))
        names << QStringLiteral("COM%1").arg(number);
    return names;
}

void TfrmComm::OpenDevice(int number)
{
    const QString path = DevicePath(number);
    Comm32->SetDeviceName(path);
    Comm32->SetLowLatency(PortNames::IsFtdiDevice(path, FSysfsRoot));
    Comm32->Open();
    Comm32->SetRTS(true);
    Comm32->SetDTR(true);
}

int TfrmComm::FindPort()
{
    CheckNotBusy();
    FPort = 0;
    std::exception_ptr closeError;
    try {
        Comm32->Close();
    } catch (...) {
        closeError = std::current_exception();
    }
    int result = -1;
    const QStringList candidates = ListVcpPorts();
    for (auto it = candidates.crbegin(); it != candidates.crend(); ++it) {
        const int number = PortNames::ComNumber(*it);
        try {
            OpenDevice(number);
            Send(QByteArray()); // the attention character alone
            FReady = false;
            result = number;
            break;
        } catch (const EKelvorError&) {
            Comm32->Close(); // taken by another program, or not a device: try the next
        }
    }
    if (!Comm32->Connected())
        result = -1;
    FPort = result;
    if (closeError)
        std::rethrow_exception(closeError);
    return result;
}

void TfrmComm::OpenPort(int number)
{
    CheckNotBusy();
    std::exception_ptr closeError;
    try {
        Comm32->Close();
    } catch (...) {
        closeError = std::current_exception();
    }
    // The device gets a moment between closing and opening again; the user
    // interface is not served meanwhile.
    if (FOpenPauseMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(FOpenPauseMs));
    try {
        OpenDevice(number);
    } catch (...) {
        // Not connected: the next refresh tries again.
        Comm32->Close();
        FPort = 0;
        throw;
    }
    FPort = number;
    if (closeError)
        std::rethrow_exception(closeError);
}

void TfrmComm::Connect()
{
    CheckNotBusy();
    FPort = 0;
    const QStringList args = Arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i].left(3).compare(QLatin1String("COM"), Qt::CaseInsensitive) != 0)
            continue;
        const QString rest = args[i].mid(3);
        bool ok = false;
        const int number = rest.toInt(&ok, 10);
        if (!ok)
            throw EConvertError::NotInteger(rest);
        FPort = number;
    }
    if (FPort < 1)
        FindPort();
    if (FPort > 0)
        OpenPort(FPort);
}
