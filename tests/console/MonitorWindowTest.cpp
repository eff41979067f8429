// The monitor window: what it records and when, how entries look, its
// controls, its bounded history and its context menu.
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QScrollBar>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>

#include "ConsoleFixture.h"
#include "console/MonitorWindow.h"
#include "link/CommUnit.h"

namespace {

TTrafficLogView* Log(TfrmMonitor* monitor)
{
    return monitor->findChild<TTrafficLogView*>(QStringLiteral("RichEdit1"));
}

QStringList Entries(TfrmMonitor* monitor)
{
    QStringList lines = monitor->LogText().split(QLatin1Char('\n'));
    lines.removeLast(); // after the last line's LF
    return lines;
}

// The colour a line of the log is drawn in, as seen on the screen: "red",
// "green", both or none, from the pixels of its text.
QString LineColour(TfrmMonitor* monitor, int line)
{
    TTrafficLogView* log = Log(monitor);
    const QImage image = log->viewport()->grab().toImage();
    const int height = log->fontMetrics().lineSpacing();
    const int top = (line - log->verticalScrollBar()->value()) * height;
    bool red = false;
    bool green = false;
    for (int y = qMax(0, top); y < top + height && y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red = red || (c.red() > 150 && c.green() < 90 && c.blue() < 90);
            green = green || (c.green() > 80 && c.red() < 60 && c.blue() < 60);
        }
    }
    return red && green ? QStringLiteral("both") : red ? QStringLiteral("red") : green ? QStringLiteral("green") : QString();
}

} // namespace

class MonitorWindowTest : public ConsoleFixture {
protected:
    TfrmMonitor* OpenMonitor()
    {
        QTest::keyClick(Main.get(), Qt::Key_M, Qt::ControlModifier);
        EXPECT_TRUE(Main->Monitor()->isVisible());
        return Main->Monitor();
    }
};

