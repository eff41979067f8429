#pragma once
// The console on the session bus: org.kelvor9.Console, object
// /org/kelvor9/Console, interface org.kelvor9.Console1 (described in
// org.kelvor9.Console1.xml, from which the build makes the adaptor that
// QtDBus calls). The service stays thin: each method hands its call to the
// dispatcher with a sink that sends the reply later (a delayed reply), so a
// call can wait for the console without blocking anything.
//
// It also tells the bus what happens in the console: Triggered for every
// trigger whatever its source, InstructionCarriedOut for each line the run
// log gets, RunEnded, ConnectionLost, and PropertiesChanged for the
// properties. Property changes are gathered and announced once per turn of
// the event loop (QtDBus sends no PropertiesChanged of its own), so a busy
// stretch of many exchanges is one change to true and one back.
//
// Same user only: the session bus admits no other, and the service never
// goes on the system bus or a network address.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

#include <memory>

#include "ConsoleRemote.h"
#include "RemoteDispatcher.h"

class TfrmMain;
class TfrmScheduler;

QDBusArgument& operator<<(QDBusArgument& argument, const TRemoteChannel& channel);
const QDBusArgument& operator>>(const QDBusArgument& argument, TRemoteChannel& channel);

class TRemoteService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(bool Connected READ IsConnected)
    Q_PROPERTY(QString Port READ PortName)
    Q_PROPERTY(int Paradigm READ ParadigmNumber)
    Q_PROPERTY(bool Busy READ IsBusy)
    Q_PROPERTY(bool RunActive READ IsRunActive)
    Q_PROPERTY(QString Version READ VersionText)
public:
    enum class TStart { Running, NameTaken };

    // The windows must outlive the service; the main window has been shown.
    TRemoteService(TfrmMain& frmMain, TfrmScheduler& frmScheduler, QDBusConnection connection,
                   TRemoteLimits limits = {});
    // Leaves the bus; calls still waiting are answered.
    ~TRemoteService() override;

    // Puts the object on the bus and takes the name. NameTaken: another
    // console has it; this one is then not on the bus at all.
    TStart Register();

    TRemoteDispatcher& Dispatcher() { return FDispatcher; }

    bool IsConnected() const;
    QString PortName() const;
    int ParadigmNumber() const;
    bool IsBusy() const;
    bool IsRunActive() const;
    QString VersionText() const;

public slots:
    // The methods, as the adaptor calls them; each replies later.
    QString Trigger(int channel);
    QString SetSetting(int channel, const QString& setting, double value);
    QString SetMode(int channel, const QString& mode);
    QString SelectParadigm(int number);
    QString LoadParadigmFile(const QString& path);
    QString SaveParadigmFile(const QString& path);
    void Refresh();
    QString StartScript(const QString& path);
    void StopScript();
    QString Exchange(const QString& text);
    TRemoteChannelList GetChannels();

signals:
    void Triggered(int channel, qlonglong unixMicroseconds, const QString& source);
    void InstructionCarriedOut(int line, const QString& instruction, qlonglong dueMicroseconds,
                               qlonglong actualMicroseconds, const QString& outcome);
    void RunEnded(const QString& outcome, const QString& logPath);
    void ConnectionLost();

private:
    // Marks the call being delivered as answered later, and the sink that answers it.
    TReplySink ReplyLater();
    void ConnectConsole();
    // A property may have changed: announced from the event loop.
    void Touch();
    void AnnounceChanges();
    QVariantMap ChangingProperties() const;

    TfrmMain& FMain;
    TfrmScheduler& FScheduler;
    QDBusConnection FConnection;
    TConsoleRemote FConsole;
    TRemoteDispatcher FDispatcher;
    bool FRegistered = false;
    bool FAnnouncePending = false;
    QVariantMap FAnnounced;
};

// Starts the service for the console's windows, unless the program's
// arguments hold --no-remote. Without a session bus, or with another console
// holding the name, the console runs without it and says so once (status
// bar and standard error). Null when no service runs.
std::unique_ptr<TRemoteService> StartRemoteControl(TfrmMain& frmMain, TfrmScheduler& frmScheduler,
                                                   const QStringList& arguments);
