#pragma once
// How the console program ends while a script may be running.
//
// - The main window's close (File > Exit, its close button) during a run
//   asks once, as a warning with No the default: "A script is running. Stop
//   it and exit?". Yes stops the run (its log ends "Stopped: the console was
//   closed") and the program ends; No leaves everything as it was. Without a
//   run the program ends at once.
// - An end asked for from outside (TOutsideEnd: SIGTERM, SIGINT, SIGHUP, the
//   desktop session ending) asks nothing. Once the console is no longer busy
//   (an operation in progress unwinds first; a channel 9 transfer listens to
//   the same request and stops between two sectors), the run stops with the
//   same end line, every window closes and the event loop ends with status
//   0; the port is closed as the main window goes.
//
// The end never comes from inside a nested event loop (a box, a dialog, a
// menu): quitting there would also end the loop of whatever waits under it.
// Such a window is closed first, as Escape would close it, and the end comes
// back once its loop has returned.
#include <QObject>

class TfrmMain;
class TfrmScheduler;

class TConsoleEnd : public QObject {
    Q_OBJECT
public:
    // Both windows must outlive this object.
    TConsoleEnd(TfrmMain& frmMain, TfrmScheduler& frmScheduler);
    ~TConsoleEnd() override;

private:
    // The main window's close query.
    bool MayClose();
    void WindDown();
    bool Busy() const;

    TfrmMain& FMain;
    TfrmScheduler& FScheduler;
    bool FEnding = false; // an end from outside is under way
};
