// Channel 9's table against the simulated stimulator: CSV loads and saves
// through the menu entries, judged on the wire and in the written files; the
// progress window; Escape stopping a transfer between sectors; the waveform
// window.
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QProgressBar>
#include <QSignalSpy>
#include <QWheelEvent>

#include <QScopeGuard>

#include <cmath>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "ConsoleFixture.h"
#include "console/Channel9Files.h"
#include "console/ProgressWindow.h"
#include "console/WaveformView.h"
#include "console/WaveformWindow.h"
#include "link/CommUnit.h"
#include "tests/model/FileSizeLimit.h"
#include "tests/model/LocaleGuard.h"

namespace {

QByteArray Lines(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

// The frames of the wire that begin with prefix.
std::vector<std::string> FramesOf(const std::vector<std::string>& wire, const std::string& prefix)
{
    std::vector<std::string> frames;
    for (const std::string& frame : wire) {
        if (frame.rfind(prefix, 0) == 0)
            frames.push_back(frame);
    }
    return frames;
}

// The points of a "Q" or "W" frame: after the command and sector, before "R".
std::vector<std::string> PointsOf(const std::string& frame, size_t headLength)
{
    std::vector<std::string> points;
    for (size_t i = headLength; i + 9 + 1 <= frame.size(); i += 9) // the frame ends with "R"
        points.push_back(frame.substr(i, 9));
    return points;
}

// Watches every progress window that opens: what it looked like when shown,
// where its bar went, and a callback at a chosen sector.
class TProgressWatch : public QObject {
public:
    TProgressWatch() { qApp->installEventFilter(this); }
    ~TProgressWatch() override { qApp->removeEventFilter(this); }

    QRect Geometry, ClientArea, BarGeometry;
    Qt::WindowFlags Flags;
    QList<int> Positions;
    int Maximum = 0;
    int AtSector = -1;
    std::function<void()> AtSectorDo;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<TfrmProgressBar*>(watched);
        if (window && event->type() == QEvent::Show) {
            Geometry = window->frameGeometry();
            ClientArea = window->contentsRect();
            Flags = window->windowFlags();
            auto* bar = window->findChild<QProgressBar*>();
            BarGeometry = bar->geometry();
            Maximum = bar->maximum();
            connect(bar, &QProgressBar::valueChanged, this, [this](int value) {
                Positions << value;
                if (value == AtSector && AtSectorDo)
                    AtSectorDo();
            });
        }
        return false;
    }
};

void PostKey(QWidget* receiver, Qt::Key key)
{
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

// Any widget that counts the keys it gets.
class TKeyCounter : public QWidget {
public:
    int Keys = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++Keys; }
};

void Trigger(QAction* action)
{
    InEvent([action] { action->trigger(); });
}

} // namespace

class Channel9FilesTest : public ConsoleFixture {
protected:
    QString FilePath(const QString& name) const { return FFiles.filePath(name); }

    void Load(const QString& fileName)
    {
        Dialogs->FileName = fileName;
        Trigger(Ui.menuLoadCSVFile());
    }
    void Save(const QString& fileName)
    {
        Dialogs->FileName = fileName;
        Trigger(Ui.menuSaveCSVFile());
    }
    void UseLongTable()
    {
        Main->SelectParadigm(9);
        ASSERT_EQ(Main->Paradigm().Number, 9);
        ClearWire();
    }
    QString NumbersFile(const QString& name, int count, const std::function<double(int)>& value)
    {
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines << QString::number(value(i), 'g', 10);
        WriteAll(FilePath(name), Lines(lines));
        return FilePath(name);
    }
};

