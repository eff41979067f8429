// Speeds that have no Bnnn constant are set through the kernel's termios2,
// whose header cannot share a translation unit with <termios.h>.
#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

int SetTermios2Speed(int fd, int bitsPerSecond)
{
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) < 0)
        return errno;
    settings.c_cflag &= ~CBAUD;
    settings.c_cflag |= BOTHER;
    settings.c_cflag &= ~(CBAUD << IBSHIFT);
    settings.c_cflag |= BOTHER << IBSHIFT;
    settings.c_ispeed = unsigned(bitsPerSecond);
    settings.c_ospeed = unsigned(bitsPerSecond);
    return ::ioctl(fd, TCSETS2, &settings) < 0 ? errno : 0;
}
