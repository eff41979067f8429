#include "TestSupport.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace simtest {

TempDir::TempDir()
{
    char name[] = "/tmp/k9sim-test-XXXXXX";
    if (!::mkdtemp(name))
        throw std::runtime_error("mkdtemp failed");
    path_ = name;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

PtyClient::PtyClient(const std::string& path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return;
    termios tio {};
    ::tcgetattr(fd_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd_, TCSANOW, &tio);
}

PtyClient::~PtyClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void PtyClient::send(std::string_view bytes)
{
    if (::write(fd_, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        throw std::runtime_error("write to the simulator failed");
}

size_t PtyClient::sendSome(std::string_view bytes, int timeoutMs)
{
    pollfd p {fd_, POLLOUT, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return 0;
    ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    return n > 0 ? size_t(n) : 0;
}

void PtyClient::sendCommand(std::string_view text)
{
    char length[16];
    std::snprintf(length, sizeof length, ">%04zu", text.size());
    send("=");
    send(std::string(length) + std::string(text));
}

std::string PtyClient::readUntil(const std::function<bool(const std::string&)>& done, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done(received_)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p {fd_, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            continue;
        char buf[4096];
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0)
            received_.append(buf, size_t(n));
        else if (p.revents & POLLHUP)
            break;
    }
    std::string all = received_;
    received_.clear();
    return all;
}

std::string firstPayload(const std::string& bytes)
{
    size_t lt = bytes.find('<');
    if (lt == std::string::npos || bytes.size() < lt + 5)
        return {};
    size_t length = std::strtoul(bytes.substr(lt + 1, 4).c_str(), nullptr, 10);
    if (bytes.size() < lt + 5 + length)
        return {};
    return bytes.substr(lt + 5, length);
}

std::string PtyClient::readReplyFrame(int timeoutMs)
{
    return readUntil(
        [](const std::string& b) {
            size_t lt = b.find('<');
            if (lt == std::string::npos || b.size() < lt + 5)
                return false;
            return b.size() >= lt + 5 + std::strtoul(b.substr(lt + 1, 4).c_str(), nullptr, 10);
        },
        timeoutMs);
}

bool PtyClient::waitForHangup(int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p {fd_, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            continue;
        if (p.revents & (POLLHUP | POLLERR))
            return true;
        char buf[256];
        if (::read(fd_, buf, sizeof buf) < 0 && errno == EIO)
            return true;
    }
}

}  // namespace simtest
