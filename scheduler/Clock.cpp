#include "Clock.h"

#include <QTimeZone>

namespace {

// date and timeOfDay in the time zone (or UTC offset, or local time) of like.
QDateTime InZoneOf(const QDateTime& like, QDate date, const QTime& timeOfDay)
{
    if (like.timeSpec() == Qt::TimeZone)
        return QDateTime(date, timeOfDay, like.timeZone());
    return QDateTime(date, timeOfDay, like.timeSpec(), like.offsetFromUtc());
}

QDateTime OnDate(const QDateTime& like, QDate date, const QTime& timeOfDay)
{
    const QDateTime moment = InZoneOf(like, date, timeOfDay);
    if (moment.isValid())
        return moment;
    // A skipped time of day: count its distance from the day's first moment.
    const QDateTime dayStart = like.timeSpec() == Qt::TimeZone ? date.startOfDay(like.timeZone())
                                                               : date.startOfDay(like.timeSpec(), like.offsetFromUtc());
    return dayStart.addMSecs(timeOfDay.msecsSinceStartOfDay());
}

} // namespace

QDateTime DueMoment(const QDateTime& start, const QTime& timeOfDay)
{
    const QDateTime sameDay = OnDate(start, start.date(), timeOfDay);
    if (start <= sameDay)
        return sameDay;
    return OnDate(start, start.date().addDays(1), timeOfDay);
}
