#pragma once
// The scheduler window on the real main window against the simulated
// stimulator, on a fake clock: runs are started from "&Scheduler!" through
// the script editor, as the operator starts them.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include "EngineFixture.h"
#include "app/ConsoleEnd.h"
#include "app/SchedulerWiring.h"
#include "editor/ScriptEditor.h"
#include "scheduler/Scheduler.h"
#include "scheduler/ScriptListView.h"

class SchedulerFixture : public EngineFixture {
protected:
    void StartWindows(TConsoleSetup setup = {})
    {
        Start(setup);
        Target = std::make_unique<TMainWindowTarget>(*Main);
        Editor = std::make_unique<TfrmScriptEditor>(Main.get());
        Editor->SetDialogs(Dialogs);
        auto timer = std::make_unique<TFakeCheckTimer>();
        Timer = timer.get();
        Scheduler = std::make_unique<TfrmScheduler>(*Target, *Editor, Main.get(), Clock, std::move(timer), Sound);
        Scheduler->SetDialogs(Dialogs);
        AttachScheduler(*Main, *Scheduler);
        End = std::make_unique<TConsoleEnd>(*Main, *Scheduler);
    }

    void TearDown() override
    {
        End.reset();
        Scheduler.reset();
        Editor.reset();
        EngineFixture::TearDown();
    }

    // Chooses "&Scheduler!" and, once the editor is up, does what inEditor says.
    void ChooseScheduler(const std::function<void()>& inEditor)
    {
        bool done = false;
        QTimer::singleShot(0, Editor.get(), [&] {
            EXPECT_TRUE(Editor->isVisible());
            inEditor();
            done = true;
        });
        Ui.Scheduler1()->trigger();
        EXPECT_TRUE(done);
    }

    // The commands of the refresh that reads the device's settings for a
    // run's record, right after its activation.
    static constexpr int RecordCommands = 3;

    // Writes the script and activates it from the menu through the editor.
    // A run that starts reads the device's settings for its record first (the
    // fake clock leaves time for it): that is waited for, and its frames are
    // cleared from the wire, so that tests see what the instructions send.
    void Activate(const QByteArray& script)
    {
        const QString name = FFiles.filePath(QStringLiteral("run.ks9"));
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(script);
        file.close();
        Editor->SetFileName(name);
        QSignalSpy recorded(Scheduler.get(), &TfrmScheduler::SettingsRecorded);
        ChooseScheduler([&] { QTest::mouseClick(InEditor<QPushButton>("btnOK"), Qt::LeftButton); });
        if (Run().Active() && !Scheduler->RunLogFile().isEmpty()) {
            ASSERT_TRUE(recorded.count() > 0 || recorded.wait(10'000));
            ClearWire();
        }
    }

    QStringList LogLines()
    {
        QFile log(Scheduler->RunLogFile());
        EXPECT_TRUE(log.open(QIODevice::ReadOnly)) << Scheduler->RunLogFile().toStdString();
        QStringList lines = QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.takeLast(), QString()); // every line ends with CR LF
        return lines;
    }

    // Runs the application's event loop, as the program does, until the
    // console ends it (0), or gives up after 30 s (1: something kept the
    // program alive).
    static int RunProgramLoop()
    {
        QTimer stuck;
        stuck.callOnTimeout([] { QCoreApplication::exit(1); });
        stuck.start(30'000);
        const int status = QApplication::exec();
        // The last window's close has posted one more quit: the loops of the
        // tests that follow in this process must not meet it.
        QCoreApplication::removePostedEvents(qApp, QEvent::Quit);
        return status;
    }

    // A moment of the log: ISO 8601 with milliseconds and the offset from UTC.
    static QDateTime LogMoment(const QString& field)
    {
        static const QRegularExpression form(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"));
        EXPECT_TRUE(form.match(field).hasMatch()) << field.toStdString();
        return QDateTime::fromString(field, Qt::ISODateWithMs);
    }

    template <class T>
    T* InEditor(const char* name) { return Editor->findChild<T*>(QString::fromLatin1(name)); }
    template <class T>
    T* InScheduler(const char* name) { return Scheduler->findChild<T*>(QString::fromLatin1(name)); }

    const TRunEngine& Run() const { return Scheduler->Engine(); }
    QString Counter(int row) const { return ScriptRow(Run(), row).Counter; }

    QAction* TrayAction(const QString& text)
    {
        for (QAction* action : InScheduler<QSystemTrayIcon>("TrayIcon")->contextMenu()->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    // The colour in the middle of the next row's triangle, as drawn.
    QColor MarkerColour()
    {
        auto* list = InScheduler<QListWidget>("ScriptList");
        const QRect row = list->visualItemRect(list->item(Run().NextIndex()));
        return list->viewport()->grab().toImage().pixelColor(row.left() + 5, row.top() + 5);
    }

    std::unique_ptr<TfrmScriptEditor> Editor;
    std::unique_ptr<TfrmScheduler> Scheduler;
    std::unique_ptr<TConsoleEnd> End;
};
