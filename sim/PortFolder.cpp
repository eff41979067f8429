#include "PortFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

std::string readLink(const std::string& path)
{
    char buf[4096];
    ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    return n < 0 ? std::string() : std::string(buf, size_t(n));
}

}  // namespace

std::string resolvePortDir()
{
    if (const char* dir = std::getenv("KELVOR9_PORT_DIR"); dir && *dir)
        return dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/kelvor9";
    return "/tmp/kelvor9-" + std::to_string(::getuid());
}

void ensurePortDir(const std::string& dir)
{
    if (dir.empty())
        throw std::runtime_error("empty port folder name");
    // Create missing parents too; every folder made here is private.
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        std::string part = dir.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error(systemError("cannot create port folder " + part));
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0)
        throw std::runtime_error(systemError("cannot reach port folder " + dir));
    if (!S_ISDIR(st.st_mode))
        throw std::runtime_error("port folder " + dir + " is not a folder");
    // In the shared /tmp a folder of another user could carry links of its choosing.
    if (dir.rfind("/tmp/", 0) == 0 && st.st_uid != ::getuid())
        throw std::runtime_error("port folder " + dir + " belongs to another user");
}

PortClaim::PortClaim(const std::string& dir, int port) : path_(dir + "/.COM" + std::to_string(port) + ".lock")
{
    // Lock, then make sure the file locked is still the one under that name: a
    // simulator that is just leaving removes it while holding the lock.
    for (int attempt = 0; attempt < 10; ++attempt) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw std::runtime_error(systemError("cannot open " + path_));
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            int err = errno;
            char buf[32] = {};
            ssize_t n = ::pread(fd_, buf, sizeof buf - 1, 0);
            ::close(fd_);
            fd_ = -1;
            if (err == EWOULDBLOCK) {
                std::string pid = n > 0 ? std::string(buf, size_t(n)) : std::string("?");
                pid = pid.substr(0, pid.find('\n'));
                throw std::runtime_error("COM" + std::to_string(port) +
                                         " is already served by a live simulator (process " + pid + ")");
            }
            errno = err;
            throw std::runtime_error(systemError("cannot lock " + path_));
        }
        struct stat held {}, named {};
        if (::fstat(fd_, &held) == 0 && ::stat(path_.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev) {
            // A lock file nobody holds was left by a run that did not end cleanly.
            char buf[256] = {};
            ssize_t n = ::pread(fd_, buf, sizeof buf - 1, 0);
            std::string earlier = n > 0 ? std::string(buf, size_t(n)) : std::string();
            size_t line = earlier.find('\n');
            earlier = line == std::string::npos ? std::string() : earlier.substr(line + 1);
            earlier = earlier.substr(0, earlier.find('\n'));
            // Only ever a pseudo-terminal of ours, never a name an operator could have chosen.
            if (earlier.rfind("/dev/pts/", 0) == 0)
                earlierTarget_ = earlier;
            recordTarget("");
            return;
        }
        ::close(fd_);
        fd_ = -1;
    }
    throw std::runtime_error("cannot claim " + path_ + ": it keeps changing");
}

void PortClaim::recordTarget(const std::string& target)
{
    std::string text = std::to_string(::getpid()) + "\n" + target + "\n";
    if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, text.data(), text.size(), 0) < 0) {
        // The contents are a courtesy: the refusal message and the next run's judgement of a stale link.
    }
}

PortClaim::~PortClaim()
{
    if (fd_ >= 0) {
        ::unlink(path_.c_str());
        ::close(fd_);
    }
}

void checkLinkReplaceable(const std::string& linkPath, const std::string& ownTarget)
{
    const std::string advice = "; it is left as it is. Serve another port with --port N.";
    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return;
        throw std::runtime_error(systemError("cannot look at " + linkPath));
    }
    if (!S_ISLNK(st.st_mode))
        throw std::runtime_error(linkPath + " exists and is not a link" + advice);
    std::string target = readLink(linkPath);
    if (!ownTarget.empty() && target == ownTarget)
        return;
    if (::stat(linkPath.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return;  // leads nowhere: left by an earlier run
    throw std::runtime_error(linkPath + " is a link to " + target + ", which this simulator did not make" + advice);
}

void publishLink(const std::string& linkPath, const std::string& target, const std::string& ownTarget)
{
    checkLinkReplaceable(linkPath, ownTarget);
    // A hidden temporary name, so nobody lists it as a port in the meantime.
    size_t slash = linkPath.rfind('/');
    std::string temp = linkPath.substr(0, slash + 1) + "." + linkPath.substr(slash + 1) + ".new-" +
                       std::to_string(::getpid());
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0)
        throw std::runtime_error(systemError("cannot create link " + temp));
    if (::rename(temp.c_str(), linkPath.c_str()) != 0) {
        std::string message = systemError("cannot publish link " + linkPath);
        ::unlink(temp.c_str());
        throw std::runtime_error(message);
    }
}

void removeLink(const std::string& linkPath, const std::string& target)
{
    if (readLink(linkPath) == target)
        ::unlink(linkPath.c_str());
}

}  // namespace sim
