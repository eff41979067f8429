// Paradigm files: the saved text byte for byte, loading into the device by
// key lookup, and files that cannot be read or written.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

#include <QPrinter>

#include "ConsoleFixture.h"
#include "console/MonitorWindow.h"
#include "tests/model/FileSizeLimit.h"
#include "ui/KelvorApplication.h"

namespace {

// The file a paradigm must give, written out from the device's own state.
QByteArray ExpectedFile(int number, const sim::SimParadigm& p)
{
    std::string text = "Paradigm=" + std::to_string(number) + "\r\n[Connections]\r\n";
    for (int r = 0; r < 9; ++r) {
        text += "Connections" + std::to_string(r + 1) + "=";
        for (int k = 0; k < 12; ++k)
            text += p.links[r][k] == '-' ? ' ' : p.links[r][k];
        text += "\r\n";
    }
    for (int n = 1; n <= 9; ++n) {
        const sim::SimChannel& c = p.channels[n - 1];
        const std::string d = std::to_string(n);
        text += "[Channel" + d + "]\r\nMode" + d + "=" + c.mode + "\r\nDuration" + d + "=" + c.duration + "\r\nDelay" + d
            + "=" + c.delay + "\r\nInterval" + d + "=" + c.interval + "\r\nTrain" + d + "=" + c.pulseCount + "\r\nVoltage"
            + d + "=" + c.voltage + "\r\nShape" + d + "=" + c.shape + "\r\nDeltaV" + d + "=" + c.deltaV + "\r\n";
    }
    text += std::string("StoreMode=") + p.storeMode + "\r\n";
    return QByteArray::fromStdString(text);
}

bool SameChannel(const sim::SimChannel& a, const sim::SimChannel& b)
{
    return a.mode == b.mode && a.duration == b.duration && a.interval == b.interval && a.delay == b.delay
        && a.pulseCount == b.pulseCount && a.voltage == b.voltage && a.deltaV == b.deltaV && a.shape == b.shape;
}

} // namespace

class ParadigmFilesTest : public ConsoleFixture {
protected:
    QString FilePath(const QString& name) const { return FFiles.filePath(name); }

    // Saves through Ctrl+S as the operator does.
    void SaveAs(const QString& fileName)
    {
        Dialogs->FileName = fileName;
        QTest::keyClick(Main.get(), Qt::Key_S, Qt::ControlModifier);
    }
    // Loads through Ctrl+L, confirming, and waits for the refresh.
    void Load(const QString& fileName)
    {
        Dialogs->FileName = fileName;
        Dialogs->ConfirmAnswer = true;
        QTest::keyClick(Main.get(), Qt::Key_L, Qt::ControlModifier);
    }
    std::string LoadBatchFrame() const
    {
        for (const std::string& frame : Wire()) {
            if (frame.rfind("BM", 0) == 0 && frame.find('D') != std::string::npos)
                return frame;
        }
        return {};
    }
};

