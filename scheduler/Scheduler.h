#pragma once
// The scheduler window: the running script with its next instruction and
// loop counters, the moment of the next event, a clock, "Stop Scheduler!",
// and an icon in the notification area while a run is active. It owns the
// run engine (RunEngine.h) and starts runs from the script editor. It knows
// no main window: the program ties the main window's "&Scheduler!" and
// status bar to it, and hands it the window it first opens beside.
//
// Shown only while a run is active: SetActive(true) shows the window, the
// icon and the clock; the run's end, for any reason, hides all three. The
// window cannot be closed by its close command and minimises to an ordinary
// minimised window, so Stop stays reachable also where the desktop has no
// notification area (the icon then simply does not appear).
//
// Each run writes its run log (RunLog.h), ending with a line that tells how
// the run ended and a summary of its lateness; the file is closed then.
// Beside the log, with its name, the run's record: the lines that run
// (".ks9") and the device's settings as a paradigm file (".kr9", read by
// TSettingsRecorder). A log or record that cannot be created or written
// never stops the run: the window's log line says so. RunNotice
// tells the main window's status bar about the run: active (and its log),
// halted, ended, or nothing to carry out.
//
// A halted run (an instruction failed) stays in the window with its reason,
// without a marker and with the clock stopped, until the operator stops it.
// While the line to the device is lost the status line and the main window
// say "Connection lost: trying COMn again…"; the loss and the reconnection
// are lines of the run log.
//
// Under the status text, "Running late: 3.2 s" while the last instruction
// carried out started more than a second after its moment; under the list,
// the timeline strip (RunTimeline.h).
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "RunEngine.h"
#include "SettingsRecorder.h"

class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class TfrmScriptEditor;
class TRunTimeline;
class TUserDialogs;

class TfrmScheduler : public QWidget {
    Q_OBJECT
public:
    // target, editor, clock and sound must outlive the window. anchor is the
    // window it opens beside the first time (the main window; may be null).
    TfrmScheduler(TScriptTarget& target, TfrmScriptEditor& editor, QWidget* anchor, const TClock& clock,
                  std::unique_ptr<TCheckTimer> checkTimer, TSoundPlayer& sound);
    ~TfrmScheduler() override;

    // Replaces the questions (tests answer them).
    void SetDialogs(std::shared_ptr<TUserDialogs> dialogs);

    // The main window's "&Scheduler!": the editor, view-only while a run is
    // active; when it ends with "OK", a run of its script starts.
    void Scheduler1Click();
    // Starts a run of the lines the editor checked (asking first when one is
    // active) or stops the run as the operator's stop. A failed start hides
    // the window again and raises.
    void SetActive(bool flag);
    bool Active() const { return FEngine.Active(); }
    // Starts a run of these lines; activationTime as the editor's field.
    void Activate(const TScriptLines& lines, const QString& activationTime);
    // Ends the run, if one is active; how is what its log's end line says.
    void Stop(TRunEnd how);

    const TRunEngine& Engine() const { return FEngine; }
    TRunEngine& Engine() { return FEngine; }
    // The current (or last) run's log file; empty when it has none.
    QString RunLogFile() const { return FLogFileName; }

signals:
    // What the main window's status bar says about the runs.
    void RunNotice(const QString& notice);
    // A record the run's log gets (whether or not the log could be written).
    void InstructionLogged(const TRunRecord& record);
    // A run that started has ended: its log's end line says how, and where
    // its log is (empty when it has none).
    void RunEnded(const QString& outcome, const QString& logFile);
    // The device's settings for the run's record have been read and written,
    // or could not be (the log's line says why).
    void SettingsRecorded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormCreate();
    void BuildTrayIcon();
    void ShowRun();
    void HideRun();
    void RunChanged();
    void ShowHalt();
    void ShowReconnecting();
    void FollowMarker();
    void ShowClock();
    void Open();
    void OpenRunLog();
    void CloseRunLog();
    void LogRecord(const TRunRecord& record);
    void LogNote(const QDateTime& moment, const QString& text);
    void ShowLogFailure();
    void WriteScriptRecord();
    void WriteSettingsRecord(const QString& fileName, const QByteArray& settings);
    void WriteRecordFile(const QString& fileName, const QByteArray& bytes);
    void NoteRecordProblem(const QString& text);
    void ShowLateness();

    TfrmScriptEditor& FEditor;
    QPointer<QWidget> FAnchor;
    const TClock& FClock;
    TRunEngine FEngine;
    std::shared_ptr<TUserDialogs> FDialogs;
    QTimer* FClockTimer = nullptr;
    std::unique_ptr<class TRunLog> FLog;
    TSettingsRecorder FSettingsRecorder;
    QString FLogFileName;
    bool FRunShown = false; // a run started and has not yet ended in the window
    int FMarkedRow = -1;
    QString FActiveNotice; // what the main window says while the run is active
    bool FShownReconnecting = false;

    QLabel* RxClock1 = nullptr;
    QPushButton* btnScheduler = nullptr;
    QLabel* LabelScheduler = nullptr;
    QLabel* LabelLate = nullptr;
    QLabel* LabelRunLog = nullptr;
    QListWidget* ScriptList = nullptr;
    TRunTimeline* RunTimeline = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr;
    std::unique_ptr<QMenu> TrayMenu;
};
