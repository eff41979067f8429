// Fault drills: the main window against a simulated stimulator that hangs up
// in the middle of an operation, garbles its replies or falls silent. In
// each: no crash and no wait beyond the dialogue limit, one clear message
// where the operation shows one (the loss box or the operation's own, never
// two), the model kept where no reply came, files whole, and F5 connecting
// again once the device is back.
#include <QApplication>
#include <QDir>
#include <QFile>

#include <functional>

#include "ConsoleFixture.h"
#include "console/ProgressWindow.h"
#include "link/CommUnit.h"
#include "model/ParadigmFile.h"

class FaultDrillTest : public ConsoleFixture {
protected:
    // Exactly these error boxes and plain messages since the last look.
    void ExpectShown(const QStringList& errors, const QStringList& messages = {})
    {
        Settle();
        EXPECT_EQ(Errors(), errors);
        EXPECT_EQ(Dialogs->Messages, messages);
        EXPECT_EQ(Main->findChild<TfrmProgressBar*>(), nullptr);
        EXPECT_FALSE(Main->Comm()->Busy());
        Errors().clear();
        Dialogs->Messages.clear();
    }

    // The loss box, once; a transfer cut off says in it how far it came.
    void ExpectLostOnce(const QString& account = {})
    {
        ExpectShown({account.isEmpty() ? TfrmComm::LostMessage() : TfrmComm::LostMessage() + QLatin1Char(' ') + account});
        EXPECT_TRUE(Ui.PanelCover()->isVisible());
        EXPECT_EQ(Main->PortText(), QStringLiteral("Connection: Unavilable"));
    }

    // One conversion message for a reply whose length field is not a number.
    void ExpectBadLengthOnce()
    {
        Settle();
        ASSERT_EQ(Errors().size(), 1) << Errors().join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(Errors()[0].startsWith(QStringLiteral("'?"))) << Errors()[0].toStdString();
        EXPECT_TRUE(Errors()[0].endsWith(QStringLiteral("' is not a valid integer value")));
        ExpectShown({Errors()[0]});
    }

