#pragma once
// The port folder where serial ports are published as COM<n> entries, and the
// claim on one COM name that keeps two simulators from serving it at once.

#include <string>

namespace sim {

// $KELVOR9_PORT_DIR, else $XDG_RUNTIME_DIR/kelvor9, else /tmp/kelvor9-<uid>.
std::string resolvePortDir();

// Creates the folder (mode 0700) when missing; throws std::runtime_error when it
// cannot, or when the shared /tmp fallback belongs to someone else.
void ensurePortDir(const std::string& dir);

// Holds an exclusive lock on <dir>/.COM<n>.lock for as long as it lives.
class PortClaim {
public:
    PortClaim(const std::string& dir, int port);  // throws when a live process holds it
    ~PortClaim();
    PortClaim(const PortClaim&) = delete;
    PortClaim& operator=(const PortClaim&) = delete;

private:
    std::string path_;
    int fd_ = -1;
};

// Points <linkPath> at target, replacing an earlier link in one step. Refuses to
// replace anything that is not a symbolic link.
void publishLink(const std::string& linkPath, const std::string& target);

// Removes the link if it still points at target.
void removeLink(const std::string& linkPath, const std::string& target);

}  // namespace sim
