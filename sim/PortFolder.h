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

// Holds an exclusive lock on <dir>/.COM<n>.lock for as long as it lives. The
// file names the holder's process and the pseudo-terminal it published, so
// that the next run knows a link that an earlier run left behind.
class PortClaim {
public:
    PortClaim(const std::string& dir, int port);  // throws when a live process holds it
    ~PortClaim();
    PortClaim(const PortClaim&) = delete;
    PortClaim& operator=(const PortClaim&) = delete;

    // The pseudo-terminal an earlier run that ended without cleaning up had published; or "".
    const std::string& leftByEarlierRun() const { return earlierTarget_; }
    void recordTarget(const std::string& target);

private:
    std::string path_;
    int fd_ = -1;
    std::string earlierTarget_;
};

// Throws, naming the entry and suggesting another port, unless <linkPath> is
// free for a link of ours: missing, a link that leads nowhere, or a link to
// ownTarget (what this simulator published there before). Anything else is
// the operator's and is left alone.
void checkLinkReplaceable(const std::string& linkPath, const std::string& ownTarget);

// Points <linkPath> at target, replacing an earlier link in one step, after
// checkLinkReplaceable.
void publishLink(const std::string& linkPath, const std::string& target, const std::string& ownTarget);

// Removes the link if it still points at target.
void removeLink(const std::string& linkPath, const std::string& target);

}  // namespace sim
