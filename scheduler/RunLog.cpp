#include "RunLog.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>

#include "base/KelvorErrors.h"

namespace RunLogFormat {

QString Moment(const QDateTime& moment)
{
    // The wall-clock time and the offset it had then. (Qt's ISO form writes
    // no offset for a local time, and "Z" instead of "+00:00" for UTC.)
    const int offset = moment.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return moment.toOffsetFromUtc(offset).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
        + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString Header()
{
    return QStringLiteral("Due,Carried out,Lateness (ms),Line,Instruction,Outcome");
}

QString Field(const QString& text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    const bool quoted = std::any_of(text.begin(), text.end(), [](QChar c) { return special.contains(c); });
    if (!quoted)
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString Line(const TRunRecord& record)
{
    const bool done = record.Done.isValid();
    const QStringList fields = {Moment(record.Due), done ? Moment(record.Done) : QString(),
                                done ? QString::number(record.LatenessMs()) : QString(),
                                QString::number(record.Line), Field(record.Text), Field(record.Outcome)};
    return fields.join(QLatin1Char(','));
}

QString EndLine(const TRunEnding& ending)
{
    return NoteLine(ending.Done, ending.Outcome);
}

QString NoteLine(const QDateTime& moment, const QString& text)
{
    return QStringList({QString(), Moment(moment), QString(), QString(), QString(), Field(text)})
        .join(QLatin1Char(','));
}

QString SummaryLine(const TLatenessStats& lateness)
{
    QString summary = QStringLiteral("Summary: %1 carried out").arg(lateness.Count());
    if (lateness.Count() > 0)
        summary += QStringLiteral("; lateness median %1 ms, p99 %2 ms, worst %3 ms")
                       .arg(lateness.Median())
                       .arg(lateness.Percentile(99))
                       .arg(lateness.Worst());
    return QStringList({QString(), QString(), QString(), QString(), QString(), Field(summary)}).join(QLatin1Char(','));
}

QString FileNameFor(const QDateTime& started)
{
    return started.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss.zzz")) + QStringLiteral(".csv");
}

QString RecordFileName(const QString& logFileName, const QString& suffix)
{
    QString name = logFileName;
    if (name.endsWith(QStringLiteral(".csv")))
        name.chop(4);
    return name + suffix;
}

} // namespace RunLogFormat

// ~/.local/share/Kelvor9/runs (the user's data folder, then the program's).
QString TRunLog::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kelvor9/runs");
}

std::unique_ptr<TRunLog> TRunLog::Create(const QString& folder, const QDateTime& started)
{
    if (!QDir().mkpath(folder))
        throw EFileError(QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
    const QString name = RunLogFormat::FileNameFor(started);
    for (int n = 1;; ++n) {
        const QString file = n == 1 ? name : QString(name).replace(QStringLiteral(".csv"), QStringLiteral("-%1.csv").arg(n));
        std::unique_ptr<TRunLog> log(new TRunLog(QDir(folder).filePath(file)));
        // NewOnly: another run's log is never taken over, even one created
        // between the look and the opening.
        if (log->FFile.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            if (!log->WriteLine(RunLogFormat::Header()))
                throw EFileError(QStringLiteral("Cannot write \"%1\". %2").arg(log->FileName(), log->ErrorString()));
            return log;
        }
        if (!log->FFile.exists() || n >= 1000)
            throw EFileError(QStringLiteral("Cannot create \"%1\". %2").arg(log->FileName(), log->ErrorString()));
    }
}

bool TRunLog::Append(const TRunRecord& record)
{
    return WriteLine(RunLogFormat::Line(record));
}

bool TRunLog::AppendEnd(const TRunEnding& ending)
{
    return WriteLine(RunLogFormat::EndLine(ending));
}

bool TRunLog::AppendNote(const QDateTime& moment, const QString& text)
{
    return WriteLine(RunLogFormat::NoteLine(moment, text));
}

bool TRunLog::AppendSummary(const TLatenessStats& lateness)
{
    return WriteLine(RunLogFormat::SummaryLine(lateness));
}

bool TRunLog::WriteLine(const QString& line)
{
    const QByteArray bytes = (line + QStringLiteral("\r\n")).toUtf8();
    // Unbuffered, so each write reaches the system at once. A short write
    // says no reason: the rest is written again, and that write fails with it.
    for (qint64 done = 0, count = 0; done < bytes.size(); done += count) {
        count = FFile.write(bytes.constData() + done, bytes.size() - done);
        if (count <= 0)
            return false;
    }
    return true;
}