TEST_F(ParadigmFilesTest, SavedParadigmLoadsBackIntoAnotherParadigm)
{
    Start();
    // Set up paradigm 1 on the device through the window.
    Ui.ModeLists(2)->setCurrentIndex(1);
    emit Ui.ModeLists(2)->activated(1);
    Ui.ModeLists(6)->setCurrentIndex(6);
    emit Ui.ModeLists(6)->activated(6);
    Ui.ShapeLists(3)->setCurrentIndex(2);
    emit Ui.ShapeLists(3)->activated(2);
    Click(Ui.LinkButtons(1, 2));
    Click(Ui.LinkButtons(4, 12));
    Ui.cboStoreMode()->setCurrentIndex(2);
    emit Ui.cboStoreMode()->activated(2);
    TVexoValue value;
    value.SetFromText(QStringLiteral("+00005E-3"));
    QString error;
    Main->SetChannelParameter(5, 0, error, value);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const sim::SimParadigm saved = Sim->state().cur();

    const QString fileName = FilePath(QStringLiteral("setup.kr9"));
    SaveAs(fileName);
    const QByteArray text = ReadAll(fileName);
    EXPECT_EQ(text, ExpectedFile(1, saved));
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 94); // 93 lines, each ended by CR LF
    EXPECT_TRUE(text.endsWith("StoreMode=S\r\n"));
    EXPECT_EQ(text.count("\r\n"), 93);
    EXPECT_EQ(lines[0], "Paradigm=1\r");
    EXPECT_EQ(lines[1], "[Connections]\r");
    EXPECT_EQ(lines[2], "Connections1= +          \r");
    EXPECT_EQ(lines[3], "Connections2=            \r");
    EXPECT_EQ(lines[5], "Connections4=           *\r");
    EXPECT_EQ(lines[11], "[Channel1]\r");
    EXPECT_EQ(lines[12], "Mode1=F\r");
    EXPECT_EQ(lines[13], "Duration1=+1.000E-3\r");
    EXPECT_EQ(lines[21], "Mode2=N\r");
    EXPECT_EQ(lines[36], "Shape3=R\r");
    EXPECT_EQ(lines[48], "Mode5=F\r");
    EXPECT_EQ(lines[49], "Duration5=+5.000E-3\r");
    EXPECT_EQ(lines[57], "Mode6=O\r");
    EXPECT_EQ(lines[92], "StoreMode=S\r");

    Click(Ui.ParadigmButtons(5));
    ASSERT_EQ(Sim->state().current, 5);
    ClearWire();
    Load(fileName);
    EXPECT_EQ(Dialogs->Questions.last(), QStringLiteral("Loading a Paradigm from file ,deletes the old settings from "
                                                        "the current paradigm.\r\nContinue Loading ?"));
    const std::vector<std::string> wire = Wire();
    ASSERT_GE(wire.size(), 5u);
    EXPECT_EQ(wire[0], "ER");
    EXPECT_EQ(wire[1].substr(0, 14), "BMF1D1+1.000E-");
    EXPECT_EQ(std::vector<std::string>(wire.end() - 3, wire.end()), (std::vector<std::string>{"GP,4R", "GCR", "GTR"}));

    const sim::SimState state = Sim->state();
    EXPECT_EQ(state.current, 5);
    for (int c = 0; c < 9; ++c)
        EXPECT_TRUE(SameChannel(state.cur().channels[c], saved.channels[c])) << "channel " << c + 1;
    EXPECT_EQ(state.cur().storeMode, 'S');
    for (int r = 0; r < 9; ++r)
        for (int k = 0; k < 12; ++k)
            EXPECT_EQ(state.cur().links[r][k], saved.links[r][k]) << r + 1 << "->" << k + 1;
    EXPECT_EQ(Ui.ModeLists(2)->currentIndex(), 1);
    EXPECT_EQ(Ui.ParameterEdits(5, 1)->text(), QStringLiteral("5"));
    EXPECT_EQ(Ui.cboStoreMode()->currentText(), QStringLiteral("Save"));
}

// Whatever bytes the device sent, each entry stays on its own line.
TEST_F(ParadigmFilesTest, ControlCharactersFromTheDeviceAreSavedAsBlanks)
{
    Start();
    Main->Paradigm().Channel(2).Settings.Duration.SetFromText(QStringLiteral("\n1.000E\r3"));
    const QString fileName = FilePath(QStringLiteral("odd.kr9"));
    SaveAs(fileName);
    const QByteArray text = ReadAll(fileName);
    EXPECT_EQ(text.count("\r\n"), 93);
    EXPECT_EQ(text.count('\n'), 93);
    EXPECT_TRUE(text.contains("Duration2= 1.000E 3\r\n"));
}

