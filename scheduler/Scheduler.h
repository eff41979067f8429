#pragma once
// The scheduler window: the running script with its next instruction and
// loop counters, the moment of the next event, a clock, "Stop Scheduler!",
// and an icon in the notification area while a run is active. It owns the
// run engine (RunEngine.h) and starts runs from the script editor.
//
// Shown only while a run is active: SetActive(true) shows the window, the
// icon and the clock; the run's end, for any reason, hides all three. The
// window cannot be closed by its close command and minimises to an ordinary
// minimised window, so Stop stays reachable also where the desktop has no
// notification area (the icon then simply does not appear).
//
// Each run writes its run log (RunLog.h). A log that cannot be created or
// written never stops the run: the window's log line says so. When the run
// ends, RunEnded tells where its log is (the window itself goes).
#include <QTimer>
#include <QWidget>

#include <memory>

#include "RunEngine.h"

class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class TfrmScriptEditor;
class TUserDialogs;

class TfrmScheduler : public QWidget {
    Q_OBJECT
public:
    // target, editor, clock and sound must outlive the window.
    TfrmScheduler(TScriptTarget& target, TfrmScriptEditor& editor, const TClock& clock,
                  std::unique_ptr<TCheckTimer> checkTimer, TSoundPlayer& sound);
    ~TfrmScheduler() override;

    // Replaces the questions (tests answer them).
    void SetDialogs(std::shared_ptr<TUserDialogs> dialogs);

    // The main window's "&Scheduler!": the editor, view-only while a run is
    // active; when it ends with "OK", a run of its script starts.
    void Scheduler1Click();
    // Starts a run of the editor's script (asking first when one is active)
    // or stops the run. A failed start hides the window again and raises.
    void SetActive(bool flag);
    bool Active() const { return FEngine.Active(); }

    const TRunEngine& Engine() const { return FEngine; }
    TRunEngine& Engine() { return FEngine; }
    // The current (or last) run's log file; empty when it has none.
    QString RunLogFile() const;

signals:
    // A run has ended; notice says where its log is.
    void RunEnded(const QString& notice);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormCreate();
    void BuildTrayIcon();
    void ShowRun();
    void HideRun();
    void RunChanged();
    void ShowClock();
    void Open();
    void OpenRunLog();
    void LogRecord(const TRunRecord& record);

    TfrmScriptEditor& FEditor;
    const TClock& FClock;
    TRunEngine FEngine;
    std::shared_ptr<TUserDialogs> FDialogs;
    QTimer FClockTimer;
    std::unique_ptr<class TRunLog> FLog;

    QLabel* RxClock1 = nullptr;
    QPushButton* btnScheduler = nullptr;
    QLabel* LabelScheduler = nullptr;
    QLabel* LabelRunLog = nullptr;
    QListWidget* ScriptList = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr;
    std::unique_ptr<QMenu> TrayMenu;
};
