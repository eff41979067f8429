#pragma once
// Where the scheduler takes the time from. The run engine and the alarm ask a
// TClock, so that tests can step a fake clock through minutes in
// milliseconds; the program uses the local wall clock.
#include <QDateTime>
#include <QTime>

class TClock {
public:
    virtual ~TClock() = default;
    virtual QDateTime Now() const = 0;
    // The same moment as milliseconds since the epoch. Local date-times cost
    // microseconds to build and compare; the run engine's chains of due
    // instructions (a million self-jumps) work on these numbers instead.
    virtual qint64 MsecsSinceEpoch() const { return Now().toMSecsSinceEpoch(); }
};

// The local date and time of the system.
class TLocalClock final : public TClock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
    qint64 MsecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

// The first date-time not earlier than start whose time of day is timeOfDay,
// in start's time zone: on start's own date when that is not earlier than
// start, else on the next day. A time of day that a clock change skips on
// that date (a daylight-saving gap) is taken as that long after the start of
// the day, the moment the clock shows a later time instead.
QDateTime DueMoment(const QDateTime& start, const QTime& timeOfDay);
