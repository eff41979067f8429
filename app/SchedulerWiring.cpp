#include "SchedulerWiring.h"

#include <QPointer>

#include "console/Main.h"
#include "scheduler/Scheduler.h"

void AttachScheduler(TfrmMain& frmMain, TfrmScheduler& frmScheduler)
{
    QObject::connect(&frmMain, &TfrmMain::SchedulerChosen, &frmScheduler, &TfrmScheduler::Scheduler1Click);
    QObject::connect(&frmScheduler, &TfrmScheduler::RunNotice, &frmMain, &TfrmMain::SetStatusText);
    // A halted run carries out nothing more: nothing of it waits.
    frmMain.SetRunActiveQuery([scheduler = QPointer<TfrmScheduler>(&frmScheduler)] {
        return scheduler && scheduler->Active() && !scheduler->Engine().Halted();
    });
}
