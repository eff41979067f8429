#pragma once
// One instruction a run carried out, as the run log records it.
#include <QDateTime>
#include <QString>

struct TRunRecord {
    QDateTime Due;      // the moment it was due
    QDateTime Done;     // the moment it was started
    int Line = 0;       // its script line, from 1
    QString Text;       // the script line as it stands
    QString Outcome;    // what the device answered, or the error's message

    qint64 LatenessMs() const { return Due.msecsTo(Done); }
};
