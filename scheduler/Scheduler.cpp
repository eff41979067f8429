#include "Scheduler.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "RunLog.h"
#include "RunTimeline.h"
#include "SchedulerMetrics.h"
#include "ScriptListView.h"
#include "editor/ScriptEditor.h"
#include "model/FileWriter.h"
#include "script/ScriptFile.h"
#include "ui/KelvorApplication.h"
#include "ui/Pictures.h"
#include "ui/SettingsKeys.h"
#include "ui/UserDialogs.h"
#include "ui/WindowPlacement.h"

using namespace SchedulerMetrics;

namespace {

const QString StopCaption = QStringLiteral("Stop Scheduler!");

} // namespace

TfrmScheduler::TfrmScheduler(TScriptTarget& target, TfrmScriptEditor& editor, QWidget* anchor, const TClock& clock,
                             std::unique_ptr<TCheckTimer> checkTimer, TSoundPlayer& sound)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint)
    , FEditor(editor)
    , FAnchor(anchor)
    , FClock(clock)
    , FEngine(target, clock, std::move(checkTimer), sound)
    , FDialogs(std::make_shared<TUserDialogs>())
    , FSettingsRecorder(target, clock)
{
    FormCreate();
    BuildTrayIcon();
    FEngine.OnChanged = [this] { RunChanged(); };
    FEngine.OnStopped = [this] { HideRun(); };
    FEngine.OnCarried = [this](const TRunRecord& record) { LogRecord(record); };
    FEngine.OnNote = [this](const QDateTime& moment, const QString& text) { LogNote(moment, text); };
    FSettingsRecorder.OnFailed = [this](const QString& message) {
        NoteRecordProblem(QStringLiteral("No settings in the run record: ") + message);
        emit SettingsRecorded();
    };
    // Shown once the instruction's operation has unwound; the box itself
    // waits until the console is no longer busy.
    FEngine.OnFailed = [this](const QString& message) {
        QTimer::singleShot(0, this, [message] { TKelvorApplication::ReportError(message); });
    };
    FClockTimer = new QTimer(this);
    FClockTimer->setObjectName(QStringLiteral("ClockTimer"));
    FClockTimer->setInterval(ClockUpdateMs);
    connect(FClockTimer, &QTimer::timeout, this, &TfrmScheduler::ShowClock);
}

TfrmScheduler::~TfrmScheduler()
{
    FEngine.OnStopped = nullptr;
    FEngine.OnChanged = nullptr;
    FEngine.OnCarried = nullptr;
    FEngine.OnNote = nullptr;
}

void TfrmScheduler::SetDialogs(std::shared_ptr<TUserDialogs> dialogs)
{
    FDialogs = std::move(dialogs);
}

void TfrmScheduler::FormCreate()
{
    setObjectName(QStringLiteral("frmScheduler"));
    setWindowTitle(QStringLiteral("Scheduler"));
    setWindowIcon(Pictures::ProgramIcon());
    // The main window's end is the program's end, whatever this one shows.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(WindowWidth, WindowHeight);
    const QSettings settings;
    if (settings.contains(SettingsKeys::SchedulerPosition))
        move(settings.value(SettingsKeys::SchedulerPosition).toPoint());

    RxClock1 = new QLabel(this);
    RxClock1->setObjectName(QStringLiteral("RxClock1"));
    QFont digits = RxClock1->font();
    digits.setPointSize(digits.pointSize() * 2);
    digits.setBold(true);
    RxClock1->setFont(digits);
    btnScheduler = new QPushButton(StopCaption, this);
    btnScheduler->setObjectName(QStringLiteral("btnScheduler"));
    btnScheduler->setStyleSheet(QStringLiteral("color: blue"));
    connect(btnScheduler, &QPushButton::clicked, this, Command([this] { SetActive(false); }));
    LabelScheduler = new QLabel(this);
    LabelScheduler->setObjectName(QStringLiteral("LabelScheduler"));
    LabelLate = new QLabel(this);
    LabelLate->setObjectName(QStringLiteral("LabelLate"));
    LabelLate->setStyleSheet(QStringLiteral("color: red"));
    LabelLate->hide();
    LabelRunLog = new QLabel(this);
    LabelRunLog->setObjectName(QStringLiteral("LabelRunLog"));
    LabelRunLog->setTextFormat(Qt::PlainText);
    LabelRunLog->setWordWrap(true);
    LabelRunLog->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ScriptList = new QListWidget(this);
    ScriptList->setObjectName(QStringLiteral("ScriptList"));
    ScriptList->setItemDelegate(new TScriptRowDelegate(FEngine, ScriptList));
    ScriptList->setUniformItemSizes(true);
    ScriptList->setSelectionMode(QAbstractItemView::NoSelection);
    ScriptList->setFocusPolicy(Qt::NoFocus);
    QPalette tooltip = ScriptList->palette();
    tooltip.setColor(QPalette::Base, tooltip.color(QPalette::ToolTipBase));
    ScriptList->setPalette(tooltip);
    RunTimeline = new TRunTimeline(FEngine, FClock, this);

    auto* top = new QHBoxLayout;
    top->addWidget(RxClock1);
    top->addStretch(1);
    top->addWidget(btnScheduler);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(LabelScheduler);
    layout->addWidget(LabelLate);
    layout->addWidget(ScriptList, 1);
    layout->addWidget(RunTimeline);
    layout->addWidget(LabelRunLog);
}