// Keys in other letter case, a key twice, blanks around "=", a missing key,
// links on the diagonal and in column C, a quoted file name.
TEST_F(ParadigmFilesTest, LoadBuildsTheBatchByKeyLookup)
{
    Start();
    const QString fileName = FilePath(QStringLiteral("hand.kr9"));
    SaveAs(fileName);
    QByteArray text = ReadAll(fileName);
    text.replace("Mode1=F", "mOdE1=N");
    text.replace("Delay2=+0.000E+0", "Delay2=+0.000E+0\r\nDELAY2=+9.000E-3");
    text.replace("Voltage3=+5.000E+0", "Voltage3= +5.000E+0");
    text.replace("Train3=", "Train3 =");
    text.replace("Duration3=+1.000E-3\r\n", "");
    text.replace("Connections4=            ", "Connections4=   +        ");
    text.replace("Connections2=            ", "Connections2=           *");
    text.replace("StoreMode=R", "storemode=M");
    WriteAll(fileName, text);

    ClearWire();
    Load(QLatin1Char('"') + fileName + QLatin1Char('"'));
    const std::string batch = LoadBatchFrame();
    ASSERT_FALSE(batch.empty());
    EXPECT_EQ(batch.rfind("BMN1D1", 0), 0u);
    EXPECT_NE(batch.find("L2+0.000E+0I2"), std::string::npos);
    EXPECT_EQ(batch.find("+9.000E-3"), std::string::npos);
    EXPECT_NE(batch.find("MF3D3L3"), std::string::npos);
    EXPECT_NE(batch.find("V3 +5.000E+0S3"), std::string::npos);
    EXPECT_NE(batch.find("N3V3"), std::string::npos);
    EXPECT_NE(batch.find("X2C"), std::string::npos);
    EXPECT_EQ(batch.find("X44"), std::string::npos);
    EXPECT_EQ(batch.substr(batch.size() - 2), "UM");
    EXPECT_EQ(Sim->state().cur().channels[0].mode, 'N');
    EXPECT_EQ(Sim->state().cur().links[1][11], '*');
    EXPECT_TRUE(Errors().isEmpty());
}

TEST_F(ParadigmFilesTest, LoadingWhilePowerIsOffTurnsItOnFirst)
{
    Start();
    const QString fileName = FilePath(QStringLiteral("p.kr9"));
    SaveAs(fileName);
    ClearWire();
    Click(Ui.SwitchPower());
    ASSERT_TRUE(WaitForWire(1));
    ClearWire();
    Load(fileName);
    const std::vector<std::string> wire = Wire();
    ASSERT_GE(wire.size(), 3u);
    EXPECT_EQ(wire[0], "ER");
    EXPECT_EQ(wire[1], "BMF1MF2MF3MF4MF5MF6MF7MF8MF9");
    EXPECT_EQ(wire[2].rfind("BMF1D1", 0), 0u);
    EXPECT_TRUE(Ui.SwitchPower()->isChecked());
    EXPECT_TRUE(Sim->state().outputsOn);
}

