#include "ScriptFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ScriptModel.h"

namespace ScriptFile {

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
    char buffer[16384];
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

QStringList SplitLines(const QByteArray& bytes)
{
    QString text = QString::fromLocal8Bit(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray Bytes(const TScriptLines& lines)
{
    QByteArray bytes;
    for (const QString& line : lines.Lines()) {
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
            throw EScriptError(QStringLiteral("The instruction \"%1\" holds a line break and cannot be written "
                                              "to a script file.")
                                   .arg(line.simplified()));
        bytes += line.toLocal8Bit();
        bytes += "\r\n";
    }
    return bytes;
}

TScriptLines Read(const QString& fileName)
{
    // Opened without blocking, and the opened file itself is examined: a
    // check of the name first could look at another file than the one
    // opened, and opening a named pipe would wait for a writer.
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
    return TScriptLines(SplitLines(ReadAll(file.Get(), fileName)));
}

} // namespace ScriptFile
