#include "FileWriter.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Descriptor.h"
#include "base/KelvorErrors.h"

namespace FileWriter {

namespace {

[[noreturn]] void Fail(const QString& fileName, const QString& reason)
{
    throw EFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, reason));
}

[[noreturn]] void FailWith(const QString& fileName, int error)
{
    Fail(fileName, qt_error_string(error));
}

// Where the bytes go: the named file with its links followed.
struct TTarget {
    QByteArray Path;
    bool Exists = false;
    struct stat Status {};
};

TTarget Resolve(const QString& fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    TTarget target;
    if (::stat(name.constData(), &target.Status) == 0) {
        if (S_ISDIR(target.Status.st_mode))
            Fail(fileName, QStringLiteral("It is a folder."));
        if (!S_ISREG(target.Status.st_mode))
            Fail(fileName, QStringLiteral("It is not a regular file."));
        char* real = ::realpath(name.constData(), nullptr);
        if (!real)
            FailWith(fileName, errno);
        target.Path = real;
        std::free(real);
        target.Exists = true;
        return target;
    }
    if (errno != ENOENT)
        FailWith(fileName, errno);
    struct stat link {};
    if (::lstat(name.constData(), &link) == 0)
        Fail(fileName, QStringLiteral("It is a symbolic link to a missing file."));
    target.Path = name;
    return target;
}

// 0, or the reason the bytes could not all be written.
int WriteAll(int fd, const QByteArray& content)
{
    for (qsizetype done = 0; done < content.size();) {
        const ssize_t count = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += count;
    }
    return 0;
}

// A new file beside the target, created with the permissions a new file
// gets (the process's umask applies); -1 with errno on failure.
int CreateBeside(const QByteArray& target, QByteArray& temporary)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target + '.';
        for (int i = 0; i < 6; ++i)
            temporary += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
        const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// The folder allows no new file, but the file itself may be written: it is
// rewritten where it stands (an interrupted write then leaves it cut short).
void WriteInPlace(const QString& fileName, const TTarget& target, const QByteArray& content)
{
    TDescriptor file(::open(target.Path.constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (file.Get() < 0)
        FailWith(fileName, errno);
    struct stat status {};
    // The file may have been swapped for something else since it was looked at.
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        Fail(fileName, QStringLiteral("It is not a regular file."));
    if (::ftruncate(file.Get(), 0) != 0)
        FailWith(fileName, errno);
    if (const int error = WriteAll(file.Get(), content))
        FailWith(fileName, error);
    if (const int error = file.Close())
        FailWith(fileName, error);
}

} // namespace

void CheckTarget(const QString& fileName)
{
    Resolve(fileName);
}

void WriteAtomically(const QString& fileName, const QByteArray& content)
{
    const TTarget target = Resolve(fileName);
    QByteArray temporary;
    TDescriptor file(CreateBeside(target.Path, temporary));
    if (file.Get() < 0) {
        const int error = errno;
        if (target.Exists && (error == EACCES || error == EPERM || error == EROFS))
            return WriteInPlace(fileName, target, content);
        FailWith(fileName, error);
    }
    auto fail = [&](int error) {
        ::unlink(temporary.constData());
        FailWith(fileName, error);
    };
    if (target.Exists) {
        // The file keeps its permissions (and, where allowed, its owner).
        if (::fchmod(file.Get(), target.Status.st_mode & 07777) != 0)
            fail(errno);
        // Only root may give a file away; for others the file stays theirs.
        [[maybe_unused]] const int owned = ::fchown(file.Get(), target.Status.st_uid, target.Status.st_gid);
    }
    if (const int error = WriteAll(file.Get(), content))
        fail(error);
    if (const int error = file.Close())
        fail(error);
    if (::rename(temporary.constData(), target.Path.constData()) != 0)
        fail(errno);
}

} // namespace FileWriter
