#include "MonitorWindow.h"
#include "ui/KelvorApplication.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>

#include "MonitorLayoutMetrics.h"
#include "model/FileWriter.h"
#include "ui/FileDialogKinds.h"
#include "ui/Pictures.h"
#include "ui/SettingsKeys.h"
#include "ui/UserDialogs.h"

using namespace MonitorLayout;

QColor TfrmMonitor::SentColor() { return QColor(255, 0, 0); }
QColor TfrmMonitor::ReceivedColor() { return QColor(0, 128, 0); }

TfrmMonitor::TfrmMonitor(std::function<TUserDialogs&()> dialogs) : FDialogs(std::move(dialogs))
{
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(QStringLiteral("Kelvor9 Monitor"));
    setWindowIcon(Pictures::ProgramIcon());
    resize(WindowWidth, WindowHeight);
    BuildLegend();
    BuildControls();
    BuildLog();
    FPaintTimer.setSingleShot(true);
    FPaintTimer.setInterval(PaintIntervalMs);
    connect(&FPaintTimer, &QTimer::timeout, this, &TfrmMonitor::Flush);
    RestorePosition();
}

TfrmMonitor::~TfrmMonitor()
{
    if (isVisible())
        StorePosition();
}

void TfrmMonitor::BuildLegend()
{
    QLabel* monitor = AddLegendLabel(QStringLiteral("Label4"), QStringLiteral("Monitor"), LegendLeft);
    QLabel* open = AddLegendLabel(QStringLiteral("Label7"), QStringLiteral("["),
                                  monitor->geometry().right() + 1 + LegendBracketGap);
    QLabel* send = AddLegendLabel(QStringLiteral("Label5"), QStringLiteral("Send"),
                                  open->geometry().right() + 1 + LegendGap, SentColor());
    QLabel* receive = AddLegendLabel(QStringLiteral("Label6"), QStringLiteral("Receive"),
                                     send->geometry().right() + 1 + LegendGap, ReceivedColor());
    AddLegendLabel(QStringLiteral("Label8"), QStringLiteral("]"), receive->geometry().right() + 1 + LegendGap);
}

QLabel* TfrmMonitor::AddLegendLabel(const QString& name, const QString& text, int left, const QColor& color)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
    label->move(left, LegendTop);
    label->adjustSize();
    return label;
}

void TfrmMonitor::BuildControls()
{
    SpeedButton1 = new QPushButton(QStringLiteral("Clear"), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(ClearLeft, ClearTop, ClearWidth, ClearHeight);
    connect(SpeedButton1, &QPushButton::clicked, this, Command([this] { SpeedButton1Click(); }));

    CheckBox1 = new QCheckBox(QStringLiteral("Stay On Top"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->move(StayOnTopLeft, StayOnTopTop);
    CheckBox1->adjustSize();
    connect(CheckBox1, &QCheckBox::clicked, this, Command([this] { CheckBox1Click(); }));
}

void TfrmMonitor::BuildLog()
{
    RichEdit1 = new TTrafficLogView(HistoryLimit, SentColor(), ReceivedColor(), this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, Command([this](const QPoint& at) { ShowLogMenu(at); }));

    FCopy = new QAction(QStringLiteral("&Copy"), this);
    connect(FCopy, &QAction::triggered, RichEdit1, &TTrafficLogView::CopySelection);
    FSelectAll = new QAction(QStringLiteral("Select &All"), this);
    connect(FSelectAll, &QAction::triggered, RichEdit1, &TTrafficLogView::SelectAll);
    FCopyAll = new QAction(QStringLiteral("Copy &Whole Log"), this);
    FCopyAll->setObjectName(QStringLiteral("CopyAll"));
    connect(FCopyAll, &QAction::triggered, this, Command([this] { CopyAllClick(); }));
    FSaveLog = new QAction(QStringLiteral("&Save Log to File..."), this);
    FSaveLog->setObjectName(QStringLiteral("SaveLog"));
    connect(FSaveLog, &QAction::triggered, this, Command([this] { SaveLogClick(); }));
}

void TfrmMonitor::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    RichEdit1->setGeometry(LogLeft, LogTop, width() - LogLeft - LogRightMargin, height() - LogTop - LogBottomMargin);
}

void TfrmMonitor::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    StorePosition();
}

void TfrmMonitor::StorePosition() const
{
    QSettings settings;
    settings.setValue(SettingsKeys::MonitorPosition, pos());
    settings.setValue(SettingsKeys::MonitorSize, size());
}

bool TfrmMonitor::HasStoredPosition() const
{
    return QSettings().contains(SettingsKeys::MonitorPosition);
}

void TfrmMonitor::RestorePosition()
{
    QSettings settings;
    if (settings.contains(SettingsKeys::MonitorPosition))
        move(settings.value(SettingsKeys::MonitorPosition).toPoint());
    const QSize stored = settings.value(SettingsKeys::MonitorSize).toSize();
    if (stored.isValid())
        resize(stored);
}

// ---- the log ----------------------------------------------------------------

bool TfrmMonitor::IsShowing() const
{
    return isVisible();
}

// Inside the serial hand-over: only queue, never paint or serve events.
void TfrmMonitor::AppendEntry(const QString& entry, bool sent)
{
    // More than a whole history waiting: the oldest would be dropped anyway.
    if (FQueue.size() >= size_t(HistoryLimit))
        FQueue.pop_front();
    FQueue.push_back({entry.startsWith(QLatin1String("\r\n")) ? entry.mid(2) : entry, sent});
    if (!FPaintTimer.isActive())
        FPaintTimer.start();
}

void TfrmMonitor::Flush()
{
    FPaintTimer.stop();
    if (FQueue.empty())
        return;
    RichEdit1->Append(FQueue);
    emit LogPainted();
}

int TfrmMonitor::EntryCount() const
{
    return RichEdit1->Count();
}

QString TfrmMonitor::LogText()
{
    Flush();
    return RichEdit1->AllText();
}

// ---- the controls -----------------------------------------------------------

void TfrmMonitor::SpeedButton1Click()
{
    FQueue.clear();
    RichEdit1->Clear();
}

// Changing the window's flags hides it; it comes back where it was.
void TfrmMonitor::CheckBox1Click()
{
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, CheckBox1->isChecked());
    if (wasVisible)
        show();
}

void TfrmMonitor::ShowLogMenu(const QPoint& at)
{
    FCopy->setEnabled(RichEdit1->HasSelection());
    QMenu menu;
    menu.addAction(FCopy);
    menu.addAction(FSelectAll);
    menu.addSeparator();
    menu.addAction(FCopyAll);
    menu.addAction(FSaveLog);
    menu.exec(RichEdit1->viewport()->mapToGlobal(at));
}

void TfrmMonitor::CopyAllClick()
{
    QGuiApplication::clipboard()->setText(LogText());
}

// The file holds the log as it is shown, in UTF-8: control characters as
// their pictures, so that every entry is one line of the file.
void TfrmMonitor::SaveLogClick()
{
    const QString fileName = FDialogs().AskSaveFileName(this, FileDialogOptions(TFileDialogKind::SaveMonitorLog));
    if (fileName.isEmpty())
        return;
    FileWriter::WriteAtomically(fileName, LogText().toUtf8());
}
