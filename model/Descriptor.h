#pragma once
// A file descriptor that is closed on every way out of its scope, unless it
// was closed on purpose to learn how the close went.
#include <cerrno>
#include <unistd.h>

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
    // 0, or the reason the close failed (some file systems report a failed
    // write only here).
    int Close()
    {
        const int result = ::close(FFd);
        FFd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int FFd;
};
