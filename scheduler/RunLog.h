#pragma once
// The run log: one CSV file per run, one line per acting instruction the run
// carried out (jumps are not logged: a million-pass jump would write a
// million lines), so that stimulation can be lined up with recordings.
//
// File: <data folder>/runs/<start of the run>.csv, for example
// ~/.local/share/Kelvor9/Kelvor9/runs/2026-12-08_14-03-05.123.csv, never an
// existing file (a second run in the same millisecond gets "-2"). UTF-8,
// lines ended by CR LF, fields quoted as RFC 4180 says, a header line:
//   Due,Carried out,Lateness (ms),Line,Instruction,Outcome
// Moments are local date-times with milliseconds and their offset from UTC
// (ISO 8601, "2026-12-08T14:03:06.123+01:00"), so that the hour repeated when
// summer time ends is never mistaken for the one before it. The end line
// tells how the run ended: "Carried out" holds the moment, "Outcome" one of
// "Completed", "Stopped by the operator", "Stopped: the console was closed"
// or "Halted: " + the reason; its other fields are empty. Notes (the loss of
// the line to the device, the reconnection) are lines of the same form. An
// instruction skipped after a lost line has no "Carried out" and no
// "Lateness (ms)". The summary line after the end line gives the count of
// instructions carried out and their lateness.
//
// Each line is handed to the system as soon as it is written (flushed, not
// synced to the disk), so a crash of the console or a pulled cable loses
// nothing that was carried out. The log is appended to, never rewritten: it
// is not written through a temporary file.
#include <QDateTime>
#include <QFile>
#include <QString>

#include <memory>

#include "LatenessStats.h"
#include "RunRecord.h"

namespace RunLogFormat {

QString Header();
// A field as RFC 4180 writes it: quoted, with quotes doubled, when it holds a
// comma, a quote or a line break; else as it is.
QString Field(const QString& text);
QString Line(const TRunRecord& record);
QString EndLine(const TRunEnding& ending);
// A line of its own: the moment in "Carried out", the text in "Outcome".
QString NoteLine(const QDateTime& moment, const QString& text);
// The line after the end line: "Summary: N carried out; lateness median X
// ms, p99 Y ms, worst Z ms" in "Outcome", the other fields empty (only
// "Summary: 0 carried out" when nothing was).
QString SummaryLine(const TLatenessStats& lateness);
// A moment as the log writes it: "2026-12-08T14:03:06.123+01:00".
QString Moment(const QDateTime& moment);
// "2026-12-08_14-03-05.123.csv" for the moment a run started.
QString FileNameFor(const QDateTime& started);
// A file of the run's record beside its log: the same name with suffix
// (".ks9") in place of ".csv".
QString RecordFileName(const QString& logFileName, const QString& suffix);

} // namespace RunLogFormat

class TRunLog {
public:
    // The folder the logs go to: "runs" in the application's data folder.
    static QString DefaultFolder();
    // A new log file in folder (created when missing), named for started, with
    // its header written. Raises EFileError when it cannot be created.
    static std::unique_ptr<TRunLog> Create(const QString& folder, const QDateTime& started);

    QString FileName() const { return FFile.fileName(); }
    // Appends the record's line and flushes it; false when that failed.
    bool Append(const TRunRecord& record);
    // Appends the run's end line and flushes it; false when that failed.
    bool AppendEnd(const TRunEnding& ending);
    // Appends a note's line and flushes it; false when that failed.
    bool AppendNote(const QDateTime& moment, const QString& text);
    // Appends the summary line and flushes it; false when that failed.
    bool AppendSummary(const TLatenessStats& lateness);
    QString ErrorString() const { return FFile.errorString(); }

private:
    explicit TRunLog(const QString& fileName) : FFile(fileName) {}
    bool WriteLine(const QString& line);

    QFile FFile;
};