// An empty file fills the short table with zeros in 32 sectors, a longer one
// gives only its first 1000 lines; the progress window shows over the main
// window and closes when the load ends.
TEST_F(Channel9FilesTest, ShortTableLoadWritesExactly1000Points)
{
    Start();
    TProgressWatch watch;
    WriteAll(FilePath(QStringLiteral("empty.csv")), "");
    ClearWire();
    Load(FilePath(QStringLiteral("empty.csv")));
    EXPECT_EQ(Dialogs->LastOptions.caption, QStringLiteral("Open CSV File"));
    EXPECT_EQ(Dialogs->LastOptions.filter, QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*"));
    EXPECT_TRUE(Dialogs->LastOptions.startPath.isEmpty());
    std::vector<std::string> wire = Wire();
    ASSERT_EQ(wire.size(), 32u);
    for (int s = 1; s <= 32; ++s) {
        const std::string head = QStringLiteral("Q%1").arg(s, 2, 10, QLatin1Char('0')).toStdString();
        ASSERT_EQ(wire[s - 1].substr(0, 3), head);
        const std::vector<std::string> points = PointsOf(wire[s - 1], 3);
        EXPECT_EQ(points, std::vector<std::string>(s < 32 ? 32 : 8, "+0.000E+0")) << head;
    }
    EXPECT_EQ(watch.Maximum, 32);
    EXPECT_EQ(watch.Positions.size(), 32);
    EXPECT_EQ(watch.Positions.last(), 32);
    EXPECT_EQ(watch.ClientArea.size(), QSize(230, 42));
    EXPECT_EQ(watch.BarGeometry, watch.ClientArea);
    EXPECT_EQ(watch.Geometry.size(), QSize(236, 48));
    EXPECT_EQ(watch.Geometry.center(), Main->frameGeometry().center());
    EXPECT_TRUE(watch.Flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(watch.Flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Main->findChild<TfrmProgressBar*>(), nullptr);

    const QString longer = NumbersFile(QStringLiteral("long.csv"), 1500, [](int i) { return (i % 7) - 3; });
    ClearWire();
    Load(longer);
    EXPECT_EQ(Dialogs->LastOptions.startPath, FFiles.path()); // the folder of the file chosen before
    wire = Wire();
    ASSERT_EQ(wire.size(), 32u);
    // Points 993 to 1000 are lines 993 to 1000: (i % 7) - 3 for i = 992 .. 999.
    EXPECT_EQ(wire[31], "Q32+2.000E+0+3.000E+0-3.000E+0-2.000E+0-1.000E+0+0.000E+0+1.000E+0+2.000E+0R");
    EXPECT_TRUE(Errors().isEmpty());
    EXPECT_TRUE(Dialogs->Messages.isEmpty());
}

// A bad line stops the load before anything is sent, naming the line; in a
// comma locale the comma and the full stop both read as decimal points.
TEST_F(Channel9FilesTest, InvalidLineSendsNothingAndCommaLocaleReads)
{
    Start();
    QStringList lines(10, QStringLiteral("1"));
    lines[6] = QStringLiteral("1;2");
    WriteAll(FilePath(QStringLiteral("bad.csv")), Lines(lines));
    ClearWire();
    Load(FilePath(QStringLiteral("bad.csv")));
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("Cannot read data. Line number 7 contain invalid data.")});
    EXPECT_TRUE(Wire().empty());

    LocaleGuard comma(LocaleGuard::German());
    Errors().clear();
    WriteAll(FilePath(QStringLiteral("comma.csv")), "1,5\r\n-2.25\r\n 12,5 \r\n");
    Load(FilePath(QStringLiteral("comma.csv")));
    EXPECT_TRUE(Errors().isEmpty());
    ASSERT_FALSE(Wire().empty());
    EXPECT_EQ(Wire()[0].substr(0, 3 + 4 * 9), "Q01+1.500E+0-2.250E+0+9.990E+0+0.000E+0");
    ClearWire();
    WriteAll(FilePath(QStringLiteral("both.csv")), "1\r\n1.234,5\r\n");
    Load(FilePath(QStringLiteral("both.csv")));
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("Cannot read data. Line number 2 contain invalid data.")});
    EXPECT_TRUE(Wire().empty());
}

