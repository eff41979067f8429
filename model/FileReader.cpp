#include "FileReader.h"

#include <QFile>

#include <cerrno>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Descriptor.h"
#include "base/KelvorErrors.h"

namespace FileReader {

namespace {

[[noreturn]] void CannotOpen(const QString& fileName, const QString& reason)
{
    throw EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, reason));
}

// 0 at the end of the file.
qsizetype ReadSome(int fd, char* buffer, qsizetype size, const QString& fileName)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size_t(size));
        if (got >= 0)
            return got;
        if (errno != EINTR)
            throw EFileError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, qt_error_string(errno)));
    }
}

QByteArray ReadAll(int fd, const QString& fileName)
{
    QByteArray bytes;
    char buffer[65536];
    while (const qsizetype got = ReadSome(fd, buffer, sizeof buffer, fileName))
        bytes.append(buffer, got);
    return bytes;
}

// The descriptor of the named file when it is a regular file.
std::shared_ptr<TDescriptor> OpenRegularFile(const QString& fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        CannotOpen(fileName, qt_error_string(errno));
    auto file = std::make_shared<TDescriptor>(fd);
    struct stat status {};
    if (::fstat(file->Get(), &status) != 0)
        CannotOpen(fileName, qt_error_string(errno));
    if (S_ISDIR(status.st_mode))
        CannotOpen(fileName, QStringLiteral("It is a folder."));
    if (!S_ISREG(status.st_mode))
        CannotOpen(fileName, QStringLiteral("It is not a regular file."));
    return file;
}

} // namespace

QByteArray ReadRegularFile(const QString& fileName)
{
    return ReadAll(OpenRegularFile(fileName)->Get(), fileName);
}

TLineReader RegularFileLines(const QString& fileName, qsizetype longestLine)
{
    std::shared_ptr<TDescriptor> file = OpenRegularFile(fileName);
    return TLineReader(
        [file, fileName](char* buffer, qsizetype size) { return ReadSome(file->Get(), buffer, size, fileName); },
        longestLine);
}

std::vector<QStringView> LineViews(QStringView text)
{
    // One pass: replacing the line ends first would move the rest of the
    // text once per batch of line ends, which is quadratic in a large file.
    std::vector<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.push_back(text.sliced(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.sliced(start));
    return lines;
}

QStringList SplitTextLines(const QString& text)
{
    QStringList lines;
    for (const QStringView line : LineViews(text))
        lines << line.toString();
    return lines;
}

} // namespace FileReader
