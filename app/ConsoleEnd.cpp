#include "ConsoleEnd.h"

#include <QApplication>
#include <QTimer>

#include "console/Main.h"
#include "link/CommUnit.h"
#include "scheduler/Scheduler.h"
#include "ui/OutsideEnd.h"
#include "ui/UserDialogs.h"

TConsoleEnd::TConsoleEnd(TfrmMain& frmMain, TfrmScheduler& frmScheduler)
    : FMain(frmMain)
    , FScheduler(frmScheduler)
{
    FMain.SetCloseQuery([this] { return MayClose(); });
    // Queued: whoever else listens (a transfer) hears the request first.
    connect(&TOutsideEnd::Instance(), &TOutsideEnd::EndRequested, this, [this] {
        FEnding = true;
        QTimer::singleShot(0, this, &TConsoleEnd::WindDown);
    });
}

TConsoleEnd::~TConsoleEnd()
{
    FMain.SetCloseQuery(nullptr);
}

bool TConsoleEnd::MayClose()
{
    if (FEnding || !FScheduler.Active())
        return true;
    if (!FMain.Dialogs().AskWarning(&FMain, QStringLiteral("A script is running. Stop it and exit?")))
        return false;
    FScheduler.Stop(TRunEnd::ConsoleClosed);
    return true;
}

bool TConsoleEnd::Busy() const
{
    return FMain.Comm() && FMain.Comm()->Busy();
}

void TConsoleEnd::WindDown()
{
    if (Busy()) {
        connect(FMain.Comm(), &TfrmComm::BusyEnded, this, &TConsoleEnd::WindDown,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        return;
    }
    FScheduler.Stop(TRunEnd::ConsoleClosed);
    QWidget* open = QApplication::activePopupWidget();
    if (!open)
        open = QApplication::activeModalWidget();
    if (open) {
        open->close();
        if (open->isVisible())
            open->hide(); // a box that takes no Escape: hiding ends its loop all the same
        // Comes back from the loop under it, once this one has returned.
        QTimer::singleShot(0, this, &TConsoleEnd::WindDown);
        return;
    }
    // The main window's close ends the event loop.
    QApplication::closeAllWindows();
}
