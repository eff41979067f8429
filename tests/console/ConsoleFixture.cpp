#include "ConsoleFixture.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "link/CommUnit.h"

// Runs the action inside an event, as the operator's click does, so that
// the application's top-level handler shows what it raises.
void InEvent(const std::function<void()>& action)
{
    class TRunner : public QObject {
    public:
        explicit TRunner(const std::function<void()>& action) : FAction(action) {}
        bool event(QEvent*) override
        {
            FAction();
            return true;
        }

    private:
        const std::function<void()>& FAction;
    } runner(action);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&runner, &event);
}

QByteArray ReadAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TConsoleSetup TConsoleSetup::HangingUpAfter(int commands)
{
    TConsoleSetup setup;
    setup.simOptions.hangupAfter = commands;
    setup.simOptions.reserveDelayMs = 200;
    return setup;
}

void ConsoleFixture::SetUp()
{
    Errors().clear();
    Dialogs = std::make_shared<TScriptedDialogs>();
}

void ConsoleFixture::TearDown()
{
    Main.reset();
    if (Sim)
        Sim->stop();
    Sim.reset();
}

void ConsoleFixture::StartSimulator(sim::SimOptions options)
{
    options.portDir = FPortFolder.path().toStdString();
    Sim = std::make_unique<sim::SimServer>(options);
    Sim->start();
}

void ConsoleFixture::Start(TConsoleSetup setup)
{
    if (setup.startSimulator)
        StartSimulator(setup.simOptions);
    Main = std::make_unique<TfrmMain>();
    Main->SetDialogs(Dialogs);
    const QString folder = FPortFolder.path();
    Main->SetConfigureLink([this, folder, setup](TfrmComm& link) {
        link.InputDeferral().SetClock([this] { return HoldClockMs; });
        link.Settings().PortFolder = folder;
        link.Settings().SysfsRoot = folder + QStringLiteral("/no-sysfs");
        link.Settings().Arguments = QStringList(setup.arguments);
        link.Settings().OpenPauseMs = 0;
        link.Settings().DialogueTimeoutMs = setup.dialogueTimeoutMs;
    });
    QSignalSpy refreshed(Main.get(), &TfrmMain::RefreshFinished);
    Main->show();
    QApplication::setActiveWindow(Main.get());
    ASSERT_TRUE(refreshed.wait(setup.dialogueTimeoutMs * 4 + 5000));
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main.get()));
}

void ConsoleFixture::PressF5()
{
    QSignalSpy refreshed(Main.get(), &TfrmMain::RefreshFinished);
    QTest::keyClick(Main.get(), Qt::Key_F5);
    if (refreshed.isEmpty()) {
        ASSERT_TRUE(refreshed.wait(15000));
    }
}

void ConsoleFixture::Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QWidget* ConsoleFixture::WidgetAt(int left, int top) const
{
    return Main->centralWidget()->childAt(left, top);
}

std::vector<std::string> ConsoleFixture::Wire() const
{
    return Sim->frames();
}

void ConsoleFixture::ClearWire()
{
    Sim->clearLog();
}

bool ConsoleFixture::WaitForWire(size_t n, int timeoutMs) const
{
    return Sim->waitForFrames(n, timeoutMs);
}

void ConsoleFixture::KeyClicks(QWidget* widget, const QString& keys)
{
    QTest::keyClicks(widget, keys);
}

void ConsoleFixture::Key(QWidget* widget, Qt::Key key)
{
    QTest::keyClick(widget, key);
}

void ConsoleFixture::Click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}
