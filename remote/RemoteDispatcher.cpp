#include "RemoteDispatcher.h"

#include <QFileInfo>

#include <limits>

#include "RemoteArguments.h"
#include "RemoteNames.h"
#include "script/ScriptTarget.h"

namespace {

namespace Error = RemoteNames::Error;

// Whether a call sends something to the device (the status bar says so).
constexpr bool Sends = true, SendsNothing = false;

TRemoteReply ErrorReply(const QString& name, const QString& message)
{
    TRemoteReply reply;
    reply.ErrorName = name;
    reply.Message = message;
    return reply;
}

// Files are named relative to the console's working folder, which the
// caller does not see: the reply names the file in full.
QString FullPath(const QString& path)
{
    return QFileInfo(RemoteArguments::FileName(path)).absoluteFilePath();
}

} // namespace

TRemoteDispatcher::TRemoteDispatcher(TRemoteConsole& console, TRemoteLimits limits)
    : FConsole(console), FLimits(limits)
{
    FClock.start();
    FExpiry.setSingleShot(true);
    QObject::connect(&FExpiry, &QTimer::timeout, [this] {
        DropExpired();
        ArmExpiry();
    });
}

TRemoteDispatcher::~TRemoteDispatcher()
{
    std::deque<TCall> waiting;
    waiting.swap(FQueue);
    for (const TCall& call : waiting)
        call.Reply(ErrorReply(Error::Failed, QStringLiteral("The console is closing: the call was not carried out.")));
}

void TRemoteDispatcher::Trigger(int channel, TReplySink reply)
{
    Accept(QStringLiteral("Trigger"), TWait::Short, Sends, std::move(reply), [&] {
        const int checked = RemoteArguments::Channel(channel);
        return [this, checked] {
            FConsole.Trigger(checked);
            return QVariant(ScriptOutcome::Sent);
        };
    });
}

void TRemoteDispatcher::SetSetting(int channel, const QString& setting, double value, TReplySink reply)
{
    Accept(QStringLiteral("SetSetting"), TWait::Short, Sends, std::move(reply), [&] {
        const int checkedChannel = RemoteArguments::Channel(channel);
        const int index = RemoteArguments::Setting(checkedChannel, setting);
        const TVexoValue device = RemoteArguments::SettingValue(index, value);
        return [this, checkedChannel, index, device] {
            const std::optional<QString> payload = FConsole.SetSetting(checkedChannel, index, device);
            if (!payload)
                throw ERemoteError(Error::Failed, QStringLiteral("Nothing was sent."));
            return QVariant(DeviceReply(*payload));
        };
    });
}

void TRemoteDispatcher::SetMode(int channel, const QString& mode, TReplySink reply)
{
    Accept(QStringLiteral("SetMode"), TWait::Short, Sends, std::move(reply), [&] {
        const int checkedChannel = RemoteArguments::Channel(channel);
        const int index = RemoteArguments::Mode(mode);
        return [this, checkedChannel, index] {
            // Nothing is sent for the mode the channel is in already.
            const std::optional<QString> payload = FConsole.SetMode(checkedChannel, index);
            // The device answers "OK." and the mode it is in afterwards.
            if (payload && DeviceReply(*payload).size() > 3)
                return QVariant(QString(payload->at(3)));
            return QVariant(QString(FConsole.ModeLetterOf(checkedChannel)));
        };
    });
}

void TRemoteDispatcher::SelectParadigm(int number, TReplySink reply)
{
    Accept(QStringLiteral("SelectParadigm"), TWait::Short, Sends, std::move(reply), [&] {
        const int checked = RemoteArguments::Paradigm(number);
        return [this, checked] {
            DeviceReply(FConsole.SelectParadigm(checked));
            return QVariant(ScriptOutcome::Sent);
        };
    });
}

void TRemoteDispatcher::LoadParadigmFile(const QString& path, TReplySink reply)
{
    Accept(QStringLiteral("LoadParadigmFile"), TWait::Long, Sends, std::move(reply), [&] {
        const QString full = FullPath(path);
        return [this, full] {
            // The batch itself is never answered; the answer to the clear
            // before it tells whether the device took the load at all.
            DeviceReply(FConsole.LoadParadigmFile(full));
            return QVariant(full);
        };
    });
}

void TRemoteDispatcher::SaveParadigmFile(const QString& path, TReplySink reply)
{
    Accept(QStringLiteral("SaveParadigmFile"), TWait::Long, SendsNothing, std::move(reply), [&] {
        const QString full = FullPath(path);
        return [this, full] {
            FConsole.SaveParadigmFile(full);
            return QVariant(full);
        };
    });
}

void TRemoteDispatcher::Refresh(TReplySink reply)
{
    Accept(QStringLiteral("Refresh"), TWait::Long, Sends, std::move(reply), [&] {
        return [this] {
            FConsole.Refresh();
            return QVariant();
        };
    });
}

void TRemoteDispatcher::StartScript(const QString& path, TReplySink reply)
{
    Accept(QStringLiteral("StartScript"), TWait::Long, SendsNothing, std::move(reply), [&] {
        const QString full = FullPath(path);
        return [this, full] { return QVariant(FConsole.StartScript(full)); };
    });
}

void TRemoteDispatcher::StopScript(TReplySink reply)
{
    Accept(QStringLiteral("StopScript"), TWait::Long, SendsNothing, std::move(reply), [&] {
        return [this] {
            FConsole.StopScript();
            return QVariant();
        };
    });
}

