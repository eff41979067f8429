// The operator's input while the console is busy with the Kelvor 9, on a
// simulator paced like the real line: held and carried out afterwards only
// while fresh (half a second), whole and in order, with the meaning it had
// when it was made; a transfer's progress window that blocks the main
// window; a transfer stopped by an end from outside.
#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <qpa/qwindowsysteminterface.h>

#include <functional>

#include "ConsoleFixture.h"
#include "console/ProgressWindow.h"
#include "link/CommUnit.h"
#include "ui/OutsideEnd.h"

namespace {

TConsoleSetup AtLineSpeed()
{
    TConsoleSetup setup;
    setup.simOptions.baud = 38400;
    return setup;
}

} // namespace

class HeldInputTest : public ConsoleFixture {
protected:
    // Waits for n frames since the last ClearWire while the console serves
    // its events (the replay of held input runs from the event loop).
    bool WaitForFrames(size_t n)
    {
        return QTest::qWaitFor([&] { return Wire().size() >= n; }, 5000);
    }

    // Runs act inside the refresh that F5 starts, while the console is busy.
    void DuringF5(const std::function<void()>& act)
    {
        bool acted = false;
        QTimer::singleShot(0, Main.get(), [&] {
            EXPECT_TRUE(Main->Comm()->Busy());
            act();
            acted = true;
        });
        PressF5();
        ASSERT_TRUE(acted);
    }

    // The centre of a control in its window's coordinates.
    QPoint InWindow(QWidget* control) const { return control->mapTo(Main.get(), control->rect().center()); }

    // A click as the window system delivers it to the main window.
    void ClickOnWindow(QWidget* control)
    {
        QTest::mouseClick(Main->windowHandle(), Qt::LeftButton, Qt::NoModifier, InWindow(control));
    }
    void TypeOnWindow(const QString& keys)
    {
        for (const QChar key : keys)
            QTest::keyClick(Main->windowHandle(), key.toLatin1());
    }
    void KeyOnWindow(Qt::Key key) { QTest::keyClick(Main->windowHandle(), key); }

    // A press or a release queued by the window system, as a real display
    // server delivers them: they wait until the event loop fetches them.
    void QueueMouse(QWidget* control, QEvent::Type type)
    {
        const QPoint at = InWindow(control);
        const bool press = type == QEvent::MouseButtonPress;
        QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
            Main->windowHandle(), QPointF(at), QPointF(Main->mapToGlobal(at)), press ? Qt::LeftButton : Qt::NoButton,
            Qt::LeftButton, type);
    }

    // Lets a replay run, then waits for one more exchange of the console's
    // own ("R"), so that anything the replay sent is on the wire before it.
    void RoundTrip()
    {
        Settle();
        const size_t before = Wire().size();
        InEvent([this] { Ui.btnStore()->click(); });
        ASSERT_TRUE(WaitForFrames(before + 1));
        ASSERT_EQ(Wire().back(), "RR");
    }

    void SetDeviceDuration2(const std::string& value)
    {
        sim::SimState state = Sim->state();
        state.cur().channels[1].duration = value;
        Sim->setState(state);
    }
};

// Input held behind an operation is carried out if the operation ended
// within half a second of it; older input is dropped, with one beep and a
// word in the status bar for all of it.
TEST_F(HeldInputTest, HeldInputIsCarriedOutOnlyWithinHalfASecond)
{
    Start(AtLineSpeed());
    QSignalSpy dropped(Main->Comm(), &TfrmComm::HeldInputDropped);

    ClearWire();
    DuringF5([&] {
        ClickOnWindow(Ui.TriggerButtons(1));
        HoldClockMs += 400;
    });
    ASSERT_TRUE(WaitForFrames(4));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"GP,4R", "GCR", "GTR", "T1"}));
    EXPECT_EQ(dropped.count(), 0);

    ClearWire();
    DuringF5([&] {
        ClickOnWindow(Ui.TriggerButtons(2));
        ClickOnWindow(Ui.TriggerButtons(3));
        HoldClockMs += 600;
    });
    ASSERT_TRUE(dropped.wait(5000));
    RoundTrip();
    EXPECT_EQ(Wire(), (std::vector<std::string>{"GP,4R", "GCR", "GTR", "RR"}));
    EXPECT_EQ(dropped.count(), 1);
    EXPECT_EQ(Main->StatusText(), QStringLiteral("The Kelvor 9 was busy: your input was not carried out."));
}

