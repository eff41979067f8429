// Channel 9 CSV lines and sector replies, without a device: the strict line
// reader in a full-stop and a comma locale, the file reader, and the reading
// check of a sector reply.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "base/KelvorErrors.h"
#include "model/Channel9Csv.h"
#include "model/Channel9Table.h"
#include "model/FileReader.h"

namespace {

const QLocale English(QLocale::English, QLocale::UnitedStates);
const QLocale German(QLocale::German, QLocale::Germany);

std::optional<double> Read(const QString& line, const QLocale& locale)
{
    double number = 0;
    if (!Channel9Csv::ParseLine(line, locale, number))
        return std::nullopt;
    return number;
}

QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EKelvorError& error) {
        return error.Message();
    }
    return {};
}

} // namespace

// The full stop reads in every locale; the locale's own separator too.
TEST(Channel9Csv, OneNumberPerLineWithEitherSeparator)
{
    for (const QLocale& locale : {English, German}) {
        SCOPED_TRACE(locale.name().toStdString());
        EXPECT_EQ(Read(QStringLiteral("1.5"), locale), 1.5);
        EXPECT_EQ(Read(QStringLiteral(" \t-2.25  "), locale), -2.25);
        EXPECT_EQ(Read(QStringLiteral("+3e2"), locale), 300.0);
        EXPECT_EQ(Read(QStringLiteral("-1.234E-3"), locale), -0.001234);
        EXPECT_EQ(Read(QStringLiteral("-10.00E+0"), locale), -10.0); // a line the console writes
        EXPECT_EQ(Read(QStringLiteral(".5"), locale), 0.5);
        // "1.234" is 1.234 also where "." groups thousands.
        EXPECT_EQ(Read(QStringLiteral("1.234"), locale), 1.234);
        for (const char* bad : {"", "  ", "1;2", "1 2", "1.2.3", "1.234,5", "1,2,3", "abc", "1e", "e5", "1e400",
                                "0x10", "inf", "nan", "5V", "--5", "1,5;"})
            EXPECT_EQ(Read(QString::fromLatin1(bad), locale), std::nullopt) << bad;
    }
    EXPECT_EQ(Read(QStringLiteral("1,5"), German), 1.5);
    EXPECT_EQ(Read(QStringLiteral("-2,5e1"), German), -25.0);
    EXPECT_EQ(Read(QStringLiteral("1,5"), English), std::nullopt); // a thousands separator there
    EXPECT_EQ(Read(QStringLiteral("1,000"), English), std::nullopt);
}

