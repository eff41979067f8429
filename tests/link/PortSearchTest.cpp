// Port names, the device search and opening a port.
#include "LinkTestSupport.h"
#include "link/PortNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

// Restores an environment variable when the test ends.
class TEnvGuard {
public:
    explicit TEnvGuard(const char* name) : FName(name), FHad(qEnvironmentVariableIsSet(name)), FValue(qgetenv(name)) {}
    ~TEnvGuard() { FHad ? qputenv(FName, FValue) : qunsetenv(FName); }

private:
    const char* FName;
    bool FHad;
    QByteArray FValue;
};

} // namespace

TEST(PortNames, FolderComesFromTheEnvironment)
{
    TEnvGuard portDir("KELVOR9_PORT_DIR"), runtime("XDG_RUNTIME_DIR");
    qputenv("KELVOR9_PORT_DIR", "/x/ports");
    qputenv("XDG_RUNTIME_DIR", "/run/user/7");
    EXPECT_EQ(PortNames::DefaultPortFolder(), QStringLiteral("/x/ports"));
    qunsetenv("KELVOR9_PORT_DIR");
    EXPECT_EQ(PortNames::DefaultPortFolder(), QStringLiteral("/run/user/7/kelvor9"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(PortNames::DefaultPortFolder(), QStringLiteral("/tmp/kelvor9-%1").arg(::getuid()));
}

TEST(PortNames, ComNamesResolveToFolderEntriesOrTheSystemPorts)
{
    TPtyPair pty;
    TPortFolder folder;
    folder.Link(1, pty.SlavePath());
    folder.Link(6, folder.Path() + QStringLiteral("/gone")); // dangling: does not count
    EXPECT_EQ(PortNames::PortPath(1, folder.Path()), folder.Path() + QStringLiteral("/COM1"));
    EXPECT_EQ(PortNames::PortPath(2, folder.Path()), QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(PortNames::PortPath(3, folder.Path()), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(PortNames::PortPath(6, folder.Path()), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(PortNames::ComNumber(QStringLiteral("COM12")), 12);
    EXPECT_EQ(PortNames::ComNumber(QStringLiteral("COM")), 0);
    EXPECT_EQ(PortNames::ComNumber(QStringLiteral("COM0")), 0);
    EXPECT_EQ(PortNames::ComNumber(QStringLiteral("COM3x")), 0);
}

TEST(PortNames, CandidatesAreFolderEntriesAndFtdiAdapters)
{
    TPtyPair pty;
    TPortFolder folder;
    folder.Link(7, pty.SlavePath());
    folder.Link(12, pty.SlavePath());
    folder.Link(4, folder.Path() + QStringLiteral("/gone"));
    QFile(folder.Path() + QStringLiteral("/README")).open(QIODevice::WriteOnly);

    // A fake /dev and /sys: ttyUSB0 on ftdi_sio (COM3), ttyUSB1 on another driver.
    QTemporaryDir dev, sys;
    QFile(dev.filePath(QStringLiteral("ttyUSB0"))).open(QIODevice::WriteOnly);
    QFile(dev.filePath(QStringLiteral("ttyUSB1"))).open(QIODevice::WriteOnly);
    QFile(dev.filePath(QStringLiteral("ttyS0"))).open(QIODevice::WriteOnly);
    QDir(sys.path()).mkpath(QStringLiteral("bus/usb-serial/drivers/ftdi_sio"));
    QDir(sys.path()).mkpath(QStringLiteral("bus/usb-serial/drivers/cp210x"));
    for (auto [tty, driver] : { std::pair { "ttyUSB0", "ftdi_sio" }, std::pair { "ttyUSB1", "cp210x" } }) {
        const QString device = sys.path() + QStringLiteral("/class/tty/%1/device").arg(QLatin1String(tty));
        QDir().mkpath(device);
        QFile::link(sys.path() + QStringLiteral("/bus/usb-serial/drivers/") + QLatin1String(driver),
                    device + QStringLiteral("/driver"));
    }
    EXPECT_EQ(PortNames::CandidatePorts(folder.Path(), sys.path(), dev.path()), (QList<int> { 3, 7, 12 }));
    EXPECT_TRUE(PortNames::IsFtdiTty(QStringLiteral("ttyUSB0"), sys.path()));
    EXPECT_FALSE(PortNames::IsFtdiTty(QStringLiteral("ttyUSB1"), sys.path()));
    EXPECT_TRUE(PortNames::CandidatePorts(QString(), sys.path() + "/none", dev.path()).isEmpty());
}

TEST(PortSearch, TriesTheHighestCandidateFirst)
{
    TPtyPair com3, com7;
    TPortFolder folder;
    folder.Link(3, com3.SlavePath());
    folder.Link(7, com7.SlavePath());
    TfrmComm link;
    PrepareLink(link, folder.Path());
    EXPECT_EQ(link.ListVcpPorts(), (QStringList { QStringLiteral("COM3"), QStringLiteral("COM7") }));
    EXPECT_EQ(link.FindPort(), 7);
    EXPECT_EQ(link.Port(), 7);
    EXPECT_FALSE(link.Ready());
    EXPECT_EQ(com7.ReadAtLeast(1, 2000), "="); // the attention character alone

    // Another program holds COM7: the search takes COM3.
    TfrmComm other;
    PrepareLink(other, folder.Path());
    EXPECT_EQ(other.FindPort(), 3);
    EXPECT_EQ(com3.ReadAtLeast(1, 2000), "=");
}

TEST(PortSearch, NothingFoundMeansMinusOneAndEmptyDialogues)
{
    TPortFolder folder;
    TfrmComm link;
    PrepareLink(link, folder.Path());
    link.Connect();
    EXPECT_EQ(link.Port(), -1);
    EXPECT_FALSE(link.Comm32().Connected());
    EXPECT_EQ(link.Dialogue(QStringLiteral("GT")), QString());
}

TEST(PortSearch, ComArgumentsInAnyCaseAndTheLastWins)
{
    TPtyPair com2, com3, com7;
    TPortFolder folder;
    folder.Link(2, com2.SlavePath());
    folder.Link(3, com3.SlavePath());
    folder.Link(7, com7.SlavePath());
    TfrmComm link;
    PrepareLink(link, folder.Path());
    link.Settings().Arguments = QStringList({ QStringLiteral("kelvor9"), QStringLiteral("com2") });
    link.Connect();
    EXPECT_EQ(link.Port(), 2); // no search: the highest candidate was not taken
    EXPECT_TRUE(link.Comm32().Connected());
    EXPECT_EQ(link.Comm32().DeviceName(), folder.Path() + QStringLiteral("/COM2"));

    link.Settings().Arguments = QStringList({ QStringLiteral("kelvor9"), QStringLiteral("COM7"), QStringLiteral("-x"), QStringLiteral("Com3") });
    link.Connect();
    EXPECT_EQ(link.Port(), 3);

    link.Settings().Arguments = QStringList({ QStringLiteral("kelvor9"), QStringLiteral("COMx") });
    EXPECT_EQ(MessageOf([&] { link.Connect(); }), QStringLiteral("'x' is not a valid integer value"));
}

TEST(PortSearch, AFailedOpenPortLeavesTheLinkUnconnected)
{
    TPortFolder folder;
    QFile(folder.Path() + QStringLiteral("/plain")).open(QIODevice::WriteOnly);
    folder.Link(4, folder.Path() + QStringLiteral("/plain"));
    TfrmComm link;
    PrepareLink(link, folder.Path());
    TLinkTestAccess::SetPort(link, 9);
    EXPECT_EQ(MessageOf([&] { link.OpenPort(4); }), QStringLiteral("Invalid device handle, access denied (Error: -1) "));
    EXPECT_EQ(link.Port(), 0);
    // COM40 resolves to /dev/ttyUSB37, which does not exist here.
    link.Settings().Arguments = QStringList({ QStringLiteral("kelvor9"), QStringLiteral("COM40") });
    EXPECT_EQ(MessageOf([&] { link.Connect(); }), QStringLiteral("Error accessing specified device (Error: 2) "));
    EXPECT_EQ(link.Port(), 0);
    EXPECT_FALSE(link.Comm32().Connected());
}
