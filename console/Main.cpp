// The main window's life: creation, first showing (the link is created and
// the first refresh runs), and destruction.
#include "Main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPrinter>
#include <QSettings>
#include <QShortcut>
#include <QTimer>

#include "Channel9Files.h"
#include "MonitorWindow.h"
#include "link/CommUnit.h"
#include "ui/KelvorApplication.h"
#include "ui/SettingsKeys.h"
#include "ui/UserDialogs.h"
#include "ui/ValEdit.h"

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), FDialogs(std::make_shared<TUserDialogs>())
{
    FormCreate();
    TKelvorApplication::SetMainWindow(this);
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
    TKelvorApplication::SetMainWindow(nullptr);
}

void TfrmMain::SetDialogs(std::shared_ptr<TUserDialogs> dialogs)
{
    FDialogs = std::move(dialogs);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    FormShow();
}

// The link exists from the first showing on. The first refresh runs once the
// window is on the screen, so that the operator sees the window (and its busy
// cursor) while the console connects and reads the device.
void TfrmMain::FormShow()
{
    frmComm = new TfrmComm(this);
    TKelvorApplication::SetLink(frmComm);
    connect(frmComm, &TfrmComm::ConnectionLost, this, &TfrmMain::ConnectionLost);
    BindInputHold();
    CreateMonitor();
    if (FConfigureLink)
        FConfigureLink(*frmComm);
    FParadigm->SetLink(frmComm);
    // Its errors are reported as a command's are: a lost line by its own box
    // alone.
    QTimer::singleShot(0, this, [this] { TKelvorApplication::RunCommand([this] { RefreshConnection(); }); });
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (FCloseQuery && !FCloseQuery()) {
        event->ignore();
        return;
    }
    QSettings().setValue(SettingsKeys::MainPosition, pos());
    // The monitor and the scheduler are windows of their own: the program
    // ends with this one all the same.
    if (FMonitor)
        FMonitor->hide();
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::quit();
}

void TfrmMain::FormDestroy()
{
    // The fields must not redraw from a model that is going away.
    for (auto& row : ParameterEdits)
        for (TMantisaEdit* field : row)
            if (field)
                field->OnExit = nullptr;
    for (auto& row : ExponentEdits)
        for (TExponentEdit* field : row)
            if (field)
                field->OnExit = nullptr;
    if (frmComm) {
        frmComm->Comm32().Close();
        QCoreApplication::processEvents();
        FParadigm->SetLink(nullptr);
        TKelvorApplication::SetLink(nullptr);
        delete frmComm;
        frmComm = nullptr;
    }
    FParadigm.reset();
    EditValue.Clear();
}

bool TfrmMain::IsConnected() const
{
    return frmComm && frmComm->Port() > 0;
}

bool TfrmMain::LinkBusy() const
{
    return frmComm && frmComm->Busy();
}

void TfrmMain::CallWhenLinkIdle(QObject* context, std::function<void()> action)
{
    if (frmComm)
        frmComm->CallWhenIdle(context, std::move(action));
    else
        QTimer::singleShot(0, context, std::move(action));
}

void TfrmMain::SetStatusText(const QString& text)
{
    StatusPanels[0]->setText(text);
}

QString TfrmMain::StatusText() const
{
    return StatusPanels[0]->text();
}

QString TfrmMain::PortText() const
{
    return StatusPanels[1]->text();
}

// The link closed the port because the device vanished. The window shows
// "not connected" at once, so the operator knows to plug it in and press F5.
// This box is the one message of the loss: the operation that was running
// ends silently.
void TfrmMain::ConnectionLost()
{
    ShowConnectionState();
    emit DeviceLost();
    // The box waits for the operator; it opens once the line event that
    // brought the news has been handled.
    QTimer::singleShot(0, this, [this] { ShowLossBox(); });
}

// Once the operation has ended, so that a transfer cut off by the loss has
// said how far it came: that goes into the same box. One box at a time: a
// line that comes and goes again while it shows (a running script tries to
// reach the device) adds none.
void TfrmMain::ShowLossBox()
{
    if (frmComm && frmComm->Busy()) {
        connect(frmComm, &TfrmComm::BusyEnded, this, [this] { ShowLossBox(); },
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        return;
    }
    if (!FLossBoxText.isEmpty())
        return;
    QString text = TfrmComm::LostMessage();
    if (!FLossAccount.isEmpty())
        text += QLatin1Char(' ') + FLossAccount;
    FLossAccount.clear();
    FLossBoxText = text;
    TKelvorApplication::ReportError(text);
    FLossBoxText.clear();
}

// The device is back (a running script reached it again while the box
// waited for the operator): the box has nothing more to say.
void TfrmMain::CloseLossBox()
{
    if (!FLossBoxText.isEmpty())
        TKelvorApplication::WithdrawError(FLossBoxText);
}

bool TfrmMain::MayHoldUpTheRun()
{
    if (!FRunActiveQuery || !FRunActiveQuery())
        return true;
    return Dialogs().AskWarning(
        this, QStringLiteral("A script is running. Its instructions will wait until this operation ends. Go on?"));
}
