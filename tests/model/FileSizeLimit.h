#pragma once
// Makes the system refuse to grow any file of this process past `bytes` for
// one test step, the way a full disk refuses: a write past the limit fails
// with EFBIG ("File too large") through the same calls as ENOSPC would.
// SIGXFSZ, which would end the process instead, is ignored meanwhile. Both
// are restored when the guard ends.
#include <csignal>
#include <sys/resource.h>

class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &FSaved);
        FSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FSaved;
        limit.rlim_cur = bytes;
        Active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FSavedHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

    bool Active = false;

private:
    rlimit FSaved {};
    void (*FSavedHandler)(int) = nullptr;
};