void TRemoteDispatcher::Exchange(const QString& text, TReplySink reply)
{
    // A read ("G...") changes nothing on the device: it may wait as long as
    // any other call.
    const TWait wait = text.startsWith(QLatin1Char('G')) ? TWait::Long : TWait::Short;
    Accept(QStringLiteral("Exchange"), wait, Sends, std::move(reply), [&] {
        const QString checked = RemoteArguments::DialogueText(text);
        return [this, checked] { return QVariant(DeviceReply(FConsole.Exchange(checked))); };
    });
}

void TRemoteDispatcher::GetChannels(TReplySink reply)
{
    Accept(QStringLiteral("GetChannels"), TWait::Long, SendsNothing, std::move(reply), [&] {
        return [this] { return QVariant::fromValue(FConsole.Channels()); };
    });
}

// ---- the queue ---------------------------------------------------------------

void TRemoteDispatcher::Accept(const QString& method, TWait wait, bool sends, TReplySink reply,
                               const TPrepare& prepare)
{
    TCall call;
    call.Method = method;
    call.Wait = wait;
    call.Sends = sends;
    call.Reply = std::move(reply);
    try {
        call.Work = prepare();
    } catch (const ERemoteError& error) {
        Answer(call, ErrorReply(error.Name(), error.Message()));
        return;
    }
    call.ArrivedMs = FClock.elapsed();
    const bool waits = FRunning || !FQueue.empty() || FConsole.Busy();
    FQueue.push_back(std::move(call));
    if (!waits) {
        Pump();
        return;
    }
    if (OnWaiting)
        OnWaiting(method);
    WakeWhenIdle();
    ArmExpiry();
}

void TRemoteDispatcher::Pump()
{
    DropExpired();
    if (FRunning || FQueue.empty())
        return;
    if (FConsole.Busy()) {
        WakeWhenIdle();
        return;
    }
    TCall call = std::move(FQueue.front());
    FQueue.pop_front();
    Run(call);
    // The next call from the event loop, after whatever waited for the
    // console before it (a script instruction, the operator's held input).
    if (!FQueue.empty())
        WakeWhenIdle();
    ArmExpiry();
}

void TRemoteDispatcher::WakeWhenIdle()
{
    if (FWakePending)
        return;
    FWakePending = true;
    const std::weak_ptr<bool> alive = FAlive;
    FConsole.CallWhenIdle([this, alive] {
        if (alive.expired())
            return;
        FWakePending = false;
        Pump();
    });
}

qint64 TRemoteDispatcher::LimitMs(const TCall& call) const
{
    return call.Wait == TWait::Short ? FLimits.StartWithinMs : FLimits.WaitAtMostMs;
}

// Calls that did not start within their limit are answered Busy; nothing of
// them is carried out.
void TRemoteDispatcher::DropExpired()
{
    const qint64 now = FClock.elapsed();
    for (auto it = FQueue.begin(); it != FQueue.end();) {
        if (now - it->ArrivedMs <= LimitMs(*it)) {
            ++it;
            continue;
        }
        const TCall call = std::move(*it);
        it = FQueue.erase(it);
        const QString message = call.Wait == TWait::Short
            ? QStringLiteral("The Kelvor 9 was busy: %1 could not start within %2 ms and was not carried out.")
                  .arg(call.Method)
                  .arg(LimitMs(call))
            : QStringLiteral("The Kelvor 9 stayed busy for %1 s: %2 was not carried out.")
                  .arg(double(LimitMs(call)) / 1000.0)
                  .arg(call.Method);
        Answer(call, ErrorReply(Error::Busy, message));
    }
}

void TRemoteDispatcher::ArmExpiry()
{
    if (FQueue.empty()) {
        FExpiry.stop();
        return;
    }
    qint64 nextMs = std::numeric_limits<qint64>::max();
    for (const TCall& call : FQueue)
        nextMs = qMin(nextMs, call.ArrivedMs + LimitMs(call));
    // One millisecond past the limit: a call exactly at its limit still runs.
    FExpiry.start(int(qBound(qint64(0), nextMs - FClock.elapsed() + 1, qint64(std::numeric_limits<int>::max()))));
}

void TRemoteDispatcher::Run(TCall& call)
{
    FRunning = true;
    if (call.Sends)
        FConsole.ShowStatus(QStringLiteral("Remote: ") + call.Method);
    TRemoteReply reply;
    try {
        reply.Value = call.Work();
    } catch (const ERemoteError& error) {
        reply = ErrorReply(error.Name(), error.Message());
    } catch (const ESilentAbort& error) {
        // The line was lost meanwhile: the console has shown its loss box.
        reply = ErrorReply(Error::NotConnected, error.Message());
    } catch (const EFileError& error) {
        reply = ErrorReply(Error::FileError, error.Message());
    } catch (const EKelvorError& error) {
        reply = ErrorReply(Error::Failed, error.Message());
    } catch (const std::exception& error) {
        reply = ErrorReply(Error::Failed, QString::fromLocal8Bit(error.what()));
    }
    FRunning = false;
    Answer(call, reply);
}

void TRemoteDispatcher::Answer(const TCall& call, const TRemoteReply& reply)
{
    if (reply.Failed())
        FConsole.ShowStatus(QStringLiteral("Remote: %1: %2").arg(call.Method, reply.Message));
    call.Reply(reply);
}

QString TRemoteDispatcher::DeviceReply(const QString& payload)
{
    if (payload.isEmpty())
        throw ERemoteError(Error::NoReply, QStringLiteral("No reply from the Kelvor 9."));
    if (!IsSuccessReply(payload))
        throw ERemoteError(Error::Refused, payload);
    return payload;
}
