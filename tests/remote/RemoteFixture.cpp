#include "RemoteFixture.h"

#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QSignalSpy>

bool TRemoteEvents::WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return false;
        QSignalSpy noted(this, &TRemoteEvents::Noted);
        noted.wait(int(left));
    }
    return true;
}

TGdbusCall::TGdbusCall(TRemoteEvents& events, const QString& method, const QStringList& arguments)
    : FEvents(events)
{
    QObject::connect(&FProcess, &QProcess::finished, &events, &TRemoteEvents::Note);
    // "--" lets a negative number through as an argument; 120 s as every
    // caller of the console should wait.
    FProcess.start(QStringLiteral("gdbus"),
                   QStringList{QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                               RemoteNames::Service, QStringLiteral("--object-path"), RemoteNames::Path,
                               QStringLiteral("--timeout"), QString::number(RemoteNames::ReplyTimeoutMs / 1000),
                               QStringLiteral("--method"), RemoteNames::Interface + QLatin1Char('.') + method,
                               QStringLiteral("--")}
                       + arguments);
}

bool TGdbusCall::Finish()
{
    const bool ended = FEvents.WaitUntil([this] { return FProcess.state() == QProcess::NotRunning; });
    FOut = QString::fromUtf8(FProcess.readAllStandardOutput()).trimmed();
    FErr += QString::fromUtf8(FProcess.readAllStandardError()).trimmed();
    return ended && FProcess.exitStatus() == QProcess::NormalExit;
}

QString TGdbusCall::ErrorName() const
{
    const QString prefix = QStringLiteral("Error: GDBus.Error:");
    if (!FErr.startsWith(prefix))
        return {};
    return FErr.mid(prefix.size()).section(QLatin1Char(':'), 0, 0);
}

QString TGdbusCall::ErrorMessage() const
{
    const QString name = ErrorName();
    return name.isEmpty() ? FErr : FErr.section(name + QStringLiteral(": "), 1);
}

TBusListener::TBusListener(TRemoteEvents& events)
    : FEvents(events), FBus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("listener")))
{
    for (const char* name : {"Triggered", "InstructionCarriedOut", "RunEnded", "ConnectionLost"})
        FBus.connect(RemoteNames::Service, RemoteNames::Path, RemoteNames::Interface, QLatin1String(name), this,
                     SLOT(Take(QDBusMessage)));
    FBus.connect(RemoteNames::Service, RemoteNames::Path, QStringLiteral("org.freedesktop.DBus.Properties"),
                 QStringLiteral("PropertiesChanged"), this, SLOT(Take(QDBusMessage)));
}

TBusListener::~TBusListener()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
}

void TBusListener::Take(const QDBusMessage& message)
{
    Signals.append(message);
    FEvents.Note();
}

QList<QDBusMessage> TBusListener::SignalsNamed(const QString& member) const
{
    QList<QDBusMessage> named;
    for (const QDBusMessage& message : Signals)
        if (message.member() == member)
            named.append(message);
    return named;
}

QList<QVariant> TBusListener::Announced(const QString& property) const
{
    QList<QVariant> values;
    for (const QDBusMessage& message : SignalsNamed(QStringLiteral("PropertiesChanged"))) {
        const QVariantMap changed = qdbus_cast<QVariantMap>(message.arguments().value(1));
        if (changed.contains(property))
            values.append(changed.value(property));
    }
    return values;
}

QDBusMessage TBusListener::Call(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(RemoteNames::Service, RemoteNames::Path, RemoteNames::Interface, method);
    call.setArguments(arguments);
    return Call(call);
}

QDBusMessage TBusListener::Call(const QDBusMessage& call)
{
    QDBusPendingCallWatcher watcher(FBus.asyncCall(call, RemoteNames::ReplyTimeoutMs));
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &FEvents, &TRemoteEvents::Note);
    FEvents.WaitUntil([&] { return watcher.isFinished(); });
    return watcher.reply();
}

QVariant TBusListener::Property(const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(RemoteNames::Service, RemoteNames::Path,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << RemoteNames::Interface << name;
    return qvariant_cast<QDBusVariant>(Call(get).arguments().value(0)).variant();
}

void RemoteFixture::StartConsole(TConsoleSetup setup, TRemoteLimits limits)
{
    StartWindows(setup);
    Service = std::make_unique<TRemoteService>(*Main, *Scheduler, QDBusConnection::sessionBus(), limits);
    ASSERT_EQ(Service->Register(), TRemoteService::TStart::Running);
    Service->Dispatcher().OnWaiting = [this](const QString& method) {
        WaitingCalls << method;
        Events.Note();
    };
}

void RemoteFixture::TearDown()
{
    Service.reset();
    SchedulerFixture::TearDown();
}

std::unique_ptr<TGdbusCall> RemoteFixture::Called(const QString& method, const QStringList& arguments)
{
    std::unique_ptr<TGdbusCall> call = Gdbus(method, arguments);
    EXPECT_TRUE(call->Finish()) << method.toStdString();
    return call;
}
