#include "FileReader.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "link/KelvorErrors.h"

namespace FileReader {

namespace {

[[noreturn]] void CannotOpen(const QString& fileName, const QString& reason)
{
    throw EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, reason));
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

QByteArray ReadAll(int fd, const QString& fileName)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            return bytes;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, qt_error_string(errno)));
        }
        bytes.append(buffer, got);
    }
}

} // namespace

QByteArray ReadRegularFile(const QString& fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    TDescriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0)
        CannotOpen(fileName, qt_error_string(errno));
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        CannotOpen(fileName, qt_error_string(errno));
    if (S_ISDIR(status.st_mode))
        CannotOpen(fileName, QStringLiteral("It is a folder."));
    if (!S_ISREG(status.st_mode))
        CannotOpen(fileName, QStringLiteral("It is not a regular file."));
    return ReadAll(file.Get(), fileName);
}

QStringList SplitTextLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace FileReader
