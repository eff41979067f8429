#include "ConsoleFixture.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "CommUnit.h"

QStringList& ConsoleFixture::Errors()
{
    static QStringList errors;
    return errors;
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
    Main->ConfigureLink = [folder, setup](TfrmComm& link) {
        link.Settings().PortFolder = folder;
        link.Settings().SysfsRoot = folder + QStringLiteral("/no-sysfs");
        link.Settings().Arguments = QStringList(setup.arguments);
        link.Settings().OpenPauseMs = 0;
        link.Settings().DialogueTimeoutMs = setup.dialogueTimeoutMs;
    };
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
    if (refreshed.isEmpty())
        ASSERT_TRUE(refreshed.wait(15000));
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