    // F5 on the main window. (The offscreen platform leaves no window active
    // once a transfer's progress window has closed; a desktop hands the
    // keyboard back to the main window.)
    void F5()
    {
        Main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Main.get()));
        PressF5();
    }

    void ExpectF5Reconnects()
    {
        ASSERT_TRUE(Sim->waitForLinesServed(2, 5000));
        F5();
        ExpectShown({});
        EXPECT_FALSE(Ui.PanelCover()->isVisible());
        EXPECT_EQ(Main->PortText(), QStringLiteral("Connection:USB"));
    }

    // Changes the device behind the console's back: a refresh that reads it
    // shows pulse count 3 on channel 1, a link from 4 to 5 and store mode M.
    void ChangeDevice()
    {
        sim::SimState state = Sim->state();
        state.cur().channels[0].pulseCount = "+3.000E+0";
        state.cur().links[3][4] = '+';
        state.cur().storeMode = 'M';
        Sim->setState(state);
    }

    QByteArray ModelText() { return ParadigmFile::Text(Main->Paradigm()); }
    QString FilePath(const QString& name) const { return FFiles.filePath(name); }

    // Replies to commands beginning with prefix come broken.
    void Break(const std::string& prefix) { Sim->setFrameFaultPrefixes({prefix}); }

    void TypeDuration(int channel, const QString& mantissa, const QString& exponent)
    {
        Click(Ui.ParameterEdits(channel, 1));
        QTest::keyClicks(QApplication::focusWidget(), mantissa);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClicks(QApplication::focusWidget(), exponent);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    void ChooseMode(int channel, int mode)
    {
        Ui.ModeLists(channel)->setCurrentIndex(mode);
        InEvent([&] { emit Ui.ModeLists(channel)->activated(mode); });
    }
    void ChooseStoreMode(int index)
    {
        Ui.cboStoreMode()->setCurrentIndex(index);
        InEvent([&] { emit Ui.cboStoreMode()->activated(index); });
    }
    void SaveCsv(const QString& fileName)
    {
        Dialogs->FileName = fileName;
        InEvent([&] { Ui.menuSaveCSVFile()->trigger(); });
    }
    void LoadCsv(const QString& fileName)
    {
        Dialogs->FileName = fileName;
        InEvent([&] { Ui.menuLoadCSVFile()->trigger(); });
    }
    void LoadParadigm(const QString& fileName)
    {
        Dialogs->FileName = fileName;
        Dialogs->ConfirmAnswer = true;
        QTest::keyClick(Main.get(), Qt::Key_L, Qt::ControlModifier);
    }
    // A paradigm file of the console's current model with channel 3's
    // duration at 2 ms.
    QString ParadigmFileWithDuration2ms()
    {
        QByteArray text = ModelText();
        const QByteArray from = "Duration3=+1.000E-3";
        EXPECT_TRUE(text.contains(from));
        text.replace(from, "Duration3=+2.000E-3");
        WriteAll(FilePath(QStringLiteral("p.kr9")), text);
        return FilePath(QStringLiteral("p.kr9"));
    }
    QString CsvOf(int points)
    {
        QByteArray bytes;
        for (int i = 0; i < points; ++i)
            bytes += QByteArray::number(i % 10) + "\r\n";
        WriteAll(FilePath(QStringLiteral("in.csv")), bytes);
        return FilePath(QStringLiteral("in.csv"));
    }
    // A folder holding one older CSV file; a save that stops must leave
    // exactly that behind.
    QString OlderCsv()
    {
        QDir(FFiles.path()).mkpath(QStringLiteral("saved"));
        const QString name = FilePath(QStringLiteral("saved/table.csv"));
        WriteAll(name, "old\r\n");
        return name;
    }
    void ExpectOlderCsvKept(const QString& name)
    {
        EXPECT_EQ(ReadAll(name), QByteArray("old\r\n"));
        EXPECT_EQ(QFileInfo(name).dir().entryList(QDir::Files | QDir::Hidden), QStringList{"table.csv"});
    }
    void UseLongTable()
    {
        Main->SelectParadigm(9);
        ASSERT_EQ(Main->Paradigm().Number, 9);
    }
    // The device gives no usable reply (silent, or each frame cut short):
    // every request waits its limit, the model stays, and only the
    // operations that report a missing answer say so, once.
    void DrillNoReplies(const std::function<void(bool)>& fault);
};

// The line goes during the start-up's first refresh, after its first,
// second or third command: the loss box alone, once.
TEST_F(FaultDrillTest, HangUpDuringStartUp)
{
    for (int commands : {1, 2, 3}) {
        SCOPED_TRACE(commands);
        Start(TConsoleSetup::HangingUpAfter(commands));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Errors().isEmpty(); }, 10000));
        ExpectLostOnce();
        TearDown();
    }
}

TEST_F(FaultDrillTest, HangUpInTheMiddleOfARefresh)
{
    Start(TConsoleSetup::HangingUpAfter(4)); // F5's state request is the last one answered
    ChangeDevice();
    F5();
    ExpectLostOnce();
    // The state came before the line went; links and store mode did not.
    EXPECT_EQ(Main->Paradigm().Channel(1).Settings.PulseCount.ToDeviceText(), QStringLiteral("+3.000E+0"));
    EXPECT_EQ(Main->Paradigm().Links[4][5], 0);
    EXPECT_EQ(Main->Paradigm().StoreMode, 'R');

    ExpectF5Reconnects();
    EXPECT_EQ(Main->Paradigm().Links[4][5], 1);
    EXPECT_EQ(Main->Paradigm().StoreMode, 'M');
    EXPECT_EQ(Ui.ParameterEdits(1, 4)->text(), QStringLiteral("3"));
}

// The line goes right after "E": the file's batch goes with it, the model
// keeps what it showed, and the device comes back cleared.
TEST_F(FaultDrillTest, HangUpInAParadigmLoadAfterTheClear)
{
    Start(TConsoleSetup::HangingUpAfter(4));
    const QString file = ParadigmFileWithDuration2ms();
    ChangeDevice();
    const QByteArray before = ModelText();
    ClearWire();
    LoadParadigm(file);
    ExpectLostOnce();
    EXPECT_EQ(Wire(), std::vector<std::string>{"ER"});
    EXPECT_EQ(ModelText(), before);

    ExpectF5Reconnects();
    EXPECT_EQ(Main->Paradigm().Channel(3).Settings.Duration.ToDeviceText(), QStringLiteral("+1.000E-3"));
    EXPECT_EQ(Main->Paradigm().Channel(1).Settings.PulseCount.ToDeviceText(), QStringLiteral("+1.000E+0"));
}