void TfrmScheduler::BuildTrayIcon()
{
    TrayIcon = new QSystemTrayIcon(Pictures::ProgramIcon(), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(QStringLiteral("Kelvor8 Scheduler"));
    TrayMenu = std::make_unique<QMenu>();
    TrayMenu->setObjectName(QStringLiteral("TrayMenu"));
    QAction* open = TrayMenu->addAction(QStringLiteral("Open"), this, &TfrmScheduler::Open);
    TrayMenu->setDefaultAction(open);
    TrayMenu->addAction(StopCaption, this, [this] { SetActive(false); });
    TrayIcon->setContextMenu(TrayMenu.get());
    connect(TrayIcon, &QSystemTrayIcon::activated, this, Command([this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            Open();
    }));
}

void TfrmScheduler::Scheduler1Click()
{
    FEditor.SetReadOnly(Active());
    // The running lines, whatever the file holds by now.
    if (Active())
        FEditor.ShowRunningScript(FEngine.Lines());
    const int result = FEditor.exec();
    ReturnFocusTo(FEditor.parentWidget());
    if (result == QDialog::Accepted)
        SetActive(true);
}

void TfrmScheduler::SetActive(bool flag)
{
    if (flag == Active()) {
        if (!flag)
            return;
        if (FDialogs->Ask(this,
                          QStringLiteral("The Scheduler is already active. Do you want to reset and \r\ninitialize it again?"),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning)
            != QMessageBox::Yes)
            return;
    }
    if (!flag) {
        Stop(TRunEnd::ByOperator);
        return;
    }
    Activate(FEditor.Lines(), FEditor.ActivationTime());
}

void TfrmScheduler::Activate(const TScriptLines& lines, const QString& activationTime)
{
    Stop(TRunEnd::ByOperator);
    ShowRun();
    try {
        FEngine.Start(lines, activationTime);
    } catch (...) {
        HideRun();
        throw;
    }
    // A script of jumps alone ends as it starts: no run, and no log.
    if (!FEngine.Active()) {
        emit RunNotice(QStringLiteral("The script has nothing to carry out."));
        return;
    }
    // Its first instruction is at least a second away.
    OpenRunLog();
    RunTimeline->Begin(FEngine.StartTime().toMSecsSinceEpoch());
}

void TfrmScheduler::Stop(TRunEnd how)
{
    FEngine.Stop(how);
}

void TfrmScheduler::OpenRunLog()
{
    FRunShown = true;
    try {
        FLog = TRunLog::Create(TRunLog::DefaultFolder(), FClock.Now());
        FLogFileName = FLog->FileName();
        LabelRunLog->setText(QStringLiteral("Run log: ") + FLogFileName);
        FActiveNotice = QStringLiteral("A scheduled run is active. Its log: ") + FLogFileName;
        WriteScriptRecord();
    } catch (const EKelvorError& error) {
        LabelRunLog->setText(QStringLiteral("No run log: ") + error.Message() + QStringLiteral(" The run goes on."));
        FActiveNotice = QStringLiteral("A scheduled run is active. ") + LabelRunLog->text();
    }
    emit RunNotice(FActiveNotice);
}

// The end line and the summary, and the file is closed: nothing of this run
// comes later.
void TfrmScheduler::CloseRunLog()
{
    if (FLog && !(FLog->AppendEnd(FEngine.Ending()) && FLog->AppendSummary(FEngine.Lateness())))
        LabelRunLog->setText(QStringLiteral("The run log \"%1\" cannot be written: %2.")
                                 .arg(FLog->FileName(), FLog->ErrorString()));
    FLog.reset();
}

void TfrmScheduler::LogRecord(const TRunRecord& record)
{
    if (FLog && !FLog->Append(record))
        ShowLogFailure();
    emit InstructionLogged(record);
    RunTimeline->Carried(record);
    if (!FEngine.Halted())
        FSettingsRecorder.InstructionCarried();
}

void TfrmScheduler::LogNote(const QDateTime& moment, const QString& text)
{
    if (FLog && !FLog->AppendNote(moment, text))
        ShowLogFailure();
}

void TfrmScheduler::ShowLogFailure()
{
    LabelRunLog->setText(QStringLiteral("The run log \"%1\" cannot be written: %2. The run goes on.")
                             .arg(FLog->FileName(), FLog->ErrorString()));
}

// The lines that run, as a script file beside the log; then the device's
// settings, read before the first instruction or right after it.
void TfrmScheduler::WriteScriptRecord()
{
    const QString scriptFile = RunLogFormat::RecordFileName(FLogFileName, QStringLiteral(".ks9"));
    WriteRecordFile(scriptFile, ScriptFile::Bytes(FEngine.Lines()));
    const QString settingsFile = RunLogFormat::RecordFileName(FLogFileName, QStringLiteral(".kr9"));
    FSettingsRecorder.OnRead = [this, settingsFile](const QByteArray& settings) {
        WriteSettingsRecord(settingsFile, settings);
    };
    FSettingsRecorder.Begin(FEngine.NextEventMs());
}

void TfrmScheduler::WriteSettingsRecord(const QString& fileName, const QByteArray& settings)
{
    WriteRecordFile(fileName, settings);
    emit SettingsRecorded();
}

// A record file that cannot be written is noted; the run goes on.
void TfrmScheduler::WriteRecordFile(const QString& fileName, const QByteArray& bytes)
{
    try {
        FileWriter::WriteAtomically(fileName, bytes);
    } catch (const EKelvorError& error) {
        NoteRecordProblem(error.Message());
    }
}

// Under the log's line; the run goes on.
void TfrmScheduler::NoteRecordProblem(const QString& text)
{
    LabelRunLog->setText(LabelRunLog->text() + QLatin1Char('\n') + text);
}

void TfrmScheduler::ShowRun()
{
    FLog.reset();
    FLogFileName.clear();
    FActiveNotice.clear();
    FShownReconnecting = false;
    FMarkedRow = -1;
    ScriptList->clear();
    LabelScheduler->clear();
    LabelLate->hide();
    LabelRunLog->clear();
    ShowClock();
    FClockTimer->start();
    TrayIcon->show();
    WindowPlacement::ShowBeside(this, FAnchor, QSettings().contains(SettingsKeys::SchedulerPosition));
}

// Also when the run ends by itself: the window, the icon and the clock go.
void TfrmScheduler::HideRun()
{
    FSettingsRecorder.End();
    RunTimeline->End();
    FClockTimer->stop();
    TrayIcon->hide();
    hide();
    if (!FRunShown)
        return; // a start that failed or found nothing to carry out
    FRunShown = false;
    CloseRunLog();
    const QString notice = FLogFileName.isEmpty()
        ? QStringLiteral("The scheduled run has ended.")
        : QStringLiteral("The scheduled run has ended. Its log: ") + FLogFileName;
    LabelRunLog->setText(notice);
    emit RunNotice(notice);
    emit RunEnded(FEngine.Ending().Outcome, FLogFileName);
}

void TfrmScheduler::RunChanged()
{
    if (ScriptList->count() != FEngine.Lines().Count()) {
        ScriptList->clear();
        ScriptList->addItems(FEngine.Lines().Lines());
    }
    if (LabelScheduler->text() != FEngine.StatusText()) {
        LabelScheduler->setText(FEngine.StatusText());
        if (FEngine.Halted())
            ShowHalt();
        else
            ShowReconnecting();
    }
    ShowLateness();
    FollowMarker();
    ScriptList->viewport()->update();
    RunTimeline->RunChanged();
}

// Seconds with one decimal, until an instruction starts within a second again.
void TfrmScheduler::ShowLateness()
{
    const qint64 late = FEngine.RunningLateMs();
    LabelLate->setVisible(late > 0);
    if (late > 0)
        LabelLate->setText(QStringLiteral("Running late: %1 s").arg(double(late) / 1000.0, 0, 'f', 1));
}

// Nothing will run any more: the clock stops where the run halted, and the
// main window says why.
void TfrmScheduler::ShowHalt()
{
    FClockTimer->stop();
    emit RunNotice(FEngine.StatusText());
}

// While the line is lost the main window says so instead of the run's
// notice, and says the run is active again once the device is back.
void TfrmScheduler::ShowReconnecting()
{
    if (FEngine.Reconnecting())
        emit RunNotice(FEngine.StatusText());
    else if (FShownReconnecting)
        emit RunNotice(FActiveNotice);
    FShownReconnecting = FEngine.Reconnecting();
}

// The marked instruction stays in view; the list never takes the keyboard.
void TfrmScheduler::FollowMarker()
{
    const int row = FEngine.NextIndex();
    if (row == FMarkedRow)
        return;
    FMarkedRow = row;
    if (QListWidgetItem* item = ScriptList->item(row))
        ScriptList->scrollToItem(item, QAbstractItemView::EnsureVisible);
}

void TfrmScheduler::ShowClock()
{
    RxClock1->setText(FClock.Now().time().toString(QStringLiteral("HH:mm:ss")));
}

void TfrmScheduler::Open()
{
    showNormal();
    activateWindow();
}

// The close command is disabled during a run: the window goes when the run
// stops. It never vetoes the program's end: the console stops the run before
// it ends, and the window then closes as any other.
void TfrmScheduler::closeEvent(QCloseEvent* event)
{
    if (Active())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

void TfrmScheduler::hideEvent(QHideEvent* event)
{
    QSettings().setValue(SettingsKeys::SchedulerPosition, pos());
    QWidget::hideEvent(event);
}
