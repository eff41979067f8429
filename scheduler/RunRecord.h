#pragma once
// One instruction a run carried out, and the run's end, as the run log
// records them.
#include <QDateTime>
#include <QString>

struct TRunRecord {
    QDateTime Due;      // the moment it was due
    QDateTime Done;     // the moment it was started; invalid when it was skipped
    int Line = 0;       // its script line, from 1
    QString Text;       // the script line as it stands
    QString Outcome;    // what the device answered, or the error's message

    qint64 LatenessMs() const { return Due.msecsTo(Done); }
};

// How a run came to its end (a halted run ends as halted, however it is
// stopped afterwards).
enum class TRunEnd { Completed, ByOperator, ConsoleClosed };

// The run log's last line: the moment the run ended and how.
struct TRunEnding {
    QDateTime Done;
    QString Outcome; // "Completed", "Stopped by the operator", ... or "Halted: " + reason
};