// The line goes right after the batch: the device holds the whole file.
TEST_F(FaultDrillTest, HangUpInAParadigmLoadAfterTheBatch)
{
    Start(TConsoleSetup::HangingUpAfter(5));
    const QString file = ParadigmFileWithDuration2ms();
    const QByteArray before = ModelText();
    LoadParadigm(file);
    ExpectLostOnce();
    EXPECT_EQ(ModelText(), before);

    ExpectF5Reconnects();
    EXPECT_EQ(Main->Paradigm().Channel(3).Settings.Duration.ToDeviceText(), QStringLiteral("+2.000E-3"));
}

// Paradigm 9's long table: the count and sector 1 are written, the line goes
// during sector 2; the loss box, the one message, says the table is half new.
TEST_F(FaultDrillTest, HangUpInAChannel9Load)
{
    // The first refresh, selecting paradigm 9, "K" and sector 1.
    Start(TConsoleSetup::HangingUpAfter(3 + 4 + 2));
    UseLongTable();
    ClearWire();
    LoadCsv(CsvOf(70));
    ExpectLostOnce(QStringLiteral("Loading stopped after 1 of 3 sectors: the Kelvor 9's table is now partly new."));
    EXPECT_EQ(Wire().size(), 2u);
    EXPECT_EQ(Sim->state().longTable.size(), 70u);

    ExpectF5Reconnects();
    EXPECT_EQ(Main->Paradigm().Number, 9);
}

// The line goes during the second sector of a long-table save: the loss box
// says how far it came, the older file of the same name stays as it was, and
// nothing is left beside it.
TEST_F(FaultDrillTest, HangUpInAChannel9Save)
{
    // The first refresh, selecting paradigm 9, "GK" and sector 1.
    Start(TConsoleSetup::HangingUpAfter(3 + 4 + 2));
    UseLongTable();
    const QString saved = OlderCsv();
    SaveCsv(saved);
    ExpectLostOnce(QStringLiteral("Saving stopped after 1 of 4 sectors. No file was written."));
    ExpectOlderCsvKept(saved);

    ExpectF5Reconnects();
    SaveCsv(saved);
    ExpectShown({});
    EXPECT_EQ(ReadAll(saved).count('\n'), 100); // the factory long table
}

// Bytes before the reply frame are skipped on every kind of request.
TEST_F(FaultDrillTest, GarbageBeforeEveryReplyIsSkipped)
{
    Start();
    Sim->setGarbage(true);
    ChangeDevice();
    F5();
    EXPECT_EQ(Main->Paradigm().Channel(1).Settings.PulseCount.ToDeviceText(), QStringLiteral("+3.000E+0"));
    EXPECT_EQ(Main->Paradigm().Links[4][5], 1);
    EXPECT_EQ(Main->Paradigm().StoreMode, 'M');
    TypeDuration(2, QStringLiteral("5"), QStringLiteral("3"));
    EXPECT_EQ(Main->Paradigm().Channel(2).Settings.Duration.ToDeviceText(), QStringLiteral("+5.000E-3"));
    ChooseMode(3, 1);
    EXPECT_EQ(Main->Paradigm().Channel(3).Mode, 1);
    ChooseStoreMode(2);
    EXPECT_EQ(Main->Paradigm().StoreMode, 'S');
    LoadCsv(CsvOf(1000));
    const QString saved = FilePath(QStringLiteral("table.csv"));
    SaveCsv(saved);
    ExpectShown({});
    EXPECT_EQ(ReadAll(saved).count('\n'), 1000);
    EXPECT_EQ(Sim->state().cur().shortTable[999], "+9.000E+0");
}

