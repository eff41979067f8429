// The real programs on the bus: the console takes the name unless told not
// to, a second console or a missing bus leaves it running without the
// service (said once), and kelvor9-link reaches the device through the
// console that holds the port.
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include "RemoteFixture.h"
#include "link/CommUnit.h"

namespace {

struct TProgramRun {
    int ExitCode = -1;
    QByteArray Out, Err;
};


class RemoteProgramsRun : public RemoteFixture {
protected:
    // Runs a program to its end while the test's console answers the bus.
    TProgramRun RunProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        QObject::connect(&process, &QProcess::finished, &Events, &TRemoteEvents::Note);
        process.start(program, arguments);
        EXPECT_TRUE(Events.WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 60'000))
            << program.toStdString();
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    // The real console offscreen in folders of its own, with no device to
    // find: the start-up probe ends it after its first refresh.
    TProgramRun RunConsole(const QStringList& arguments, const QString& busAddress = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("KELVOR9_PORT_DIR"), FFiles.filePath(QStringLiteral("no-ports")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), FFiles.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), FFiles.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("KELVOR9_STARTUP_PROBE"), QStringLiteral("1"));
        if (!busAddress.isEmpty())
            environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        return RunProgram(QStringLiteral(KELVOR9_EXE), arguments, environment);
    }

    TProgramRun RunLink(const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KELVOR9_PORT_DIR"), PortFolder());
        return RunProgram(QStringLiteral(KELVOR9_LINK_EXE), arguments, environment);
    }

    // The lines of a program's standard error that speak of remote control.
    static QList<QByteArray> RemoteLines(const QByteArray& err)
    {
        QList<QByteArray> lines;
        for (const QByteArray& line : err.split('\n'))
            if (line.contains("Remote control"))
                lines.append(line);
        return lines;
    }
};

// NameOwnerChanged of the console's name, heard by the listener; a call to
// the bus afterwards makes sure every earlier change has been heard.
int NameChanges(TBusListener& listener)
{
    listener.Bus().interface()->call(QStringLiteral("GetId"));
    int changes = 0;
    for (const QDBusMessage& message : listener.Signals)
        changes += message.member() == QStringLiteral("NameOwnerChanged");
    return changes;
}

TEST_F(RemoteProgramsRun, TheConsoleRunsWithoutTheServiceWhenToldOrWhenItCannotHaveIt)
{
    TBusListener listener(Events);
    listener.Bus().connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                           QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"),
                           {RemoteNames::Service}, QString(), &listener, SLOT(Take(QDBusMessage)));

    // Alone on the bus it takes the name while it runs, and says nothing.
    const TProgramRun alone = RunConsole({});
    EXPECT_EQ(alone.ExitCode, 0) << alone.Err.toStdString();
    EXPECT_TRUE(RemoteLines(alone.Err).isEmpty()) << alone.Err.toStdString();
    ASSERT_TRUE(Events.WaitUntil([&] { return NameChanges(listener) == 2; })); // taken, released

    const TProgramRun told = RunConsole({QStringLiteral("--no-remote")});
    EXPECT_EQ(told.ExitCode, 0);
    EXPECT_TRUE(RemoteLines(told.Err).isEmpty());
    EXPECT_EQ(NameChanges(listener), 2);

    // A second console: this test's holds the name and keeps it.
    StartConsole();
    const TProgramRun second = RunConsole({});
    EXPECT_EQ(second.ExitCode, 0);
    EXPECT_EQ(RemoteLines(second.Err),
              QList<QByteArray>{"kelvor9: Remote control is off: another console holds org.kelvor9.Console on the "
                                "session bus."});
    EXPECT_TRUE(Called(QStringLiteral("Exchange"), {QStringLiteral("GT")})->Ok());

    const TProgramRun noBus = RunConsole({}, QStringLiteral("unix:path=/nonexistent"));
    EXPECT_EQ(noBus.ExitCode, 0);
    const QList<QByteArray> said = RemoteLines(noBus.Err);
    ASSERT_EQ(said.size(), 1) << noBus.Err.toStdString();
    EXPECT_TRUE(said[0].startsWith("kelvor9: Remote control is not available: there is no session bus")) << said[0].toStdString();
}

TEST_F(RemoteProgramsRun, LinkGoesThroughTheConsoleThatHoldsThePort)
{
    TConsoleSetup setup;
    setup.dialogueTimeoutMs = 500;
    StartConsole(setup);

    ClearWire();
    const TProgramRun named = RunLink({QStringLiteral("--verbose"), QStringLiteral("COM9"), QStringLiteral("GT")});
    EXPECT_EQ(named.ExitCode, 0) << named.Err.toStdString();
    EXPECT_EQ(named.Out, "OK.R\n");
    EXPECT_TRUE(named.Err.contains("through the console")) << named.Err.toStdString();
    EXPECT_EQ(Wire(), std::vector<std::string>{"GTR"});

    // Without a port: the console is asked first; the window follows.
    const TProgramRun unnamed = RunLink({QStringLiteral("UM")});
    EXPECT_EQ(unnamed.ExitCode, 0);
    EXPECT_EQ(unnamed.Out, "OK.M\n");
    EXPECT_EQ(Ui.cboStoreMode()->currentText(), QStringLiteral("Mem"));

    // The exit status as on a free port: a refusal's bytes as they came, no reply.
    Sim->setRefuse({{"D", "trop \xC3\xA9lev\xC3\xA9"}});
    const TProgramRun refused = RunLink({QStringLiteral("COM9"), QStringLiteral("D1+1.000E-3")});
    EXPECT_EQ(refused.ExitCode, 3);
    EXPECT_EQ(refused.Out, "ER:trop \xC3\xA9lev\xC3\xA9\n");
    Sim->setSilent(true);
    const TProgramRun silent = RunLink({QStringLiteral("COM9"), QStringLiteral("GT")});
    EXPECT_EQ(silent.ExitCode, 1);
    EXPECT_EQ(silent.Err, "No reply from the Kelvor 9.\n") << silent.Err.toStdString();
    Sim->setSilent(false);

    // --direct never asks the console; a port the console does not hold is
    // never reached through it.
    ClearWire();
    const TProgramRun direct = RunLink({QStringLiteral("--direct"), QStringLiteral("COM9"), QStringLiteral("GT")});
    EXPECT_EQ(direct.ExitCode, 2);
    EXPECT_TRUE(direct.Err.contains("in use by another program")) << direct.Err.toStdString();
    sim::SimOptions other;
    other.port = 8;
    other.portDir = PortFolder().toStdString();
    sim::SimServer second(other);
    second.start();
    TfrmComm holder;
    holder.Settings().PortFolder = PortFolder();
    holder.Settings().Arguments = QStringList{QStringLiteral("holder"), QStringLiteral("COM8")};
    holder.Settings().OpenPauseMs = 0;
    holder.Connect();
    ASSERT_EQ(holder.Port(), 8);
    const TProgramRun elsewhere = RunLink({QStringLiteral("COM8"), QStringLiteral("GT")});
    EXPECT_EQ(elsewhere.ExitCode, 2);
    EXPECT_TRUE(Wire().empty());
    EXPECT_TRUE(second.frames().empty());
}

} // namespace