// A comma locale reads back the file it wrote (its points carry full stops).
TEST_F(Channel9FilesTest, CommaLocaleLoadsTheFileItSaved)
{
    Start();
    LocaleGuard comma(LocaleGuard::German());
    const QString fileName = FilePath(QStringLiteral("table.csv"));
    Save(fileName);
    EXPECT_EQ(Dialogs->LastOptions.caption, QStringLiteral("Save CSV File"));
    EXPECT_EQ(Dialogs->LastOptions.filter, QStringLiteral("CSV Files (*.csv)|*.csv|All Files|*.*"));
    EXPECT_EQ(Dialogs->LastOptions.defaultSuffix, QStringLiteral("csv"));
    EXPECT_TRUE(Dialogs->LastOptions.confirmOverwrite);
    const QByteArray saved = ReadAll(fileName);
    EXPECT_EQ(saved.count("\r\n"), 1000);
    EXPECT_EQ(saved.count('\n'), 1000);
    ClearWire();
    Load(fileName);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join(QLatin1Char('\n')).toStdString();
    std::vector<std::string> sent;
    for (const std::string& frame : FramesOf(Wire(), "Q")) {
        for (const std::string& point : PointsOf(frame, 3))
            sent.push_back(point);
    }
    const QList<QByteArray> lines = saved.split('\n');
    ASSERT_EQ(sent.size(), 1000u);
    for (size_t i = 0; i < sent.size(); ++i)
        ASSERT_NEAR(QByteArray::fromStdString(sent[i]).toDouble(), lines[i].trimmed().toDouble(), 0.0005 + 1e-9)
            << "point " << i + 1; // sent with three decimals
}

// The long table: a count and as many sectors as the points need; an empty
// file sends nothing.
TEST_F(Channel9FilesTest, LongTableLoadSendsCountThenSectors)
{
    Start();
    UseLongTable();
    Load(NumbersFile(QStringLiteral("seventy.csv"), 70, [](int i) { return i * 0.01; }));
    const std::vector<std::string> wire = Wire();
    ASSERT_EQ(wire.size(), 4u);
    EXPECT_EQ(wire[0], "K000070R");
    EXPECT_EQ(wire[1].substr(0, 5), "W0001");
    EXPECT_EQ(PointsOf(wire[1], 5).size(), 32u);
    EXPECT_EQ(PointsOf(wire[2], 5).size(), 32u);
    EXPECT_EQ(wire[3].substr(0, 5), "W0003");
    EXPECT_EQ(PointsOf(wire[3], 5), (std::vector<std::string>{"+0.640E+0", "+0.650E+0", "+0.660E+0", "+0.670E+0",
                                                              "+0.680E+0", "+0.690E+0"}));
    ClearWire();
    WriteAll(FilePath(QStringLiteral("empty.csv")), "");
    Load(FilePath(QStringLiteral("empty.csv")));
    EXPECT_TRUE(Wire().empty());
    EXPECT_TRUE(Errors().isEmpty());
}

// A refused or unanswered sector stops the load with the device's text; the
// sectors before it stay written.
TEST_F(Channel9FilesTest, LoadStopsAtARefusedOrUnansweredSector)
{
    Start();
    const QString fileName = NumbersFile(QStringLiteral("ramp.csv"), 1000, [](int i) { return i / 100.0 - 5; });
    Sim->setRefuse({{"Q05", "Sector locked"}});
    ClearWire();
    Load(fileName);
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("Error sending data. Sector locked")});
    std::vector<std::string> wire = Wire();
    ASSERT_EQ(wire.size(), 5u);
    EXPECT_EQ(wire[4].substr(0, 3), "Q05");
    EXPECT_EQ(Main->findChild<TfrmProgressBar*>(), nullptr);

    Sim->setRefuse({});
    Main->Comm()->Settings().DialogueTimeoutMs = 200;
    Sim->setSilent(true);
    Errors().clear();
    ClearWire();
    Load(fileName);
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("Kelvor 9 device is not responding.")});
    EXPECT_EQ(Wire().size(), 1u);
}

