#include "TransferProgress.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

#include "ProgressWindow.h"
#include "ReceiverWindow.h"
#include "link/CommUnit.h"
#include "ui/OutsideEnd.h"

TTransferProgress::TTransferProgress(QWidget* owner, TfrmComm& link, TKind kind)
    : FOwner(owner), FLink(link), FWindow(std::make_unique<TfrmProgressBar>(owner)), FKind(kind)
{
    QObject::connect(FWindow.get(), &TfrmProgressBar::StopRequested, FWindow.get(), [this] { FStop = true; });
    QObject::connect(&TOutsideEnd::Instance(), &TOutsideEnd::EndRequested, FWindow.get(), [this] { FOutside = true; });
    FLink.InputDeferral().SetRouting([this](QObject* receiver, QEvent* event) { return Route(receiver, event); });
}

TTransferProgress::~TTransferProgress()
{
    FLink.InputDeferral().SetRouting({});
    const bool hadKeyboard = FWindow->isActiveWindow();
    FWindow.reset();
    // The keyboard goes back to the window the operator works in.
    if (hadKeyboard && FOwner)
        FOwner->window()->activateWindow();
}

Channel9::TTransferHooks TTransferProgress::Hooks()
{
    Channel9::TTransferHooks hooks;
    hooks.Started = [this](int sectors) {
        FSectors = sectors;
        FWindow->Start(sectors);
    };
    hooks.Position = [this](int sector) { FWindow->SetPosition(sector); };
    hooks.Done = [this](int sector) { FDone = sector; };
    hooks.CancelRequested = [this] {
        // An Escape or an end that waits in the queue arrives here.
        QCoreApplication::processEvents();
        return FStop || FOutside;
    };
    return hooks;
}

QString TTransferProgress::Account() const
{
    if (FSectors == 0)
        return {};
    if (FKind == TKind::Load)
        return QStringLiteral("Loading stopped after %1 of %2 sectors: the Kelvor 9's table is now partly new.")
            .arg(FDone)
            .arg(FSectors);
    return QStringLiteral("Saving stopped after %1 of %2 sectors. No file was written.").arg(FDone).arg(FSectors);
}

TInputDeferral::TRoute TTransferProgress::Route(QObject* receiver, QEvent* event)
{
    if (!FWindow->isVisible())
        return TInputDeferral::TRoute::Hold;
    QWidget* window = ReceiverWindow(receiver);
    if (window == FWindow.get())
        return TInputDeferral::TRoute::Deliver;
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (event->type() == QEvent::KeyPress)
            FStop = true;
        return TInputDeferral::TRoute::Take; // the release too: it must not come back later
    }
    // The main window takes nothing while the progress window shows (a
    // shortcut of its own can still fire where no window manager moves
    // the keyboard to the progress window).
    if (FOwner && window == FOwner->window())
        return TInputDeferral::TRoute::Take;
    return TInputDeferral::TRoute::Hold;
}
