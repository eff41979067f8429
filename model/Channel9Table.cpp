#include "Channel9Table.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/KelvorErrors.h"

namespace Channel9 {

namespace {

QString Digits(int n, int width)
{
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

int SectorDigits(TTable table)
{
    return table == TTable::Short ? 2 : 4;
}

// A whole number as the device writes one: an optional sign and digits,
// nothing else. Raises the conversion error for anything else.
int WholeNumber(const QString& text)
{
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    if (i == text.size())
        throw EConvertError::NotInteger(text);
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text.at(k) < QLatin1Char('0') || text.at(k) > QLatin1Char('9'))
            throw EConvertError::NotInteger(text);
    }
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok)
        throw EConvertError::NotInteger(text);
    return n;
}

QString NotRespondingMessage()
{
    return QStringLiteral("Kelvor 9 device is not responding.");
}

QString SectorErrorMessage(int sector)
{
    return QStringLiteral("Error result in sector %1.").arg(sector);
}

bool Cancelled(const TTransferHooks& hooks)
{
    return hooks.CancelRequested && hooks.CancelRequested();
}

void Start(const TTransferHooks& hooks, int sectors)
{
    if (hooks.Started)
        hooks.Started(sectors);
}

void Move(const TTransferHooks& hooks, int sector)
{
    if (hooks.Position)
        hooks.Position(sector);
}

void Done(const TTransferHooks& hooks, int sector)
{
    if (hooks.Done)
        hooks.Done(sector);
}

TVexoValue Zero()
{
    TVexoValue zero;
    zero.SetFromFloat(0);
    return zero;
}

// Reads sectors 1 to `sectors` of a table that holds `points` points.
TSaveOutcome ReadSectors(TDeviceLink& link, TTable table, int points, const TTransferHooks& hooks)
{
    const int sectors = SectorCount(points);
    TSaveOutcome outcome;
    outcome.Points.reserve(points);
    Start(hooks, sectors);
    for (int s = 1; s <= sectors; ++s) {
        Move(hooks, s);
        const QString reply = link.Dialogue(ReadSectorCommand(table, s));
        const std::optional<QVector<TVexoValue>> got = SectorPointsOf(table, s, reply);
        // A sector that is not full where a full one belongs would move
        // every later point to another place in the file.
        if (!got || (s < sectors && got->size() != SectorPoints)) {
            outcome.Notice = SectorErrorMessage(s);
            return outcome;
        }
        outcome.Points += *got;
        Done(hooks, s);
        if (s < sectors && Cancelled(hooks)) {
            outcome.Notice = QStringLiteral("Saving stopped by the operator after %1 of %2 sectors. "
                                            "No file was written.")
                                 .arg(s)
                                 .arg(sectors);
            return outcome;
        }
    }
    const qsizetype delivered = outcome.Points.size();
    if (delivered < points) {
        outcome.Points.resize(points, Zero());
        outcome.Notice = QStringLiteral("The Kelvor 9 delivered %1 of %2 points. The missing points were saved as 0.")
                             .arg(delivered)
                             .arg(points);
    }
    outcome.Points.resize(points);
    outcome.Complete = true;
    return outcome;
}

// The long table's point count from the "GK" reply, or the notice that
// stops the save.
int LongTableCount(TDeviceLink& link, QString& notice)
{
    const QString reply = link.Dialogue(GetCountCommand());
    // No answer is not an empty table: the operator must know.
    if (reply.isEmpty())
        throw EKelvorError(NotRespondingMessage());
    if (!reply.startsWith(QLatin1Char('O'))) {
        notice = QStringLiteral("Error result in get sector count command. (Err:%1)").arg(reply);
        return 0;
    }
    const int count = WholeNumber(reply.mid(3, 6));
    if (count > LongTableLimit) {
        notice = QStringLiteral("The Kelvor 9 reports %1 points in the channel 9 table; the console holds at most %2 "
                                "points. No file was written.")
                     .arg(count)
                     .arg(LongTableLimit);
        return 0;
    }
    return std::max(count, 0);
}

void CheckWriteReply(const QString& reply)
{
    if (reply.isEmpty())
        throw EKelvorError(NotRespondingMessage());
    if (!reply.startsWith(QLatin1Char('O')))
        throw EKelvorError(QStringLiteral("Error sending data. ") + reply.mid(3));
}

} // namespace

TTable TableFor(int paradigmNumber)
{
    return paradigmNumber == 9 ? TTable::Long : TTable::Short;
}

