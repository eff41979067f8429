#pragma once
// The running console on a private session bus (each test program runs
// under dbus-run-session): the real main window and scheduler against the
// simulated stimulator, with the remote service on the bus. Tests call it
// as other programs do: with gdbus, as a shell script would, and with a
// QtDBus connection of their own for signals, properties and typed replies.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>

#include <functional>
#include <memory>

#include "remote/RemoteNames.h"
#include "remote/RemoteService.h"
#include "tests/app/SchedulerFixture.h"

// Something the tests wait for happened (a call queued, a signal came, a
// program ended): waits run the event loop until their condition holds.
class TRemoteEvents : public QObject {
    Q_OBJECT
public:
    void Note() { emit Noted(); }
    // Runs the event loop until condition holds, at most timeoutMs.
    bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 30'000);
signals:
    void Noted();
};

// One gdbus call of a console method, started at once; the console answers
// while the test's event loop runs.
class TGdbusCall {
public:
    TGdbusCall(TRemoteEvents& events, const QString& method, const QStringList& arguments = {});
    // Runs the event loop until gdbus has ended.
    bool Finish();
    bool Ok() const { return FProcess.exitCode() == 0; }
    // gdbus's print of the reply, such as "('sent',)".
    QString Out() const { return FOut; }
    // From "Error: GDBus.Error:<name>: <message>".
    QString ErrorName() const;
    QString ErrorMessage() const;

private:
    TRemoteEvents& FEvents;
    QProcess FProcess;
    QString FOut, FErr;
};

// A second connection to the bus, as another program's: it hears the
// console's signals and calls it without blocking the console's thread.
class TBusListener : public QObject {
    Q_OBJECT
public:
    explicit TBusListener(TRemoteEvents& events);
    ~TBusListener() override;

    // Every signal of the console's interface and its PropertiesChanged, in order.
    QList<QDBusMessage> Signals;
    QList<QDBusMessage> SignalsNamed(const QString& member) const;
    // The properties announced so far, each with its values in order.
    QList<QVariant> Announced(const QString& property) const;

    // A call of the console's interface, answered while the event loop runs.
    QDBusMessage Call(const QString& method, const QVariantList& arguments = {});
    QDBusMessage Call(const QDBusMessage& call);
    QVariant Property(const QString& name);
    QDBusConnection& Bus() { return FBus; }

private slots:
    void Take(const QDBusMessage& message);

private:
    TRemoteEvents& FEvents;
    QDBusConnection FBus;
};

class RemoteFixture : public SchedulerFixture {
protected:
    // The windows against the simulator, and the service on the bus.
    void StartConsole(TConsoleSetup setup = {}, TRemoteLimits limits = {});
    void TearDown() override;

    std::unique_ptr<TGdbusCall> Gdbus(const QString& method, const QStringList& arguments = {})
    {
        return std::make_unique<TGdbusCall>(Events, method, arguments);
    }
    // Calls with gdbus and waits for the answer.
    std::unique_ptr<TGdbusCall> Called(const QString& method, const QStringList& arguments = {});
    // Waits until n calls in all have had to wait for their turn.
    bool WaitForWaitingCalls(int n) { return Events.WaitUntil([&] { return WaitingCalls.size() >= n; }); }
    QString Status() const { return Ui.StatusPanels(0)->text(); }

    TRemoteEvents Events;
    std::unique_ptr<TRemoteService> Service;
    QStringList WaitingCalls;
};
