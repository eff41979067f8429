// Each method does what the window does, on the wire and in the window, and
// replies with its result; each error comes with its name and the console's
// message, shows in the status bar, opens no box, and a call the window
// would refuse sends nothing.
#include <QDBusArgument>
#include <QFileInfo>
#include <QSignalSpy>

#include "RemoteFixture.h"
#include "console/ProgramVersion.h"
#include "link/CommUnit.h"

namespace {

using Frames = std::vector<std::string>;
namespace Error = RemoteNames::Error;

QString Quoted(const QString& text)
{
    return QStringLiteral("('%1',)").arg(text);
}

using RemoteMethods = RemoteFixture;

TEST_F(RemoteMethods, EachMethodActsAsTheWindowDoesAndRepliesWithItsResult)
{
    StartConsole();

    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("Trigger"), {QStringLiteral("3")})->Out(), Quoted(QStringLiteral("sent")));
    EXPECT_EQ(Wire(), Frames{"T3"});
    EXPECT_EQ(Status(), QStringLiteral("Remote: Trigger"));

    // Values in seconds and volts go out as the grid sends them; the grid
    // shows what the device echoed. Names compare as the scripts' do.
    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("SetSetting"), {QStringLiteral("2"), QStringLiteral("Duration"), QStringLiteral("0.005")})
                  ->Out(),
              Quoted(QStringLiteral("OK.+5.000E-3")));
    EXPECT_EQ(Called(QStringLiteral("SetSetting"), {QStringLiteral("1"), QStringLiteral("v"), QStringLiteral("-2.5")})->Out(),
              Quoted(QStringLiteral("OK.-2.500E+0")));
    EXPECT_EQ(Wire(), (Frames{"D2+5.000E-3R", "V1-2.500E+0R"}));
    EXPECT_EQ(Ui.ParameterEdits(2, 1)->text(), QStringLiteral("5"));
    EXPECT_EQ(Ui.ExponentEdits(2, 1)->text(), QStringLiteral("-3"));
    EXPECT_EQ(Ui.ParameterEdits(1, 5)->text(), QStringLiteral("2.5"));
    EXPECT_EQ(Ui.SignLabels(1, 5)->text(), QStringLiteral("-"));

    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("SetMode"), {QStringLiteral("1"), QStringLiteral("Train")})->Out(),
              Quoted(QStringLiteral("N")));
    EXPECT_EQ(Wire().front(), "MN1R");
    EXPECT_EQ(Ui.ModeLists(1)->currentIndex(), ModeTrain);

    // The paradigm button's select, with the refresh it does.
    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("SelectParadigm"), {QStringLiteral("4")})->Out(), Quoted(QStringLiteral("sent")));
    EXPECT_EQ(Wire(), (Frames{"Y4R", "GP,4R", "GCR", "GTR"}));
    EXPECT_TRUE(Ui.ParadigmButtons(4)->isChecked());

    // The File menu's save and load, without dialogs or questions.
    const QString file = FFiles.filePath(QStringLiteral("remote.kr9"));
    EXPECT_EQ(Called(QStringLiteral("SaveParadigmFile"), {file})->Out(), Quoted(file));
    EXPECT_TRUE(QFileInfo::exists(file));
    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("LoadParadigmFile"), {file})->Out(), Quoted(file));
    ASSERT_GE(Wire().size(), 5u);
    EXPECT_EQ(Wire().front(), "ER");
    EXPECT_EQ(Wire().back(), "GTR");
    EXPECT_TRUE(Dialogs->Questions.isEmpty());

    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("Refresh"))->Out(), QStringLiteral("()"));
    EXPECT_EQ(Wire(), (Frames{"GP,4R", "GCR", "GTR"}));

    // A read goes out alone; a text that changes the device is followed by
    // a refresh, so the window shows the change.
    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("Exchange"), {QStringLiteral("GT")})->Out(), Quoted(QStringLiteral("OK.R")));
    EXPECT_EQ(Wire(), Frames{"GTR"});
    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("Exchange"), {QStringLiteral("UM")})->Out(), Quoted(QStringLiteral("OK.M")));
    EXPECT_EQ(Wire(), (Frames{"UMR", "GP,4R", "GCR", "GTR"}));
    EXPECT_EQ(Ui.cboStoreMode()->currentText(), QStringLiteral("Mem"));

    // The model as the window shows it is the device's paradigm.
    TBusListener client(Events);
    const TRemoteChannelList channels =
        qdbus_cast<TRemoteChannelList>(client.Call(QStringLiteral("GetChannels")).arguments().value(0));
    const sim::SimState device = Sim->state();
    ASSERT_EQ(channels.size(), 9);
    for (int n = 1; n <= 9; ++n) {
        const TRemoteChannel& shown = channels[n - 1];
        const sim::SimChannel& held = device.cur().channels[n - 1];
        EXPECT_EQ(shown.Number, n);
        EXPECT_EQ(shown.Mode, ModeNames.value(ModeFromLetter(QLatin1Char(held.mode))));
        EXPECT_EQ(shown.Settings.value(QStringLiteral("Duration")).toStdString(), held.duration);
        EXPECT_EQ(shown.Settings.value(QStringLiteral("V")).toStdString(), held.voltage);
        EXPECT_EQ(shown.Settings.contains(QStringLiteral("DV")), n != 9) << n;
    }

    EXPECT_EQ(client.Property(QStringLiteral("Connected")), QVariant(true));
    EXPECT_EQ(client.Property(QStringLiteral("Port")), QVariant(QStringLiteral("COM9")));
    EXPECT_EQ(client.Property(QStringLiteral("Paradigm")), QVariant(4));
    EXPECT_EQ(client.Property(QStringLiteral("Busy")), QVariant(false));
    EXPECT_EQ(client.Property(QStringLiteral("RunActive")), QVariant(false));
    EXPECT_EQ(client.Property(QStringLiteral("Version")), QVariant(QString::fromLatin1(ProgramVersion)));
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(RemoteMethods, ErrorsCarryTheirNameAndTheConsolesMessageAndABadValueSendsNothing)
{
    TConsoleSetup setup;
    setup.dialogueTimeoutMs = 500;
    StartConsole(setup);
    ClearWire();

    // What the window or the scripts would refuse never reaches the device.
    const QList<QStringList> invalid = {
        {"Trigger", "12"}, {"SelectParadigm", "0"}, {"SetMode", "1", "Fast"},
        {"SetSetting", "1", "Speed", "1"}, {"SetSetting", "1", "Shape", "1"}, {"SetSetting", "9", "DV", "1"},
        {"SetSetting", "1", "Duration", "-1"}, {"SetSetting", "1", "Interval", "0"}, {"SetSetting", "1", "N", "2.5"},
        {"SetSetting", "1", "N", "60000"}, {"SetSetting", "1", "V", "10000"}, {"SetSetting", "1", "Delay", "nan"},
        {"Exchange", "''"}, {"Exchange", "T\u20AC"}, {"Exchange", QString(9999, QLatin1Char('G'))},
        {"LoadParadigmFile", "''"}};
    for (const QStringList& call : invalid) {
        const auto answer = Called(call.first(), call.mid(1));
        EXPECT_EQ(answer->ErrorName(), Error::InvalidArgument) << call.join(' ').left(40).toStdString();
    }
    EXPECT_EQ(Called(QStringLiteral("Trigger"), {QStringLiteral("12")})->ErrorMessage(),
              QStringLiteral("There is no channel 12: the Kelvor 9's channels are 1 to 9."));
    EXPECT_TRUE(Wire().empty());
    EXPECT_EQ(Sim->attentionCount(), 0);
    EXPECT_EQ(Status(), QStringLiteral("Remote: Trigger: There is no channel 12: the Kelvor 9's channels are 1 to 9."));

    // The device's refusal as it came; the grid keeps the model's value.
    Sim->setRefuse({{"D", "Value out of range"}});
    const auto refused = Called(QStringLiteral("SetSetting"), {QStringLiteral("1"), QStringLiteral("Duration"), QStringLiteral("0.002")});
    EXPECT_EQ(refused->ErrorName(), Error::Refused);
    EXPECT_EQ(refused->ErrorMessage(), QStringLiteral("ER:Value out of range"));
    EXPECT_EQ(Status(), QStringLiteral("Remote: SetSetting: ER:Value out of range"));
    EXPECT_EQ(Ui.ParameterEdits(1, 1)->text(), QStringLiteral("1"));
    Sim->setRefuse({});

    Sim->setSilent(true);
    const auto silent = Called(QStringLiteral("Exchange"), {QStringLiteral("GT")});
    EXPECT_EQ(silent->ErrorName(), Error::NoReply);
    EXPECT_EQ(silent->ErrorMessage(), QStringLiteral("No reply from the Kelvor 9."));
    Sim->setSilent(false);

    // Files that cannot be read or written; nothing is cleared on the device.
    ClearWire();
    EXPECT_EQ(Called(QStringLiteral("LoadParadigmFile"), {FFiles.filePath(QStringLiteral("missing.kr9"))})->ErrorName(),
              Error::FileError);
    EXPECT_EQ(Called(QStringLiteral("SaveParadigmFile"), {FFiles.path()})->ErrorName(), Error::FileError);
    EXPECT_TRUE(Wire().empty());

    // Unknown methods and wrong signatures are D-Bus's own to answer.
    EXPECT_EQ(Called(QStringLiteral("Fly"))->ErrorName(), QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
    TBusListener client(Events);
    const QDBusMessage wrong = client.Call(QStringLiteral("Trigger"), {QStringLiteral("3")});
    EXPECT_EQ(wrong.type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(wrong.errorName().startsWith(QStringLiteral("org.freedesktop.DBus.Error."))) << wrong.errorName().toStdString();
    EXPECT_TRUE(Wire().empty());

    // The line goes: its box tells the operator, the caller gets NotConnected.
    QSignalSpy lost(Main->Comm(), &TfrmComm::ConnectionLost);
    Sim->stop();
    ASSERT_TRUE(lost.wait(5000));
    const auto gone = Called(QStringLiteral("Trigger"), {QStringLiteral("1")});
    EXPECT_EQ(gone->ErrorName(), Error::NotConnected);
    EXPECT_EQ(gone->ErrorMessage(), TfrmComm::LostMessage());
    EXPECT_EQ(Errors(), QStringList{TfrmComm::LostMessage()});
}

} // namespace
