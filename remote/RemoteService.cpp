#include "RemoteService.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTextStream>
#include <QTimer>

#include "RemoteNames.h"
#include "console/Main.h"
#include "console/ProgramVersion.h"
#include "link/CommUnit.h"
#include "link/PortNames.h"
#include "remote/RemoteAdaptor.h"
#include "scheduler/Scheduler.h"

QDBusArgument& operator<<(QDBusArgument& argument, const TRemoteChannel& channel)
{
    argument.beginStructure();
    argument << channel.Number << channel.Mode << channel.Settings;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, TRemoteChannel& channel)
{
    argument.beginStructure();
    argument >> channel.Number >> channel.Mode >> channel.Settings;
    argument.endStructure();
    return argument;
}

namespace {

// A skipped instruction has no moment it was carried out: it is told as 0.
qlonglong Microseconds(const QDateTime& moment)
{
    return moment.isValid() ? moment.toMSecsSinceEpoch() * 1000 : 0;
}

} // namespace

TRemoteService::TRemoteService(TfrmMain& frmMain, TfrmScheduler& frmScheduler, QDBusConnection connection,
                               TRemoteLimits limits)
    : FMain(frmMain)
    , FScheduler(frmScheduler)
    , FConnection(std::move(connection))
    , FConsole(frmMain, frmScheduler)
    , FDispatcher(FConsole, limits)
{
    qDBusRegisterMetaType<TRemoteChannel>();
    qDBusRegisterMetaType<TRemoteChannelList>();
    new TRemoteAdaptor(this); // owned by this object; relays its signals
    ConnectConsole();
    FAnnounced = ChangingProperties();
}

TRemoteService::~TRemoteService()
{
    if (!FRegistered)
        return;
    FConnection.unregisterService(RemoteNames::Service);
    FConnection.unregisterObject(RemoteNames::Path);
}

TRemoteService::TStart TRemoteService::Register()
{
    // The object first: a program that sees the name finds it.
    if (!FConnection.registerObject(RemoteNames::Path, this, QDBusConnection::ExportAdaptors))
        return TStart::NameTaken;
    if (!FConnection.registerService(RemoteNames::Service)) {
        FConnection.unregisterObject(RemoteNames::Path);
        return TStart::NameTaken;
    }
    FRegistered = true;
    return TStart::Running;
}

void TRemoteService::ConnectConsole()
{
    TfrmComm* link = FMain.Comm();
    connect(&FMain, &TfrmMain::Triggered, this, &TRemoteService::Triggered);
    FConsole.OnExchangedTrigger = [this](int channel, qint64 us) { emit Triggered(channel, us, TriggerSource::Remote); };
    connect(link, &TfrmComm::ConnectionLost, this, [this] {
        emit ConnectionLost();
        Touch();
    });
    connect(&FScheduler, &TfrmScheduler::InstructionLogged, this, [this](const TRunRecord& record) {
        emit InstructionCarriedOut(record.Line, record.Text, Microseconds(record.Due), Microseconds(record.Done),
                                   record.Outcome);
    });
    connect(&FScheduler, &TfrmScheduler::RunEnded, this, [this](const QString& outcome, const QString& log) {
        emit RunEnded(outcome, log);
        Touch();
    });
    connect(&FScheduler, &TfrmScheduler::RunNotice, this, &TRemoteService::Touch);
    connect(link, &TfrmComm::BusyBegan, this, &TRemoteService::Touch);
    connect(link, &TfrmComm::BusyEnded, this, &TRemoteService::Touch);
    connect(&FMain, &TfrmMain::RefreshFinished, this, &TRemoteService::Touch);
}

// ---- properties ---------------------------------------------------------------

bool TRemoteService::IsConnected() const { return FMain.IsConnected(); }

QString TRemoteService::PortName() const
{
    const int port = FMain.Comm() ? FMain.Comm()->Port() : 0;
    return port > 0 ? PortNames::ComName(port) : QString();
}

int TRemoteService::ParadigmNumber() const { return FMain.Paradigm().Number; }
bool TRemoteService::IsBusy() const { return FMain.LinkBusy(); }
bool TRemoteService::IsRunActive() const { return FScheduler.Active(); }
QString TRemoteService::VersionText() const { return QString::fromLatin1(ProgramVersion); }

