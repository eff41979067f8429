#include "PtyLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

PtyLine::~PtyLine() { close(); }

void PtyLine::open()
{
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        fail("cannot open a pseudo-terminal");
    try {
        char name[128];
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || ::ptsname_r(master_, name, sizeof name) != 0)
            fail("cannot prepare the pseudo-terminal");
        slavePath_ = name;
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0)
            fail("cannot open " + slavePath_);
        termios tio {};
        if (::tcgetattr(slave_, &tio) != 0)
            fail("cannot read the line settings of " + slavePath_);
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B38400);
        ::cfsetospeed(&tio, B38400);
        if (::tcsetattr(slave_, TCSANOW, &tio) != 0)
            fail("cannot set raw mode on " + slavePath_);
        int flags = ::fcntl(master_, F_GETFL);
        if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
            fail("cannot make the pseudo-terminal non-blocking");
    } catch (...) {
        close();
        throw;
    }
}

int PtyLine::unreadByConsole() const
{
    int count = 0;
    return slave_ >= 0 && ::ioctl(slave_, FIONREAD, &count) == 0 ? count : 0;
}

void PtyLine::close()
{
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
    slavePath_.clear();
}

}  // namespace sim
