#include "SerialServices.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>

int SetTermios2Speed(int fd, int bitsPerSecond); // PosixBaud.cpp

namespace {

int ErrnoOr(int result) { return result < 0 ? errno : 0; }

class TPosixSerialServices final : public TSerialServices {
public:
    int OpenDevice(const QString& path, int& fd) override
    {
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return fd < 0 ? errno : 0;
    }

    int CloseDevice(int fd) override { return ErrnoOr(::close(fd)); }

    bool IsCharacterDevice(int fd) override
    {
        struct stat info {};
        return ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode);
    }

    int TakeExclusive(int fd) override
    {
        // flock also stops a second program run by root, which TIOCEXCL does not.
        if (::flock(fd, LOCK_EX | LOCK_NB) < 0)
            return errno;
        if (::ioctl(fd, TIOCEXCL) < 0 && errno != ENOTTY && errno != EINVAL)
            return errno;
        return 0;
    }

    int GetLine(int fd, termios& settings) override { return ErrnoOr(::tcgetattr(fd, &settings)); }
    int SetLine(int fd, const termios& settings) override
    {
        return ErrnoOr(::tcsetattr(fd, TCSANOW, &settings));
    }
    int SetCustomSpeed(int fd, int bitsPerSecond) override { return SetTermios2Speed(fd, bitsPerSecond); }

    int BytesWaiting(int fd, int& count) override
    {
        count = 0;
        return ErrnoOr(::ioctl(fd, FIONREAD, &count));
    }

    int ReadSome(int fd, char* buffer, int size, int& count) override
    {
        count = 0;
        if (size <= 0)
            return 0;
        for (;;) {
            const ssize_t got = ::read(fd, buffer, size_t(size));
            if (got >= 0) {
                count = int(got);
                return 0;
            }
            if (errno == EINTR)
                continue;
            return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : errno;
        }
    }

    int WriteAll(int fd, const char* buffer, int size, int timeoutMs, int& count) override
    {
        count = 0;
        QElapsedTimer clock;
        clock.start();
        while (count < size) {
            const ssize_t put = ::write(fd, buffer + count, size_t(size - count));
            if (put > 0) {
                count += int(put);
                clock.restart(); // the line takes bytes: the wait starts again
                continue;
            }
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return errno;
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0)
                return 0;
            pollfd wait { fd, POLLOUT, 0 };
            if (::poll(&wait, 1, int(left)) < 0 && errno != EINTR)
                return errno;
            if (wait.revents & (POLLHUP | POLLERR | POLLNVAL))
                return EIO;
        }
        return 0;
    }

    int Purge(int fd) override { return ErrnoOr(::tcflush(fd, TCIOFLUSH)); }

    int SetModemLine(int fd, int line, bool on) override
    {
        return ErrnoOr(::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line));
    }

    int SetLowLatency(int fd) override
    {
        serial_struct info {};
        if (::ioctl(fd, TIOCGSERIAL, &info) < 0)
            return errno;
        if (info.flags & ASYNC_LOW_LATENCY)
            return 0;
        info.flags |= ASYNC_LOW_LATENCY;
        return ErrnoOr(::ioctl(fd, TIOCSSERIAL, &info));
    }

    bool HungUp(int fd) override
    {
        pollfd check { fd, POLLIN, 0 };
        return ::poll(&check, 1, 0) > 0 && (check.revents & (POLLHUP | POLLERR)) != 0;
    }
};

} // namespace

TSerialServices& PosixSerialServices()
{
    static TPosixSerialServices services;
    return services;
}