// Traffic passes while the window is hidden (the first refresh) and is not
// shown; once open, each entry is a line of its own: a time stamp, five dots
// and the bytes, in the colour of its direction. "Clear" empties the log;
// the line-error entry is red.
TEST_F(MonitorWindowTest, RecordsTrafficOnlyWhileOpenInTheColourOfItsDirection)
{
    Start();
    TfrmMonitor* monitor = OpenMonitor();
    EXPECT_EQ(monitor->EntryCount(), 0);

    PressF5();
    const QStringList entries = Entries(monitor);
    ASSERT_GE(entries.size(), 4);
    const QRegularExpression stamp(QStringLiteral("^\\d\\d:[0-5]\\d:[0-5]\\d:\\d\\d\\d:\\.\\.\\.\\.\\."));
    for (const QString& entry : entries)
        EXPECT_TRUE(stamp.match(entry).hasMatch()) << entry.toStdString();
    EXPECT_EQ(entries[0].mid(18), QStringLiteral("="));
    EXPECT_EQ(entries[1].mid(18), QStringLiteral(">0005GP,4R"));
    EXPECT_EQ(LineColour(monitor, 0), QStringLiteral("red"));
    EXPECT_EQ(LineColour(monitor, 1), QStringLiteral("red"));
    const int reply = int(entries.indexOf(QRegularExpression(QStringLiteral(".*:\\.\\.\\.\\.\\.<$"))));
    ASSERT_GT(reply, 1);
    EXPECT_EQ(LineColour(monitor, reply), QStringLiteral("green"));

    QTest::mouseClick(monitor->findChild<QPushButton*>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
    EXPECT_EQ(monitor->EntryCount(), 0);
    EXPECT_EQ(LineColour(monitor, 0), QString());
    Main->Comm()->Comm32Error(7);
    const QStringList afterClear = Entries(monitor);
    ASSERT_EQ(afterClear.size(), 1);
    EXPECT_TRUE(stamp.match(afterClear[0]).hasMatch());
    EXPECT_EQ(afterClear[0].mid(18), QStringLiteral("Comm32 Errors: Errors Number=7"));
    EXPECT_EQ(LineColour(monitor, 0), QStringLiteral("red"));

    monitor->close();
    Main->Comm()->Comm32Error(8);
    monitor->Flush();
    EXPECT_EQ(monitor->EntryCount(), 1);
}

// At line speed a reply trickles in byte by byte; the log still gives it
// three entries, as the dialogue reads it: "<", the four length digits, and
// the whole payload. The device's "=" before it is an entry of its own.
TEST_F(MonitorWindowTest, RepliesAreThreeEntriesAtLineSpeed)
{
    TConsoleSetup setup;
    setup.simOptions.baud = 38400;
    Start(setup);
    Main->SelectParadigm(9);
    TfrmMonitor* monitor = OpenMonitor();
    QStringList lines;
    for (int i = 0; i < 70; ++i)
        lines << QString::number(i / 8.0);
    WriteAll(FFiles.filePath(QStringLiteral("in.csv")), lines.join(QStringLiteral("\r\n")).toLatin1());
    Dialogs->FileName = FFiles.filePath(QStringLiteral("in.csv"));
    InEvent([this] { Ui.menuLoadCSVFile()->trigger(); });
    Dialogs->FileName = FFiles.filePath(QStringLiteral("out.csv"));
    InEvent([this] { Ui.menuSaveCSVFile()->trigger(); });
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(ReadAll(Dialogs->FileName).count("\r\n"), 70);

    // Sent entries are "=" and command frames; the device's "=" is skipped too.
    QStringList received;
    for (const QString& entry : Entries(monitor)) {
        const QString text = entry.mid(18);
        if (text != QStringLiteral("=") && !text.startsWith(QLatin1Char('>')))
            received << text;
    }
    // K, three W, GK, three GW: eight replies, the longest over 300 bytes.
    int replies = 0;
    for (int i = 0; i < received.size(); ++i) {
        ASSERT_EQ(received[i], QStringLiteral("<")) << "entry " << i;
        ASSERT_LT(i + 2, received.size());
        const int length = received[i + 1].toInt();
        EXPECT_EQ(received[i + 1].size(), 4);
        EXPECT_EQ(received[i + 2].size(), length) << received[i + 2].toStdString();
        EXPECT_TRUE(received[i + 2].startsWith(QStringLiteral("OK.")));
        ++replies;
        i += 2;
    }
    EXPECT_EQ(replies, 8);
}

// The window as laid out: caption, size, legend; the log grows with the
// window on all four sides; "Stay On Top" starts unchecked and sets the
// window's stay-on-top style; the place and size are kept between runs.
TEST_F(MonitorWindowTest, LayoutStayOnTopAndPlaceKept)
{
    TConsoleSetup setup;
    setup.startSimulator = false;
    QSettings().remove(QStringLiteral("Monitor"));
    Start(setup);
    TfrmMonitor* monitor = OpenMonitor();
    EXPECT_EQ(monitor->windowTitle(), QStringLiteral("Kelvor9 Monitor"));
    EXPECT_EQ(monitor->size(), QSize(519, 425));
    QStringList legend;
    for (const char* name : {"Label4", "Label7", "Label5", "Label6", "Label8"})
        legend << monitor->findChild<QLabel*>(QLatin1String(name))->text();
    EXPECT_EQ(legend, (QStringList{"Monitor", "[", "Send", "Receive", "]"}));
    EXPECT_EQ(monitor->findChild<QLabel*>(QStringLiteral("Label5"))->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(monitor->findChild<QLabel*>(QStringLiteral("Label6"))->palette().color(QPalette::WindowText), QColor(0, 128, 0));

    const QRect before = Log(monitor)->geometry();
    monitor->resize(700, 600);
    EXPECT_EQ(Log(monitor)->geometry(), before.adjusted(0, 0, 700 - 519, 600 - 425));

    auto* stayOnTop = monitor->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    EXPECT_FALSE(stayOnTop->isChecked());
    stayOnTop->click();
    EXPECT_TRUE(monitor->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(monitor->isVisible());
    stayOnTop->click();
    EXPECT_FALSE(monitor->windowFlags() & Qt::WindowStaysOnTopHint);

    // The main window kept the keyboard; a click on the monitor gives it the
    // keyboard, a click on the main window takes it back.
    EXPECT_EQ(QApplication::activeWindow(), Main.get());
    QTest::mouseClick(Log(monitor), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitForWindowActive(monitor));
    QTest::mouseClick(Ui.PanelParameters(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_TRUE(QTest::qWaitForWindowActive(Main.get()));

    monitor->move(120, 90);
    Main->close();
    EXPECT_FALSE(monitor->isVisible()); // the program ends with the main window
    Main.reset();
    Start(setup);
    EXPECT_EQ(Main->Monitor()->pos(), QPoint(120, 90));
    EXPECT_EQ(Main->Monitor()->size(), QSize(700, 600));
    QSettings().remove(QStringLiteral("Monitor"));
}

// Entries arrive inside the serial hand-over: they are only queued there
// and handed to the log together by the timer. The log keeps the newest
// HistoryLimit entries and shows the bytes as plain text, control
// characters as their pictures, so that every entry keeps to its line.
TEST(MonitorWindowAlone, PaintsInBatchesAsPlainTextAndKeepsTheNewestEntries)
{
    TScriptedDialogs dialogs;
    TfrmMonitor monitor([&dialogs]() -> TUserDialogs& { return dialogs; });
    monitor.show();
    QSignalSpy painted(&monitor, &TfrmMonitor::LogPainted);
    const int total = TfrmMonitor::HistoryLimit + 10;
    for (int i = 0; i < total; ++i)
        monitor.AppendEntry(QStringLiteral("\r\n12:00:00:000:.....%1").arg(i), i % 2 == 0);
    EXPECT_EQ(monitor.EntryCount(), 0);
    ASSERT_TRUE(painted.wait(5000));
    EXPECT_EQ(painted.count(), 1);
    EXPECT_EQ(monitor.EntryCount(), TfrmMonitor::HistoryLimit);
    const QStringList entries = Entries(&monitor);
    EXPECT_EQ(entries.constFirst(), QStringLiteral("12:00:00:000:.....10"));
    EXPECT_EQ(entries.constLast(), QStringLiteral("12:00:00:000:.....%1").arg(total - 1));
    EXPECT_EQ(LineColour(&monitor, TfrmMonitor::HistoryLimit - 1), QStringLiteral("green"));

    monitor.findChild<QPushButton*>(QStringLiteral("SpeedButton1"))->click();
    monitor.AppendEntry(QStringLiteral("\r\n12:00:00:000:.....<b>OK.</b>\r\n\x7f"), false);
    EXPECT_EQ(monitor.LogText(), QStringLiteral("12:00:00:000:.....<b>OK.</b>\u240d\u240a\u2421\n"));
}

// The context menu saves the log as it is shown, in UTF-8, one entry a line
// (a device text holding CR LF among them), and copies it whole.
TEST(MonitorWindowAlone, ContextMenuSavesAndCopiesTheWholeLog)
{
    TScriptedDialogs dialogs;
    TfrmMonitor monitor([&dialogs]() -> TUserDialogs& { return dialogs; });
    monitor.show();
    monitor.AppendEntry(QStringLiteral("\r\n12:00:00:000:.....=\u00e9"), true);
    monitor.AppendEntry(QStringLiteral("\r\n12:00:00:001:.....<0004OK.M"), false);
    monitor.AppendEntry(QStringLiteral("\r\n12:00:00:001:.....ERR\r\nbusy\t\x7f"), false);
    const QString expected = QStringLiteral("12:00:00:000:.....=\u00e9\n12:00:00:001:.....<0004OK.M\n"
                                            "12:00:00:001:.....ERR\u240d\u240abusy\u2409\u2421\n");

    QTemporaryDir folder;
    dialogs.FileName = folder.filePath(QStringLiteral("traffic.txt"));
    monitor.findChild<QAction*>(QStringLiteral("SaveLog"))->trigger();
    EXPECT_EQ(dialogs.LastOptions.defaultSuffix, QStringLiteral("txt"));
    QFile saved(dialogs.FileName);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_EQ(bytes, expected.toUtf8());
    EXPECT_EQ(bytes.count('\n'), 3);
    EXPECT_FALSE(bytes.contains('\r'));

    monitor.findChild<QAction*>(QStringLiteral("CopyAll"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);

    // Whole lines are selected with the mouse and copied with Ctrl+C.
    monitor.AppendEntry(QStringLiteral("\r\n12:00:00:002:.....="), true);
    monitor.Flush();
    TTrafficLogView* log = Log(&monitor);
    const int height = log->fontMetrics().lineSpacing();
    QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, QPoint(20, height + height / 2));
    QTest::mouseClick(log->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 2 * height + 1));
    QTest::keyClick(log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("12:00:00:001:.....<0004OK.M\n12:00:00:001:.....ERR\u240d\u240abusy\u2409\u2421\n"));
}
