#include "Channel9Csv.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "KelvorErrors.h"
#include "NumberText.h"

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

// Closes the descriptor on every way out.
class TDescriptor {
public:
    explicit TDescriptor(int fd) : FFd(fd) {}
    ~TDescriptor()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};

} // namespace

QByteArray Text(const QVector<TVexoValue>& points)
{
    QByteArray bytes;
    bytes.reserve(points.size() * 11);
    for (const TVexoValue& point : points) {
        bytes += point.ToDeviceText().toLatin1();
        bytes += "\r\n";
    }
    return bytes;
}

bool ParseLine(const QString& line, const QLocale& locale, double& number)
{
    qsizetype begin = 0, end = line.size();
    while (begin < end && IsBlank(line.at(begin)))
        ++begin;
    while (end > begin && IsBlank(line.at(end - 1)))
        --end;
    const QString separator = numtext::DecimalSeparator(locale);
    QString text = line.mid(begin, end - begin);
    // One separator character at most, whichever of the two it is.
    const qsizetype separators = text.count(QLatin1Char('.')) + (separator == QLatin1String(".") ? 0 : text.count(separator));
    if (separators > 1)
        return false;
    if (separator != QLatin1String("."))
        text.replace(separator, QStringLiteral("."));
    // The full-stop reader refuses blanks, group separators and any other text.
    return numtext::ParseFullStop(text, number);
}

QVector<double> ParseLines(const QStringList& lines, int limit, const QLocale& locale)
{
    const qsizetype n = std::min<qsizetype>(lines.size(), limit);
    QVector<double> numbers(n);
    for (qsizetype i = 0; i < n; ++i) {
        if (!ParseLine(lines.at(i), locale, numbers[i]))
            throw EKelvorError(QStringLiteral("Cannot read data. Line number %1 contain invalid data.").arg(i + 1));
    }
    return numbers;
}

QStringList ReadLines(const QString& fileName)
{
    // The opened file itself is examined (a check of the name first could
    // look at another file), and opening a named pipe must not wait for a
    // writer.
    const QByteArray name = QFile::encodeName(fileName);
    TDescriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        CannotLoad(fileName);
    QByteArray bytes;
    bytes.reserve(qsizetype(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            CannotLoad(fileName);
        }
        bytes.append(buffer, got);
    }
    QString text = QString::fromLocal8Bit(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    // A line break at the very end ends the last line; it does not start one.
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace Channel9Csv