int PointLimit(TTable table)
{
    return table == TTable::Short ? ShortTablePoints : LongTableLimit;
}

int SectorCount(int points)
{
    return points <= 0 ? 0 : (points + SectorPoints - 1) / SectorPoints;
}

int PointsInSector(int points, int sector)
{
    const int first = (sector - 1) * SectorPoints;
    return std::clamp(points - first, 0, SectorPoints);
}

QString ReadSectorCommand(TTable table, int sector)
{
    return (table == TTable::Short ? QStringLiteral("GS") : QStringLiteral("GW")) + Digits(sector, SectorDigits(table));
}

QString WriteSectorCommand(TTable table, int sector, const QString& amplitudeTexts)
{
    return (table == TTable::Short ? QStringLiteral("Q") : QStringLiteral("W")) + Digits(sector, SectorDigits(table))
        + amplitudeTexts;
}

QString CountCommand(int points)
{
    return QStringLiteral("K") + Digits(points, 6);
}

std::optional<QVector<TVexoValue>> SectorPointsOf(TTable table, int sector, const QString& reply)
{
    if (!reply.startsWith(QLatin1String("OK.")))
        return std::nullopt;
    const int digits = SectorDigits(table);
    if (WholeNumber(reply.mid(3, digits)) != sector)
        return std::nullopt;
    const qsizetype first = 3 + digits;
    const qsizetype count = std::max<qsizetype>(reply.size() - first, 0) / 9;
    QVector<TVexoValue> points(count);
    for (qsizetype i = 0; i < count; ++i)
        points[i].SetFromText(reply.mid(first + i * 9, 9));
    return points;
}

TVexoValue PointOf(double number)
{
    // One exponent digit holds up to 9.999E+9; anything larger is clamped to
    // the amplitude limits anyway.
    TVexoValue point;
    point.SetFromFloat(std::clamp(number, -1e9, 1e9));
    return point;
}

QVector<TVexoValue> PointsOf(const QVector<double>& numbers)
{
    QVector<TVexoValue> points;
    points.reserve(numbers.size());
    for (const double number : numbers)
        points << PointOf(number);
    return points;
}

TSaveOutcome SaveTable(TDeviceLink& link, TTable table, const TTransferHooks& hooks)
{
    if (table == TTable::Short)
        return ReadSectors(link, table, ShortTablePoints, hooks);
    TSaveOutcome outcome;
    const int count = LongTableCount(link, outcome.Notice);
    if (count == 0)
        return outcome; // an empty table writes no file, and says nothing
    return ReadSectors(link, table, count, hooks);
}

TTransferOutcome LoadTable(TDeviceLink& link, TTable table, const QVector<TVexoValue>& filePoints,
                           const TTransferHooks& hooks)
{
    QVector<TVexoValue> points = filePoints.mid(0, PointLimit(table));
    if (table == TTable::Short)
        points.resize(ShortTablePoints, Zero());
    const int total = int(points.size());
    const int sectors = SectorCount(total);
    TTransferOutcome outcome;
    if (sectors == 0) {
        outcome.Complete = true;
        return outcome;
    }
    Start(hooks, sectors);
    if (table == TTable::Long)
        link.Dialogue(CountCommand(total)); // the reply is not examined
    for (int s = 1; s <= sectors; ++s) {
        QString text;
        const int first = (s - 1) * SectorPoints;
        for (int i = first; i < first + PointsInSector(total, s); ++i)
            text += points.at(i).ToAmplitudeText();
        CheckWriteReply(link.Dialogue(WriteSectorCommand(table, s, text)));
        Done(hooks, s);
        Move(hooks, s);
        if (s < sectors && Cancelled(hooks)) {
            outcome.Notice = QStringLiteral("Loading stopped by the operator: %1 of %2 sectors were written to the "
                                            "Kelvor 9.")
                                 .arg(s)
                                 .arg(sectors);
            return outcome;
        }
    }
    outcome.Complete = true;
    return outcome;
}

QVector<double> NumbersOf(const QVector<TVexoValue>& points)
{
    QVector<double> numbers;
    numbers.reserve(points.size());
    for (const TVexoValue& point : points) {
        try {
            numbers << point.ToFloat();
        } catch (const EConvertError&) {
            numbers << std::numeric_limits<double>::quiet_NaN();
        }
    }
    return numbers;
}

} // namespace Channel9