// While a transfer's progress window shows, the main window takes no input:
// nothing clicked or typed there is carried out, then or later. Escape stops
// the transfer, also where the keyboard stayed with the main window.
TEST_F(HeldInputTest, ProgressWindowBlocksTheMainWindow)
{
    Start(AtLineSpeed());
    Main->SelectParadigm(9);
    QByteArray csv;
    for (int i = 0; i < 320; ++i)
        csv += "0.5\r\n";
    WriteAll(FFiles.filePath(QStringLiteral("in.csv")), csv);
    Dialogs->FileName = FFiles.filePath(QStringLiteral("in.csv"));
    QSignalSpy dropped(Main->Comm(), &TfrmComm::HeldInputDropped);
    ClearWire();

    bool acted = false;
    QTimer::singleShot(0, Main.get(), [&] {
        auto* progress = Main->findChild<TfrmProgressBar*>();
        ASSERT_NE(progress, nullptr);
        EXPECT_TRUE(progress->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), progress);
        ClickOnWindow(Ui.TriggerButtons(1));
        KeyOnWindow(Qt::Key_F5);
        // Without a window manager the keyboard stays with the main window.
        KeyOnWindow(Qt::Key_Escape);
        acted = true;
    });
    InEvent([this] { Ui.menuLoadCSVFile()->trigger(); });
    ASSERT_TRUE(acted);
    EXPECT_EQ(Dialogs->Messages, QStringList{QStringLiteral("Loading stopped by the operator: 1 of 10 sectors were "
                                                            "written to the Kelvor 9.")});
    EXPECT_EQ(Main->findChild<TfrmProgressBar*>(), nullptr);
    RoundTrip();
    const std::vector<std::string> wire = Wire();
    ASSERT_EQ(wire.size(), 3u);
    EXPECT_EQ(wire[0], "K000320R");
    EXPECT_EQ(wire[1].substr(0, 5), "W0001");
    EXPECT_EQ(dropped.count(), 0);
}

// Keys typed while a refresh rewrites the field mean what they would have
// meant without it: a selected field is replaced, a half-typed one goes on.
TEST_F(HeldInputTest, KeysTypedDuringARefreshActOnTheFieldAsTheOperatorLeftIt)
{
    Start(AtLineSpeed());
    TMantisaEdit* duration2 = Ui.ParameterEdits(2, 1);

    Click(duration2); // its text selected
    SetDeviceDuration2("+2.200E-3");
    ClearWire();
    DuringF5([&] {
        TypeOnWindow(QStringLiteral("5"));
        KeyOnWindow(Qt::Key_Return);
        TypeOnWindow(QStringLiteral("6"));
        KeyOnWindow(Qt::Key_Return);
    });
    ASSERT_TRUE(WaitForFrames(4));
    EXPECT_EQ(Wire()[3], "D2+00005E-6R");

    Click(duration2);
    TypeOnWindow(QStringLiteral("5")); // half typed
    SetDeviceDuration2("+3.300E-3");
    ClearWire();
    DuringF5([&] {
        TypeOnWindow(QStringLiteral("0"));
        KeyOnWindow(Qt::Key_Return);
        TypeOnWindow(QStringLiteral("6"));
        KeyOnWindow(Qt::Key_Return);
    });
    ASSERT_TRUE(WaitForFrames(4));
    EXPECT_EQ(Wire()[3], "D2+00050E-6R");
}

// Two clicks on different link cells, their presses and releases spread
// over the exchanges of a refresh, are both carried out, in order.
TEST_F(HeldInputTest, ClicksDuringARefreshAreCarriedOutWholeAndInOrder)
{
    Start(AtLineSpeed());
    QWidget* first = Ui.LinkButtons(3, 7);
    QWidget* second = Ui.LinkButtons(3, 8);
    int ended = 0;
    QObject::connect(Main->Comm(), &TfrmComm::ExchangeEnded, Main.get(), [&] {
        ++ended;
        if (ended == 1) {
            QueueMouse(first, QEvent::MouseButtonRelease);
            QueueMouse(second, QEvent::MouseMove);
            QueueMouse(second, QEvent::MouseButtonPress);
        } else if (ended == 2) {
            QueueMouse(second, QEvent::MouseButtonRelease);
        }
    });
    ClearWire();
    DuringF5([&] {
        QueueMouse(first, QEvent::MouseMove);
        QueueMouse(first, QEvent::MouseButtonPress);
    });
    ASSERT_TRUE(WaitForFrames(7));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"GP,4R", "GCR", "GTR", "X37R", "GCR", "X38R", "GCR"}));
}

// An end asked for from outside (SIGTERM here) stops a transfer between two
// sectors and says on standard error how far it came; no box opens, since
// the console is ending. (An end is asked for once per process: ctest runs
// each test in a process of its own.)
TEST_F(HeldInputTest, AnEndFromOutsideStopsATransferAndTellsHowFarItCame)
{
    Start(AtLineSpeed());
    QByteArray csv;
    for (int i = 0; i < 1000; ++i)
        csv += "0.25\r\n";
    WriteAll(FFiles.filePath(QStringLiteral("in.csv")), csv);
    Dialogs->FileName = FFiles.filePath(QStringLiteral("in.csv"));
    int ended = 0;
    QObject::connect(Main->Comm(), &TfrmComm::ExchangeEnded, Main.get(), [&] {
        if (++ended == 3)
            TOutsideEnd::Instance().Request(QStringLiteral("SIGTERM"));
    });
    ClearWire();
    testing::internal::CaptureStderr();
    InEvent([this] { Ui.menuLoadCSVFile()->trigger(); });
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Wire().size(), 3u);
    EXPECT_NE(errors.find("kelvor9: SIGTERM: Loading stopped after 3 of 32 sectors: the Kelvor 9's table is now "
                          "partly new.\n"),
              std::string::npos)
        << errors;
    Settle();
    EXPECT_TRUE(Dialogs->Messages.isEmpty());
    EXPECT_TRUE(Errors().isEmpty());
}