// The long-table save reads the count, then the sectors; a count of 0 writes
// nothing and says nothing; a silent device is reported, not taken for an
// empty table; a count above 100000 is reported instead of a cut file.
TEST_F(Channel9FilesTest, LongTableSaveFollowsTheDevicesCount)
{
    Start();
    UseLongTable();
    const QString fileName = FilePath(QStringLiteral("long.csv"));
    Load(NumbersFile(QStringLiteral("in.csv"), 65, [](int i) { return -i * 0.125; }));
    ClearWire();
    Save(fileName);
    EXPECT_EQ(Wire(), (std::vector<std::string>{"GKR", "GW0001R", "GW0002R", "GW0003R"}));
    const QList<QByteArray> lines = ReadAll(fileName).split('\n');
    ASSERT_EQ(lines.size(), 66);
    EXPECT_DOUBLE_EQ(lines[64].trimmed().toDouble(), -8.0);

    const QString absent = FilePath(QStringLiteral("absent.csv"));
    Sim->setCannedReplies({{"GK", "OK.000000"}});
    Save(absent);
    Sim->setCannedReplies({{"GK", "OK.100001"}});
    Save(absent);
    EXPECT_EQ(Dialogs->Messages, QStringList{QStringLiteral("The Kelvor 9 reports 100001 points in the channel 9 "
                                                            "table; the console holds at most 100000 points. No file "
                                                            "was written.")});
    Sim->setCannedReplies({{"GK", "ER:busy"}});
    Save(absent);
    EXPECT_EQ(Dialogs->Messages.last(), QStringLiteral("Error result in get sector count command. (Err:ER:busy)"));
    EXPECT_TRUE(Errors().isEmpty());
    Sim->setCannedReplies({});
    Main->Comm()->Settings().DialogueTimeoutMs = 200;
    Sim->setSilent(true);
    Save(absent);
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("Kelvor 9 device is not responding.")});
    EXPECT_FALSE(QFile::exists(absent));
}

// A sector that echoes another number, or delivers too few points before the
// last sector, stops the save and leaves an earlier file as it was; more
// points than the short table holds are cut at 1000, too few in the last
// sector are saved as 0 and reported.
TEST_F(Channel9FilesTest, ShortTableSaveChecksEverySector)
{
    Start();
    const QString fileName = FilePath(QStringLiteral("short.csv"));
    WriteAll(fileName, "old\r\n");
    const QString point = QStringLiteral("+1.000E+0");
    Sim->setCannedReplies({{"GS03", QStringLiteral("OK.04").append(point.repeated(32)).toStdString()}});
    Save(fileName);
    Sim->setCannedReplies({{"GS02", QStringLiteral("OK.02").append(point.repeated(31)).toStdString()}});
    Save(fileName);
    EXPECT_EQ(Dialogs->Messages,
              (QStringList{QStringLiteral("Error result in sector 3."), QStringLiteral("Error result in sector 2.")}));
    EXPECT_EQ(ReadAll(fileName), "old\r\n");
    EXPECT_EQ(QDir(FFiles.path()).entryList(QDir::Files).size(), 1);

    Dialogs->Messages.clear();
    Sim->setCannedReplies({{"GS32", QStringLiteral("OK.32").append(point.repeated(32)).toStdString()}});
    Save(fileName);
    EXPECT_TRUE(Dialogs->Messages.isEmpty());
    QByteArray text = ReadAll(fileName);
    EXPECT_EQ(text.count("\r\n"), 1000);
    EXPECT_TRUE(text.endsWith("+1.000E+0\r\n"));

    Sim->setCannedReplies({{"GS32", QStringLiteral("OK.32").append(point.repeated(3)).toStdString()}});
    Save(fileName);
    EXPECT_EQ(Dialogs->Messages,
              QStringList{QStringLiteral("The Kelvor 9 delivered 995 of 1000 points. The missing points were saved "
                                         "as 0.")});
    text = ReadAll(fileName);
    EXPECT_EQ(text.count("\r\n"), 1000);
    EXPECT_TRUE(text.endsWith("+1.000E+0\r\n" + QByteArray("+0.000E+0\r\n").repeated(5)));
    EXPECT_TRUE(Errors().isEmpty());
}