// A file that cannot be read is reported and the device's paradigm stays.
TEST_F(ParadigmFilesTest, UnreadableFileLeavesTheDeviceUntouched)
{
    Start();
    sim::SimState state = Sim->state();
    state.cur().channels[0].duration = "+3.000E-3";
    Sim->setState(state);
    const QString plainFile = FilePath(QStringLiteral("plain.txt"));
    WriteAll(plainFile, "x");
    // A named pipe would make a plain open wait for a writer for ever.
    const QString pipe = FilePath(QStringLiteral("pipe.kr9"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString names[] = {FilePath(QStringLiteral("missing.kr9")), FFiles.path(), plainFile + QStringLiteral("/p.kr9"),
                             pipe};
    for (const QString& name : names) {
        Errors().clear();
        ClearWire();
        Load(name);
        ASSERT_EQ(Errors().size(), 1) << name.toStdString();
        EXPECT_TRUE(Errors().first().contains(name)) << Errors().first().toStdString();
        EXPECT_TRUE(Wire().empty());
        EXPECT_EQ(Sim->state().cur().channels[0].duration, "+3.000E-3");
    }
}

// A save that fails halfway reports the system's reason and leaves the old
// file as it was, with nothing left beside it; that holds for the paradigm
// file, the monitor log and the printed PDF alike. The failure is the
// system's own: the file may not grow past 1024 bytes. A good save keeps the
// file's permissions and writes through a symbolic link.
TEST_F(ParadigmFilesTest, FailedSaveReportsTheSystemsReasonAndKeepsTheOldFile)
{
    Start();
    Main->Printer().setOutputFormat(QPrinter::PdfFormat);
    Main->Printer().setOutputFileName(QString());
    TfrmMonitor* monitor = Main->Monitor();
    monitor->show();
    for (int i = 0; i < 40; ++i)
        monitor->AppendEntry(QStringLiteral("\r\n12:00:00:000:.....>0005GP,4R"), true);
    const std::pair<QString, std::function<void()>> saves[] = {
        {QStringLiteral("keep.kr9"), [this] { QTest::keyClick(Main.get(), Qt::Key_S, Qt::ControlModifier); }},
        {QStringLiteral("keep.txt"), [monitor] { monitor->findChild<QAction*>(QStringLiteral("SaveLog"))->trigger(); }},
        {QStringLiteral("keep.pdf"), [this] { QTest::keyClick(Main.get(), Qt::Key_P, Qt::ControlModifier); }},
    };
    for (const auto& [name, save] : saves) {
        SCOPED_TRACE(name.toStdString());
        const QString fileName = FilePath(name);
        WriteAll(fileName, "old content\r\n");
        Errors().clear();
        Dialogs->FileName = fileName;
        {
            TFileSizeLimit limit(1024);
            ASSERT_TRUE(limit.Active);
            save();
        }
        EXPECT_EQ(Errors(), QStringList{QStringLiteral("Cannot write file \"%1\". File too large").arg(fileName)});
        EXPECT_EQ(ReadAll(fileName), "old content\r\n");
        EXPECT_EQ(QDir(FFiles.path()).entryList({name + QStringLiteral("*")}, QDir::Files), QStringList{name});
    }

    const QString fileName = FilePath(QStringLiteral("keep.kr9"));
    QFile::setPermissions(fileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const QFileDevice::Permissions permissions = QFile::permissions(fileName);
    const QString link = FilePath(QStringLiteral("link.kr9"));
    ASSERT_TRUE(QFile::link(fileName, link));
    SaveAs(link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(ReadAll(fileName).startsWith("Paradigm=1\r\n"));
    EXPECT_EQ(QFile::permissions(fileName), permissions);
}

// The error box of a save that fails right after its file dialog belongs to
// the main window, shows the file name as it is, and gives the keyboard back
// to the window, so that F5 works at once.
TEST_F(ParadigmFilesTest, ErrorBoxAfterTheFileDialogGivesTheKeyboardBack)
{
    Start();
    const auto reporter = std::exchange(TKelvorApplication::ErrorReporter, nullptr);
    auto restore = qScopeGuard([&] { TKelvorApplication::ErrorReporter = reporter; });
    Dialogs->OnFileDialog = [] { QApplication::setActiveWindow(nullptr); };
    const QString fileName = FilePath(QStringLiteral("no <b>such</b> folder/p.kr9"));
    QPointer<QWidget> boxParent;
    QString boxText;
    Qt::TextFormat boxFormat = Qt::AutoText;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        boxParent = box->parentWidget();
        boxText = box->text();
        boxFormat = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    closer.start(10);
    SaveAs(fileName);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxText.isEmpty() && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(boxParent, Main.get());
    EXPECT_TRUE(boxText.contains(fileName)) << boxText.toStdString();
    EXPECT_EQ(boxFormat, Qt::PlainText);
    EXPECT_TRUE(QTest::qWaitForWindowActive(Main.get()));
}
