// kelvor9-link as a user runs it, against the simulated stimulator.
#include "LinkTestSupport.h"
#include "SimServer.h"

#include <gtest/gtest.h>

#include <QProcess>

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

} // namespace

TEST(LinkProgram, SendsOnlyWhatTheDeviceCanReceiveAndPrintsRepliesAsTheyCame)
{
    TPortFolder folder;
    sim::SimOptions options;
    options.portDir = folder.Path().toStdString();
    options.refuse = {{"D", "trop \xC3\xA9lev\xC3\xA9"}}; // the device's own bytes, not Latin-1 text
    sim::SimServer sim(options);
    sim.start();

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