// 100000 points go in and come back out: each point as the number of its
// amplitude text (clamped to -10 .. +9.99, three decimals).
TEST_F(Channel9FilesTest, LongTableRoundTripOf100000Points)
{
    Start();
    UseLongTable();
    auto value = [](int i) {
        if (i % 1000 == 17)
            return (i / 1000) % 2 ? 12.5 : -12.5;
        return double((i * 7919) % 20001 - 10000) / 1000.0; // -10.000 .. +10.000
    };
    Load(NumbersFile(QStringLiteral("in.csv"), 100000, value));
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join(QLatin1Char('\n')).toStdString();
    const QString fileName = FilePath(QStringLiteral("out.csv"));
    Save(fileName);
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join(QLatin1Char('\n')).toStdString();
    const QList<QByteArray> lines = ReadAll(fileName).split('\n');
    ASSERT_EQ(lines.size(), 100001);
    for (int i = 0; i < 100000; ++i)
        ASSERT_NEAR(lines[i].trimmed().toDouble(), std::clamp(value(i), -10.0, 9.99), 1e-9) << "point " << i + 1;
}

// A save that fails on the file system reports the system's reason, keeps
// the older file, and leaves the waveform window showing the table read
// without "saved to"; the next good save names its file.
TEST_F(Channel9FilesTest, FailedWriteShowsTheTableReadWithoutAFile)
{
    Start();
    UseLongTable();
    Load(NumbersFile(QStringLiteral("in.csv"), 200, [](int i) { return i / 100.0; }));
    Trigger(Ui.Channel9Waveform1());
    auto* window = Main->findChild<TfrmWaveform*>(QStringLiteral("frmWaveform"));
    ASSERT_NE(window, nullptr);
    const QString fileName = FilePath(QStringLiteral("out.csv"));
    WriteAll(fileName, "old\r\n");
    {
        TFileSizeLimit limit(1024);
        ASSERT_TRUE(limit.Active);
        Save(fileName);
    }
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("Cannot write file \"%1\". File too large").arg(fileName)});
    EXPECT_EQ(ReadAll(fileName), "old\r\n");
    EXPECT_EQ(window->Description(), QStringLiteral("Channel 9 long table read from the Kelvor 9: 200 points"));
    EXPECT_EQ(window->View()->PointCount(), 200);

    Errors().clear();
    Save(fileName);
    EXPECT_TRUE(Errors().isEmpty());
    EXPECT_EQ(window->Description(),
              QStringLiteral("Channel 9 long table read from the Kelvor 9: 200 points, saved to ") + fileName);
}

// Only regular files are written: a serial port named through a link or
// directly, a named pipe and a link to nothing are refused before anything
// goes to the device, and none of them is touched.
TEST_F(Channel9FilesTest, SavesGoOnlyToRegularFiles)
{
    Start();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    auto closeMaster = qScopeGuard([master] { ::close(master); });
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const QString port = QString::fromLocal8Bit(::ptsname(master));
    const QString link = FilePath(QStringLiteral("port.csv"));
    const QString pipe = FilePath(QStringLiteral("pipe.csv"));
    const QString dangling = FilePath(QStringLiteral("gone.csv"));
    ASSERT_TRUE(QFile::link(port, link));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(FilePath(QStringLiteral("unplugged/x.csv")), dangling));
    const QString notRegular = QStringLiteral("It is not a regular file.");
    const std::pair<QString, QString> targets[] = {
        {link, notRegular}, {port, notRegular}, {pipe, notRegular},
        {dangling, QStringLiteral("It is a symbolic link to a missing file.")}};
    for (const auto& [target, reason] : targets) {
        SCOPED_TRACE(target.toStdString());
        Errors().clear();
        ClearWire();
        Save(target);
        EXPECT_EQ(Errors(), QStringList{QStringLiteral("Cannot write file \"%1\". %2").arg(target, reason)});
        EXPECT_TRUE(Wire().empty());
    }
    Errors().clear();
    Dialogs->FileName = link;
    QTest::keyClick(Main.get(), Qt::Key_S, Qt::ControlModifier); // a paradigm file
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("Cannot write file \"%1\". %2").arg(link, notRegular)});

    char byte = 0;
    EXPECT_EQ(::read(master, &byte, 1), -1) << "the port got bytes";
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), port);
    struct stat status {};
    EXPECT_TRUE(::stat(QFile::encodeName(pipe).constData(), &status) == 0 && S_ISFIFO(status.st_mode));
    EXPECT_EQ(QDir(FFiles.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{"gone.csv", "pipe.csv", "port.csv"}));
}