// A reply whose length field is not a number ends the operation with one
// conversion message, whichever request it answers: what came before it is
// kept and shown, nothing is written, and the next operation works.
TEST_F(FaultDrillTest, BadLengthFieldEndsEachOperationWithOneMessage)
{
    Start();
    ChangeDevice();
    Sim->setBadLength(true);
    const QByteArray before = ModelText();
    Break("GP");
    F5();
    ExpectBadLengthOnce();
    EXPECT_EQ(ModelText(), before);

    Break("GC");
    F5();
    ExpectBadLengthOnce();
    EXPECT_EQ(Main->Paradigm().Channel(1).Settings.PulseCount.ToDeviceText(), QStringLiteral("+3.000E+0"));
    EXPECT_EQ(Ui.ParameterEdits(1, 4)->text(), QStringLiteral("3"));
    EXPECT_EQ(Main->Paradigm().Links[4][5], 0);

    Break("GT");
    F5();
    ExpectBadLengthOnce();
    EXPECT_EQ(Main->Paradigm().Links[4][5], 1);
    EXPECT_EQ(Ui.LinkButtons(4, 5)->Tag, 2);
    EXPECT_EQ(Main->Paradigm().StoreMode, 'R');

    Break("U");
    ChooseStoreMode(2);
    ExpectBadLengthOnce();
    EXPECT_EQ(Main->Paradigm().StoreMode, 'R');

    Break("D");
    TypeDuration(2, QStringLiteral("5"), QStringLiteral("3"));
    ExpectBadLengthOnce();
    EXPECT_EQ(Main->Paradigm().Channel(2).Settings.Duration.ToDeviceText(), QStringLiteral("+1.000E-3"));
    EXPECT_EQ(Ui.ParameterEdits(2, 1)->text(), QStringLiteral("1"));

    Break("M");
    ChooseMode(3, 1);
    ExpectBadLengthOnce();
    EXPECT_EQ(Main->Paradigm().Channel(3).Mode, 0);
    EXPECT_EQ(Ui.ModeLists(3)->currentIndex(), 0);

    Break("GS");
    const QString saved = OlderCsv();
    SaveCsv(saved);
    ExpectBadLengthOnce();
    ExpectOlderCsvKept(saved);

    Break("Q");
    ClearWire();
    LoadCsv(CsvOf(10));
    ExpectBadLengthOnce();
    EXPECT_EQ(Wire().size(), 1u);

    Sim->setBadLength(false);
    F5();
    ExpectShown({});
    EXPECT_EQ(Main->Paradigm().StoreMode, 'S'); // "US" took effect, only its answer broke
}

void FaultDrillTest::DrillNoReplies(const std::function<void(bool)>& fault)
{
    Start();
    ChangeDevice();
    const QString file = ParadigmFileWithDuration2ms();
    const QString saved = OlderCsv();
    const QString csv = CsvOf(10);
    const QByteArray before = ModelText();
    Main->Comm()->Settings().DialogueTimeoutMs = 250;
    fault(true);

    F5();
    TypeDuration(2, QStringLiteral("5"), QStringLiteral("3"));
    EXPECT_EQ(Ui.ParameterEdits(2, 1)->text(), QStringLiteral("1"));
    ChooseMode(3, 1);
    EXPECT_EQ(Ui.ModeLists(3)->currentIndex(), 0);
    ChooseStoreMode(2);
    LoadParadigm(file);
    ExpectShown({});
    EXPECT_EQ(ModelText(), before);
    EXPECT_FALSE(Ui.PanelCover()->isVisible());

    SaveCsv(saved);
    ExpectShown({}, {QStringLiteral("Error result in sector 1.")});
    ExpectOlderCsvKept(saved);
    ClearWire();
    LoadCsv(csv);
    ExpectShown({QStringLiteral("Kelvor 9 device is not responding.")});
    EXPECT_EQ(Wire().size(), 1u);

    fault(false);
    F5();
    ExpectShown({});
    EXPECT_EQ(Main->Paradigm().Channel(3).Settings.Duration.ToDeviceText(), QStringLiteral("+2.000E-3"));
}

TEST_F(FaultDrillTest, SilentDevice)
{
    DrillNoReplies([this](bool on) { Sim->setSilent(on); });
}

// A length field that promises more than the frame carries: the reply never
// completes within the limit, which is the same as no reply.
TEST_F(FaultDrillTest, FramesCutShort)
{
    DrillNoReplies([this](bool on) { Sim->setTruncate(on); });
}
