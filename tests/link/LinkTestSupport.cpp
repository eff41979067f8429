#include "LinkTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QRegularExpression>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

TPtyPair::TPtyPair()
{
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0)
        throw std::runtime_error("no pseudo-terminal");
    FSlavePath = QString::fromLocal8Bit(::ptsname(FMaster));
    ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
}

TPtyPair::~TPtyPair() { CloseMaster(); }

void TPtyPair::CloseMaster()
{
    if (FMaster >= 0)
        ::close(FMaster);
    FMaster = -1;
}

void TPtyPair::Write(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(FMaster, bytes.data() + done, bytes.size() - done);
        if (put > 0) {
            done += size_t(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR)
            throw std::runtime_error("pty write failed");
        pollfd wait { FMaster, POLLOUT, 0 };
        ::poll(&wait, 1, 1000);
    }
}

std::string TPtyPair::ReadAtLeast(size_t count, int timeoutMs)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd wait { FMaster, POLLIN, 0 };
        if (::poll(&wait, 1, int(left)) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, size_t(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

TScriptedDevice::TScriptedDevice(TResponder responder, bool answerAttention)
    : FResponder(std::move(responder)), FAnswerAttention(answerAttention)
{
    if (::pipe2(FWake, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipe");
    FThread = std::thread([this] { Run(); });
}

TScriptedDevice::~TScriptedDevice()
{
    [[maybe_unused]] auto put = ::write(FWake[1], "x", 1);
    FThread.join();
    ::close(FWake[0]);
    ::close(FWake[1]);
}

std::string TScriptedDevice::Received() const
{
    std::lock_guard<std::mutex> lock(FLock);
    return FReceived;
}

bool TScriptedDevice::WaitForReceived(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(FLock);
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return FReceived.size() >= count; });
}

void TScriptedDevice::Run()
{
    for (;;) {
        pollfd fds[2] = { { FWake[0], POLLIN, 0 }, { FPty.Master(), POLLIN, 0 } };
        ::poll(fds, 2, -1);
        if (fds[0].revents)
            return;
        char buffer[4096];
        const ssize_t n = ::read(FPty.Master(), buffer, sizeof buffer);
        if (n <= 0)
            continue;
        std::string answer;
        {
            std::lock_guard<std::mutex> lock(FLock);
            FReceived.append(buffer, size_t(n));
            FUnparsed.append(buffer, size_t(n));
            // "=" outside frames, then frames ">NNNN" + text.
            for (;;) {
                if (FUnparsed.empty())
                    break;
                if (FUnparsed[0] == '=') {
                    if (FAnswerAttention)
                        answer += '=';
                    FUnparsed.erase(0, 1);
                    continue;
                }
                if (FUnparsed[0] != '>') {
                    FUnparsed.erase(0, 1);
                    continue;
                }
                if (FUnparsed.size() < 5)
                    break;
                const size_t length = std::stoul(FUnparsed.substr(1, 4));
                if (FUnparsed.size() < 5 + length)
                    break;
                const std::string text = FUnparsed.substr(5, length);
                FUnparsed.erase(0, 5 + length);
                answer += FResponder ? FResponder(text) : std::string();
            }
            FChanged.notify_all();
        }
        if (!answer.empty())
            FPty.Write(answer);
    }
}

TPortFolder::TPortFolder()
{
    if (!FDir.isValid())
        throw std::runtime_error("no temporary folder");
}

void TPortFolder::Link(int number, const QString& target)
{
    const QString link = QStringLiteral("%1/COM%2").arg(Path()).arg(number);
    QFile::remove(link);
    QFile::link(target, link);
}

void TPortFolder::Unlink(int number) { QFile::remove(QStringLiteral("%1/COM%2").arg(Path()).arg(number)); }

QStringList TRecordingView::Texts() const
{
    static const QRegularExpression stamp(QStringLiteral("^\r\n\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d:\\.\\.\\.\\.\\."));
    QStringList texts;
    for (QString entry : Entries)
        texts << entry.remove(stamp);
    return texts;
}

void PrepareLink(TfrmComm& link, const QString& portFolder, int timeoutMs)
{
    link.Settings().PortFolder = portFolder;
    link.Settings().SysfsRoot = portFolder + QStringLiteral("/no-sysfs");
    link.Settings().Arguments = QStringList({ QStringLiteral("kelvor9") });
    link.Settings().OpenPauseMs = 0;
    link.Settings().DialogueTimeoutMs = timeoutMs * TestTimeScale();
}

int TestTimeScale()
{
    // A sanitizer build runs several times slower: its runs set
    // KELVOR9_TEST_TIME_SCALE so that the dialogues' limits stretch with it.
    const int scale = qEnvironmentVariableIntValue("KELVOR9_TEST_TIME_SCALE");
    return scale > 1 ? scale : 1;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the wait now and then to look at the clock
    tick.start(20);
    while (!condition()) {
        if (clock.elapsed() > qint64(timeoutMs) * TestTimeScale())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