// Escape stops a load or a save between two sectors and says how far it
// came; a stopped save writes no file. Other keys stay held until the end.
TEST_F(Channel9FilesTest, EscapeStopsATransferBetweenSectors)
{
    Start();
    UseLongTable();
    TKeyCounter other;
    other.show();
    TProgressWatch watch;
    watch.AtSector = 3;
    watch.AtSectorDo = [&] {
        PostKey(&other, Qt::Key_Space);
        PostKey(Main.get(), Qt::Key_Escape);
    };
    Load(NumbersFile(QStringLiteral("in.csv"), 1000, [](int i) { return std::sin(i / 50.0); }));
    const int keysDuringTransfer = other.Keys;
    const std::vector<std::string> wire = Wire();
    ASSERT_EQ(wire.size(), 4u);
    EXPECT_EQ(wire[0], "K001000R");
    EXPECT_EQ(wire[3].substr(0, 5), "W0003");
    EXPECT_EQ(Dialogs->Messages,
              QStringList{QStringLiteral("Loading stopped by the operator: 3 of 32 sectors were written to the "
                                         "Kelvor 9.")});
    EXPECT_EQ(keysDuringTransfer, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.Keys == 1; }));

    Dialogs->Messages.clear();
    ClearWire();
    const QString fileName = FilePath(QStringLiteral("stopped.csv"));
    Save(fileName);
    EXPECT_EQ(FramesOf(Wire(), "GW").size(), 3u);
    EXPECT_EQ(Dialogs->Messages, QStringList{QStringLiteral("Saving stopped by the operator after 3 of 32 sectors. No "
                                                            "file was written.")});
    EXPECT_FALSE(QFile::exists(fileName));
}

// The waveform window shows the table last written, previews a file with
// the load's reader, and zooms and pans with the mouse.
TEST_F(Channel9FilesTest, WaveformWindowShowsTableAndPreview)
{
    Start();
    Load(NumbersFile(QStringLiteral("ramp.csv"), 600, [](int i) { return i / 50.0 - 6; }));
    Trigger(Ui.Channel9Waveform1());
    auto* window = Main->findChild<TfrmWaveform*>(QStringLiteral("frmWaveform"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    TWaveformView* view = window->View();
    EXPECT_EQ(view->PointCount(), 1000);
    EXPECT_TRUE(window->Description().contains(QStringLiteral("written to the Kelvor 9: 1000 points")));

    const QPointF middle = view->PlotArea().center();
    QWheelEvent wheel(middle, view->mapToGlobal(middle), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &wheel);
    EXPECT_NEAR(view->Span(), 999 * 0.64, 1e-6);
    const double first = view->First();
    QTest::mousePress(view, Qt::LeftButton, {}, middle.toPoint());
    QTest::mouseMove(view, middle.toPoint() + QPoint(100, 0));
    QTest::mouseRelease(view, Qt::LeftButton, {}, middle.toPoint() + QPoint(100, 0));
    EXPECT_LT(view->First(), first);

    WriteAll(FilePath(QStringLiteral("preview.csv")), "1\r\n2,5\r\n");
    Dialogs->FileName = FilePath(QStringLiteral("preview.csv"));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnPreview")), Qt::LeftButton);
    EXPECT_EQ(Errors(), QStringList{QStringLiteral("Cannot read data. Line number 2 contain invalid data.")});
    EXPECT_FALSE(window->Previewing());
    WriteAll(FilePath(QStringLiteral("preview.csv")), Lines(QStringList(1200, QStringLiteral("2.5"))));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnPreview")), Qt::LeftButton);
    EXPECT_TRUE(window->Previewing());
    EXPECT_EQ(view->PointCount(), 1000);
    EXPECT_TRUE(window->Description().contains(QStringLiteral("uses only the first 1000 lines of the file")));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnDeviceTable")), Qt::LeftButton);
    EXPECT_FALSE(window->Previewing());
    EXPECT_TRUE(window->Description().contains(QStringLiteral("written to the Kelvor 9")));
}
