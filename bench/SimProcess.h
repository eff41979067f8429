#pragma once
// For the benchmark programs: the simulated stimulator as a process of its
// own on a private port folder, and a bare line to it with no link, for
// comparing the link's times with the line's.
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// One simulator process serving <folder>/COM<port>.
class TSimProcess {
public:
    TSimProcess(const QString& program, const QString& folder, int port, const QStringList& extra)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KELVOR9_PORT_DIR"), folder);
        FProcess.setProcessEnvironment(environment);
        FProcess.setStandardOutputFile(QProcess::nullDevice());
        FProcess.start(program, QStringList { QStringLiteral("--port"), QString::number(port) } + extra);
        if (!FProcess.waitForStarted(5000))
            throw std::runtime_error("cannot start " + program.toStdString());
        const QString entry = QStringLiteral("%1/COM%2").arg(folder).arg(port);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!QFileInfo::exists(entry)) {
            if (Clock::now() > deadline || FProcess.state() != QProcess::Running)
                throw std::runtime_error("the simulator did not publish " + entry.toStdString());
            FProcess.waitForFinished(20); // a short wait on the child, not a busy loop
        }
    }
    ~TSimProcess()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000))
            FProcess.kill();
    }

private:
    QProcess FProcess;
};

// The line <folder>/COM<port> opened raw at 38400 baud, without the link.
inline int OpenBareLine(const QString& folder, int port)
{
    const int fd = ::open(QStringLiteral("%1/COM%2").arg(folder).arg(port).toLocal8Bit().constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open the line");
    termios raw {};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    cfsetspeed(&raw, B38400);
    tcsetattr(fd, TCSANOW, &raw);
    return fd;
}

// Writes "=" and the frame, then reads until the whole reply frame came.
inline double BareRoundTripUs(int fd, const std::string& request)
{
    const auto start = Clock::now();
    [[maybe_unused]] auto a = ::write(fd, "=", 1);
    [[maybe_unused]] auto b = ::write(fd, request.data(), request.size());
    std::string got;
    for (;;) {
        const size_t frame = got.find('<');
        if (frame != std::string::npos && got.size() >= frame + 5) {
            const size_t length = std::stoul(got.substr(frame + 1, 4));
            if (got.size() >= frame + 5 + length)
                break;
        }
        pollfd wait { fd, POLLIN, 0 };
        if (::poll(&wait, 1, 5000) <= 0)
            throw std::runtime_error("no reply on the bare line");
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, size_t(n));
    }
    return Microseconds(Clock::now() - start);
}

} // namespace bench
