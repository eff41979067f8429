#pragma once
// The scheduler window on the main window: the main window's "&Scheduler!"
// opens the script editor through the scheduler (a run starts when it ends
// with "OK"), the main window's status bar shows the run notices, and the
// main window asks before a long operation of the operator's holds up an
// active run.
class TfrmMain;
class TfrmScheduler;

// Both windows must outlive the connections (they end with either window).
void AttachScheduler(TfrmMain& frmMain, TfrmScheduler& frmScheduler);
