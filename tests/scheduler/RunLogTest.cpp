// The run log's lines and files: RFC 4180 fields, the columns, moments with
// their offset from UTC, unique file names, each line on the disk as soon as
// it is written, the summary line and the record's files beside the log.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <ctime>

#include "base/KelvorErrors.h"
#include "scheduler/RunLog.h"
#include "tests/model/FileSizeLimit.h"

namespace {

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST(RunLog, LinesQuoteWhatRfc4180Quotes)
{
    TRunRecord record;
    record.Due = QDateTime(QDate(2026, 12, 8), QTime(14, 3, 6, 5), Qt::OffsetFromUTC, 3600);
    record.Done = record.Due.addMSecs(42);
    record.Line = 7;
    record.Text = QStringLiteral("00:00:05:Load Paradigm /lab/a,b \"x\".kr9");
    record.Outcome = QStringLiteral("Cannot open file \"/lab/a,b \"x\".kr9\".\nNo such file");
    EXPECT_EQ(RunLogFormat::Line(record),
              QStringLiteral("2026-12-08T14:03:06.005+01:00,2026-12-08T14:03:06.047+01:00,42,7,"
                             "\"00:00:05:Load Paradigm /lab/a,b \"\"x\"\".kr9\","
                             "\"Cannot open file \"\"/lab/a,b \"\"x\"\".kr9\"\".\nNo such file\""));
    record.Outcome = QStringLiteral("OK.+150.0E-3");
    EXPECT_TRUE(RunLogFormat::Line(record).endsWith(QStringLiteral(",OK.+150.0E-3")));
}

TEST(RunLog, EachRunHasAFileOfItsOwnWrittenThroughAtOnce)
{
    QTemporaryDir data;
    const QString folder = data.filePath(QStringLiteral("runs"));
    const QDateTime started(QDate(2026, 12, 8), QTime(14, 3, 5, 123), Qt::OffsetFromUTC, -5 * 3600);
    const auto first = TRunLog::Create(folder, started);
    const auto second = TRunLog::Create(folder, started);
    EXPECT_EQ(first->FileName(), folder + QStringLiteral("/2026-12-08_14-03-05.123.csv"));
    EXPECT_EQ(second->FileName(), folder + QStringLiteral("/2026-12-08_14-03-05.123-2.csv"));

    TRunRecord record;
    record.Due = record.Done = started.addSecs(1);
    record.Line = 1;
    record.Text = QStringLiteral("00:00:00:Trigger Channel 1");
    record.Outcome = QStringLiteral("sent");
    ASSERT_TRUE(first->Append(record));
    // Read while the log is still open: nothing waits in a buffer.
    EXPECT_EQ(Contents(first->FileName()), QByteArray("Due,Carried out,Lateness (ms),Line,Instruction,Outcome\r\n"
                                                      "2026-12-08T14:03:06.123-05:00,2026-12-08T14:03:06.123-05:00,0,1,"
                                                      "00:00:00:Trigger Channel 1,sent\r\n"));

    // A line the file system refuses: the system's reason.
    {
        TFileSizeLimit limit(Contents(first->FileName()).size() + 10);
        ASSERT_TRUE(limit.Active);
        EXPECT_FALSE(first->Append(record));
    }
    EXPECT_EQ(first->ErrorString(), QStringLiteral("File too large"));

    // The end line, and the file is complete.
    ASSERT_TRUE(first->AppendEnd({started.addSecs(2), QStringLiteral("Completed")}));
    EXPECT_TRUE(Contents(first->FileName()).endsWith(",2026-12-08T14:03:07.123-05:00,,,,Completed\r\n"));

    // A folder that cannot be made: a clear message.
    QFile blocker(data.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    EXPECT_THROW(TRunLog::Create(blocker.fileName() + QStringLiteral("/runs"), started), EFileError);
}

// The summary after the end line: nearest-rank percentiles of the lateness
// of what was carried out, whatever the order it came in.
TEST(RunLog, TheSummaryGivesTheCountAndTheLatenessMedianP99AndWorst)
{
    TLatenessStats lateness;
    EXPECT_EQ(RunLogFormat::SummaryLine(lateness), QStringLiteral(",,,,,Summary: 0 carried out"));
    for (int ms = 200; ms >= 1; --ms)
        lateness.Add(ms % 2 == 0 ? ms / 2 : 100 + (ms + 1) / 2); // 1..200, shuffled
    EXPECT_EQ(RunLogFormat::SummaryLine(lateness),
              QStringLiteral(",,,,,\"Summary: 200 carried out; lateness median 100 ms, p99 198 ms, worst 200 ms\""));
    lateness.Clear();
    lateness.Add(7);
    EXPECT_EQ(lateness.Median(), 7);
    EXPECT_EQ(lateness.Percentile(99), 7);

    EXPECT_EQ(RunLogFormat::RecordFileName(QStringLiteral("/runs/2026-12-08_14-03-05.123-2.csv"), QStringLiteral(".kr9")),
              QStringLiteral("/runs/2026-12-08_14-03-05.123-2.kr9"));
}

// Local moments as the run's clock gives them: in the hour repeated when
// summer time ends, the offset tells the first pass from the second.
TEST(RunLog, LocalMomentsCarryTheirOffsetAcrossTheRepeatedHour)
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const qint64 firstPass = QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC).toMSecsSinceEpoch();
    const QString summer = RunLogFormat::Moment(QDateTime::fromMSecsSinceEpoch(firstPass));
    const QString winter = RunLogFormat::Moment(QDateTime::fromMSecsSinceEpoch(firstPass + 3600 * 1000));
    const QString january = RunLogFormat::Moment(QDateTime(QDate(2027, 1, 5), QTime(9, 15, 0, 250)));
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
    EXPECT_EQ(summer, QStringLiteral("2026-10-25T02:30:00.000+02:00"));
    EXPECT_EQ(winter, QStringLiteral("2026-10-25T02:30:00.000+01:00"));
    EXPECT_EQ(january, QStringLiteral("2027-01-05T09:15:00.250+01:00"));
    EXPECT_EQ(QDateTime::fromString(summer, Qt::ISODateWithMs).msecsTo(QDateTime::fromString(winter, Qt::ISODateWithMs)),
              3600 * 1000);
}

} // namespace