QVariantMap TRemoteService::ChangingProperties() const
{
    return {{QStringLiteral("Connected"), IsConnected()},
            {QStringLiteral("Port"), PortName()},
            {QStringLiteral("Paradigm"), ParadigmNumber()},
            {QStringLiteral("Busy"), IsBusy()},
            {QStringLiteral("RunActive"), IsRunActive()}};
}

void TRemoteService::Touch()
{
    if (FAnnouncePending)
        return;
    FAnnouncePending = true;
    QTimer::singleShot(0, this, &TRemoteService::AnnounceChanges);
}

void TRemoteService::AnnounceChanges()
{
    FAnnouncePending = false;
    const QVariantMap now = ChangingProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (FAnnounced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    FAnnounced = now;
    if (changed.isEmpty() || !FRegistered)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(RemoteNames::Path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << RemoteNames::Interface << changed << QStringList();
    FConnection.send(signal);
}

// ---- methods --------------------------------------------------------------------

TReplySink TRemoteService::ReplyLater()
{
    setDelayedReply(true);
    return [connection = connection(), call = message()](const TRemoteReply& reply) {
        if (reply.Failed())
            connection.send(call.createErrorReply(reply.ErrorName, reply.Message));
        else if (reply.Value.isValid())
            connection.send(call.createReply(reply.Value));
        else
            connection.send(call.createReply());
    };
}

QString TRemoteService::Trigger(int channel)
{
    FDispatcher.Trigger(channel, ReplyLater());
    return {};
}

QString TRemoteService::SetSetting(int channel, const QString& setting, double value)
{
    FDispatcher.SetSetting(channel, setting, value, ReplyLater());
    return {};
}

QString TRemoteService::SetMode(int channel, const QString& mode)
{
    FDispatcher.SetMode(channel, mode, ReplyLater());
    return {};
}

QString TRemoteService::SelectParadigm(int number)
{
    FDispatcher.SelectParadigm(number, ReplyLater());
    return {};
}

QString TRemoteService::LoadParadigmFile(const QString& path)
{
    FDispatcher.LoadParadigmFile(path, ReplyLater());
    return {};
}

QString TRemoteService::SaveParadigmFile(const QString& path)
{
    FDispatcher.SaveParadigmFile(path, ReplyLater());
    return {};
}

void TRemoteService::Refresh()
{
    FDispatcher.Refresh(ReplyLater());
}

QString TRemoteService::StartScript(const QString& path)
{
    FDispatcher.StartScript(path, ReplyLater());
    return {};
}

void TRemoteService::StopScript()
{
    FDispatcher.StopScript(ReplyLater());
}

QString TRemoteService::Exchange(const QString& text)
{
    FDispatcher.Exchange(text, ReplyLater());
    return {};
}

TRemoteChannelList TRemoteService::GetChannels()
{
    FDispatcher.GetChannels(ReplyLater());
    return {};
}

// ---- start ------------------------------------------------------------------------

namespace {

// Once, where the operator and a terminal see it.
void Say(TfrmMain& frmMain, const QString& text)
{
    frmMain.SetStatusText(text);
    QTextStream(stderr) << "kelvor9: " << text << '\n';
}

} // namespace

std::unique_ptr<TRemoteService> StartRemoteControl(TfrmMain& frmMain, TfrmScheduler& frmScheduler,
                                                   const QStringList& arguments)
{
    if (arguments.contains(QStringLiteral("--no-remote")))
        return nullptr;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Say(frmMain, QStringLiteral("Remote control is not available: there is no session bus (%1).")
                         .arg(bus.lastError().message()));
        return nullptr;
    }
    auto service = std::make_unique<TRemoteService>(frmMain, frmScheduler, bus);
    if (service->Register() == TRemoteService::TStart::NameTaken) {
        Say(frmMain, QStringLiteral("Remote control is off: another console holds %1 on the session bus.")
                         .arg(RemoteNames::Service));
        return nullptr;
    }
    return service;
}
