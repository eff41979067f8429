// kelvor9-link as a user runs it, against the simulated stimulator.
#include "LinkTestSupport.h"
#include "sim/SimServer.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <utility>

namespace {

struct TRun {
    int ExitCode = -1;
    QByteArray Out, Err;
};

TRun RunLink(const QString& portFolder, const QStringList& args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVOR9_PORT_DIR"), portFolder);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KELVOR9_LINK_EXE), args);
    process.waitForFinished(20000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// A simulator serving COM9 in a port folder of its own.
struct TServedPort {
    explicit TServedPort(sim::SimOptions options = {}) : Sim(InFolder(std::move(options), Folder)) { Sim.start(); }
    static sim::SimOptions InFolder(sim::SimOptions options, const TPortFolder& folder)
    {
        options.portDir = folder.Path().toStdString();
        return options;
    }
    TPortFolder Folder;
    sim::SimServer Sim;
};

} // namespace

TEST(LinkProgram, SendsOnlyWhatTheDeviceCanReceiveAndPrintsRepliesAsTheyCame)
{
    sim::SimOptions options;
    options.refuse = {{"D", "trop \xC3\xA9lev\xC3\xA9"}}; // the device's own bytes, not Latin-1 text
    TServedPort served(options);
    const TPortFolder& folder = served.Folder;
    sim::SimServer& sim = served.Sim;

    const TRun ok = RunLink(folder.Path(), {QStringLiteral("COM9"), QStringLiteral("GT")});
    EXPECT_EQ(ok.ExitCode, 0);
    EXPECT_EQ(ok.Out, "OK.R\n");

    const TRun refused = RunLink(folder.Path(), {QStringLiteral("COM9"), QStringLiteral("D1+1.000E-3")});
    EXPECT_EQ(refused.ExitCode, 3);
    EXPECT_EQ(refused.Out, "ER:trop \xC3\xA9lev\xC3\xA9\n");

    sim.clearLog();
    const TRun euro = RunLink(folder.Path(), {QStringLiteral("COM9"), QStringLiteral("T\u20AC")});
    EXPECT_EQ(euro.ExitCode, 2);
    EXPECT_FALSE(euro.Err.isEmpty());
    const TRun tooLong = RunLink(folder.Path(), {QStringLiteral("COM9"), QString(9999, QLatin1Char('T'))});
    EXPECT_EQ(tooLong.ExitCode, 2);
    EXPECT_TRUE(tooLong.Err.contains("9998")) << tooLong.Err.toStdString();
    EXPECT_TRUE(sim.frames().empty());
    // The longest text that fits goes out.
    RunLink(folder.Path(), {QStringLiteral("COM9"), QString(9998, QLatin1Char('T'))});
    ASSERT_EQ(sim.frames().size(), 1u);
    EXPECT_EQ(sim.frames()[0].size(), 9999u);

    const TRun help = RunLink(folder.Path(), {QStringLiteral("--help")});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.Out.startsWith("usage: kelvor9-link"));
    EXPECT_TRUE(help.Err.isEmpty());
}

// A port named without a text is a forgotten text, not the command "COM9";
// an empty text is no command either. Both are refused before the port is
// even opened: the device receives nothing, not even the attention byte.
TEST(LinkProgram, RefusesAMissingOrEmptyTextWithoutSendingAnything)
{
    TServedPort served;
    const TPortFolder& folder = served.Folder;
    sim::SimServer& sim = served.Sim;

    const QStringList missing[] = {{QStringLiteral("COM9")}, {QStringLiteral("com12")}};
    for (const QStringList& args : missing) {
        const TRun run = RunLink(folder.Path(), args);
        EXPECT_EQ(run.ExitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.startsWith("the text to send is missing\n")) << run.Err.toStdString();
    }
    for (const QStringList& args : {QStringList{QString()}, QStringList{QStringLiteral("COM9"), QString()}}) {
        const TRun run = RunLink(folder.Path(), args);
        EXPECT_EQ(run.ExitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.startsWith("the text to send is empty\n")) << run.Err.toStdString();
    }
    EXPECT_TRUE(sim.frames().empty());
    EXPECT_EQ(sim.attentionCount(), 0);

    // A text that only begins like a port name is a text.
    const TRun text = RunLink(folder.Path(), {QStringLiteral("COMMAND")});
    EXPECT_EQ(text.ExitCode, 3) << text.Err.toStdString();
    EXPECT_EQ(sim.frames(), std::vector<std::string>{"COMMANDR"});
}

// The console holds the port: the error says why the port cannot be opened.
TEST(LinkProgram, SaysWhenAnotherProgramHoldsThePort)
{
    TServedPort served;
    const TPortFolder& folder = served.Folder;
    sim::SimServer& sim = served.Sim;
    TfrmComm console;
    PrepareLink(console, folder.Path());
    console.Settings().Arguments = QStringList{QStringLiteral("kelvor9"), QStringLiteral("COM9")};
    console.Connect();
    ASSERT_EQ(console.Port(), 9);

    const TRun run = RunLink(folder.Path(), {QStringLiteral("COM9"), QStringLiteral("GT")});
    EXPECT_EQ(run.ExitCode, 2);
    // Error 11 where the lock refuses (root), 16 where the terminal's
    // exclusive mode does (everyone else).
    EXPECT_TRUE(run.Err.startsWith("Error accessing specified device (Error: 11)") ||
                run.Err.startsWith("Error accessing specified device (Error: 16)"))
        << run.Err.toStdString();
    EXPECT_TRUE(run.Err.endsWith(": the port is in use by another program (is the console running?)\n"))
        << run.Err.toStdString();
    EXPECT_TRUE(sim.frames().empty());
}