// The first invalid line is named; a line longer than 256 bytes is invalid
// even when a number stands in it. Lines past the limit are not read at all:
// from an endless source the reader takes the limit's lines and one more
// chunk, to tell that more lines follow.
TEST(Channel9Csv, FirstInvalidLineIsNamedAndLaterLinesAreNotRead)
{
    auto parse = [](const QByteArray& bytes, int limit) {
        TLineReader lines(TLineReader::FromBytes(bytes), Channel9Csv::LongestLine);
        return Channel9Csv::ParseLines(lines, limit, English);
    };
    const QByteArray text("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n1;2\r\n8\r\n");
    EXPECT_EQ(MessageOf([&] { parse(text, 1000); }), QStringLiteral("Cannot read data. Line number 7 contain invalid data."));
    const Channel9Csv::TNumbers first = parse(text, 6);
    EXPECT_EQ(first.Numbers, (QVector<double>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(first.MoreLines);
    EXPECT_FALSE(parse(text.left(12), 6).MoreLines);

    const QByteArray padded = QByteArray(254, ' ') + "2.5"; // 257 bytes
    EXPECT_EQ(parse("1\n" + padded.right(256) + "\n", 1000).Numbers, (QVector<double>{1, 2.5}));
    EXPECT_EQ(MessageOf([&] { parse("1\n" + padded + "\n", 1000); }),
              QStringLiteral("Cannot read data. Line number 2 contain invalid data."));
    EXPECT_EQ(parse("1\n" + padded + "\n", 1).Numbers, QVector<double>{1});

    qint64 given = 0;
    TLineReader endless(
        [&given](char* buffer, qsizetype size) {
            for (qsizetype i = 0; i < size; ++i)
                buffer[i] = "7\r\n"[(given + i) % 3];
            given += size;
            return size;
        },
        Channel9Csv::LongestLine);
    const Channel9Csv::TNumbers read = Channel9Csv::ParseLines(endless, 100000, English);
    EXPECT_EQ(read.Numbers.size(), 100000);
    EXPECT_TRUE(read.MoreLines);
    EXPECT_LT(given, 300000 + 65536 + 1);
}

// Lines end at CR LF, LF or CR, also where a chunk of the file ends between
// CR and LF; only a regular file is read, and a named pipe is refused at
// once instead of waiting for a writer.
TEST(Channel9Csv, FileLinesAndFilesThatCannotBeRead)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("mixed.csv"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(65534, ' ') + "1\r\n2\n3\r4\r\n\r\n\n"); // a chunk ends after the CR
    file.close();
    TLineReader lines = FileReader::RegularFileLines(name, 70000);
    QStringList read;
    for (QByteArray line; lines.Next(line);)
        read << QString::fromLatin1(line).trimmed();
    EXPECT_EQ(read, (QStringList{"1", "2", "3", "4", "", ""}));

    const QString pipe = dir.filePath(QStringLiteral("pipe.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& bad : {pipe, dir.path(), dir.filePath(QStringLiteral("missing.csv"))})
        EXPECT_EQ(MessageOf([&] { Channel9Csv::ReadFile(bad, 1000, English); }),
                  QStringLiteral("Cannot load data from ") + bad);
}

TEST(Channel9Csv, WrittenLinesAreDeviceTextsEndedByCrLf)
{
    QVector<TVexoValue> points(4);
    points[0].SetFromText(QStringLiteral("+1.234E-3"));
    points[1].SetFromText(QStringLiteral("-5    E+0"));
    points[2].SetFromText(QStringLiteral(" 12.34E+0"));
    points[3].SetFromText(QStringLiteral("\n1.000E\r0")); // garbled by the line
    EXPECT_EQ(Channel9Csv::Text(points), QByteArray("+1.234E-3\r\n-00005E+0\r\n+12.34E+0\r\n 1.000E 0\r\n"));
}

// A sector reply counts only with "OK." and the sector asked for; whole
// nine-character points follow the number, a shorter rest is ignored.
TEST(Channel9Table, SectorReplyCheck)
{
    using Channel9::TTable;
    const QString point = QStringLiteral("+1.000E+0");
    auto count = [](const std::optional<QVector<TVexoValue>>& points) { return points ? int(points->size()) : -1; };
    EXPECT_EQ(count(Channel9::SectorPointsOf(TTable::Short, 5, QStringLiteral("OK.05") + point + point + "12")), 2);
    EXPECT_EQ(count(Channel9::SectorPointsOf(TTable::Short, 3, QStringLiteral("OK.04") + point)), -1);
    EXPECT_EQ(count(Channel9::SectorPointsOf(TTable::Short, 3, QStringLiteral("ok.03") + point)), -1);
    EXPECT_EQ(count(Channel9::SectorPointsOf(TTable::Short, 3, QStringLiteral("ER:03"))), -1);
    EXPECT_EQ(count(Channel9::SectorPointsOf(TTable::Long, 123, QStringLiteral("OK.0123"))), 0);
    const auto points = Channel9::SectorPointsOf(TTable::Long, 2, QStringLiteral("OK.0002-3.250E+0+12.34E-3"));
    ASSERT_EQ(count(points), 2);
    EXPECT_EQ((*points)[1].ToDeviceText(), QStringLiteral("+12.34E-3"));
    EXPECT_EQ(MessageOf([&] { Channel9::SectorPointsOf(TTable::Short, 1, QStringLiteral("OK.x1") + point); }),
              QStringLiteral("'x1' is not a valid integer value"));
}

TEST(Channel9Table, SectorLayoutAndAmplitudeClamp)
{
    EXPECT_EQ(Channel9::SectorCount(65), 3);
    EXPECT_EQ(Channel9::PointsInSector(65, 3), 1);
    EXPECT_EQ(Channel9::SectorCount(64), 2);
    EXPECT_EQ(Channel9::PointsInSector(64, 2), 32);
    EXPECT_EQ(Channel9::SectorCount(1000), 32);
    EXPECT_EQ(Channel9::PointsInSector(1000, 32), 8);
    // Beyond one exponent digit the number is still only clamped.
    EXPECT_EQ(Channel9::PointOf(1e12).ToAmplitudeText(), QStringLiteral("+9.990E+0"));
    EXPECT_EQ(Channel9::PointOf(-1e300).ToAmplitudeText(), QStringLiteral("-10.00E+0"));
    EXPECT_EQ(Channel9::PointOf(0.0123456).ToAmplitudeText(), QStringLiteral("+0.012E+0"));
}
