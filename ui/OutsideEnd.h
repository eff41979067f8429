#pragma once
// Ends of the program asked for from outside its windows: SIGTERM (kill, a
// service manager, the system shutting down), SIGINT (Ctrl+C in the
// terminal that started it), SIGHUP (that terminal went away) and the
// desktop session ending.
//
// Such an end must not cut a channel 9 transfer or a script run off in the
// middle: a table half written, a run log without its end. So the signal
// handler only writes one byte into a pipe (about all a handler may safely
// do); the GUI thread reads it from its event loop and emits EndRequested.
// Whoever runs long work listens and stops it at its next safe point (a
// transfer between two sectors, a run before its next instruction); the
// program then ends once the console is idle. The first signal also puts
// the default actions back, so a second one ends the process at once, as
// an operator pressing Ctrl+C twice expects.
#include <QObject>
#include <QString>

class QSocketNotifier;

class TOutsideEnd : public QObject {
    Q_OBJECT
public:
    // The one instance (created on first use, on the GUI thread).
    static TOutsideEnd& Instance();

    // Routes SIGTERM, SIGINT and SIGHUP here. The console program calls it
    // once at start; tests call Request instead. Idempotent.
    void InstallSignalHandlers();

    // An end was asked for (from now on the console only winds down).
    bool Requested() const { return !FReason.isEmpty(); }
    // What asked: "SIGTERM", "SIGINT", "SIGHUP" or "the desktop session ended".
    QString Reason() const { return FReason; }

    // Asks for the end; the first request emits EndRequested, later ones
    // are ignored.
    void Request(const QString& reason);

signals:
    // Emitted once, on the GUI thread, outside any signal handler.
    void EndRequested();

private:
    TOutsideEnd() = default;
    void ReadSignalPipe();

    QString FReason;
    QSocketNotifier* FNotifier = nullptr;
};
