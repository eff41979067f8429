#include "SchedulerWiring.h"

#include "console/Main.h"
#include "scheduler/Scheduler.h"

void AttachScheduler(TfrmMain& frmMain, TfrmScheduler& frmScheduler)
{
    QObject::connect(&frmMain, &TfrmMain::SchedulerChosen, &frmScheduler, &TfrmScheduler::Scheduler1Click);
    QObject::connect(&frmScheduler, &TfrmScheduler::RunNotice, &frmMain, &TfrmMain::SetStatusText);
}
