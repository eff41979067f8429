#include "Channel9Csv.h"

#include "FileReader.h"
#include "NumberText.h"
#include "base/KelvorErrors.h"

namespace Channel9Csv {

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

[[noreturn]] void CannotLoad(const QString& fileName)
{
    throw EFileError(QStringLiteral("Cannot load data from ") + fileName);
}

} // namespace

QByteArray Text(const QVector<TVexoValue>& points)
{
    QByteArray bytes;
    bytes.reserve(points.size() * 11);
    for (const TVexoValue& point : points) {
        QByteArray line = point.ToDeviceText().toLatin1();
        // A garbled reply must not break a point into two lines.
        for (char& c : line) {
            if (static_cast<unsigned char>(c) < ' ' || c == '\x7f')
                c = ' ';
        }
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

namespace {

QChar SeparatorOf(const QLocale& locale)
{
    const QString separator = numtext::DecimalSeparator(locale);
    return separator.size() == 1 ? separator.at(0) : QLatin1Char('.');
}

bool ParseWith(QStringView line, QChar separator, double& number)
{
    qsizetype begin = 0, end = line.size();
    while (begin < end && IsBlank(line.at(begin)))
        ++begin;
    while (end > begin && IsBlank(line.at(end - 1)))
        --end;
    // The number in 8-bit text with the full stop as its one separator. A
    // number is short: a longer line is no number (and no allocation).
    char text[64];
    if (end - begin >= qsizetype(sizeof text))
        return false;
    size_t n = 0;
    int separators = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('.') || c == separator) {
            ++separators;
            text[n++] = '.';
        } else if (c.unicode() < 0x80) {
            text[n++] = char(c.unicode());
        } else {
            return false;
        }
    }
    // One separator character at most, whichever of the two it is.
    if (separators > 1)
        return false;
    // The full-stop reader refuses blanks, group separators and any other text.
    return numtext::ParseFullStop(std::string_view(text, n), number);
}

} // namespace

bool ParseLine(QStringView line, const QLocale& locale, double& number)
{
    return ParseWith(line, SeparatorOf(locale), number);
}

TNumbers ParseLines(TLineReader& lines, int limit, const QLocale& locale)
{
    const QChar separator = SeparatorOf(locale);
    TNumbers read;
    QByteArray line;
    while (read.Numbers.size() < limit && lines.Next(line)) {
        double number = 0;
        if (lines.TooLong() || !ParseWith(QString::fromLocal8Bit(line), separator, number))
            throw EKelvorError(QStringLiteral("Cannot read data. Line number %1 contain invalid data.")
                                   .arg(read.Numbers.size() + 1));
        read.Numbers.append(number);
    }
    read.MoreLines = read.Numbers.size() == limit && lines.Next(line);
    return read;
}

TNumbers ReadFile(const QString& fileName, int limit, const QLocale& locale)
{
    try {
        TLineReader lines = FileReader::RegularFileLines(fileName, LongestLine);
        return ParseLines(lines, limit, locale);
    } catch (const EFileError&) {
        CannotLoad(fileName);
    }
}

} // namespace Channel9Csv
