#pragma once
// Drives the real main window against the simulated stimulator over a
// pseudo-terminal. The operator's answers to questions and file dialogs are
// scripted; error boxes are collected.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <ostream>

#include "MainWindowView.h"
#include "console/Main.h"
#include "console/Widgets.h"
#include "sim/SimServer.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/ValEdit.h"

// Runs the action inside an event, as the operator's click does, so that
// the application's top-level handler shows what it raises.
void InEvent(const std::function<void()>& action);

// A whole file's bytes; empty when it cannot be read.
QByteArray ReadAll(const QString& fileName);
void WriteAll(const QString& fileName, const QByteArray& bytes);

struct TConsoleSetup {
    QStringList arguments = {QStringLiteral("kelvor9")};
    int dialogueTimeoutMs = 3000;
    bool startSimulator = true;
    sim::SimOptions simOptions;

    // A device that hangs up after `commands` commands (the first refresh
    // sends three) and serves a fresh line a moment later.
    static TConsoleSetup HangingUpAfter(int commands);
};

class ConsoleFixture : public ::testing::Test {
public:
    // The messages of the error boxes (ReportedErrors()).
    static QStringList& Errors() { return ReportedErrors(); }

protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the simulator (unless told not to) and shows the main window,
    // waiting until its first refresh has finished.
    void Start(TConsoleSetup setup = {});
    void StartSimulator(sim::SimOptions options);
    // Runs F5 and waits for the refresh to finish.
    void PressF5();
    // Lets what is queued run, such as error boxes waiting for an
    // operation's end.
    void Settle();

    // The widget at a point of the client area (below the menu bar).
    QWidget* WidgetAt(int left, int top) const;
    // The frames the device received since the last ClearWire().
    std::vector<std::string> Wire() const;
    void ClearWire();
    // Waits for the device to have received n frames since the last ClearWire.
    bool WaitForWire(size_t n, int timeoutMs = 3000) const;
    QString PortFolder() const { return FPortFolder.path(); }

    void KeyClicks(QWidget* widget, const QString& keys);
    void Key(QWidget* widget, Qt::Key key);
    void Click(QWidget* widget);

    // The clock of the hold on the operator's input (TInputDeferral): it
    // stands still unless a test moves it, so held input stays fresh however
    // slowly the tests run.
    qint64 HoldClockMs = 0;

    QTemporaryDir FPortFolder;
    QTemporaryDir FFiles;
    std::unique_ptr<sim::SimServer> Sim;
    std::unique_ptr<TfrmMain> Main;
    // The main window's controls, found by their names.
    TMainWindowView Ui {Main};
    std::shared_ptr<TScriptedDialogs> Dialogs;
};
