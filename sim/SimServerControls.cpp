// The simulator's accessors and fault switches, for the program and for tests.
#include "SimServerImpl.h"

#include <algorithm>

namespace sim {

std::string SimServer::linkPath() const { return d->link; }
std::string SimServer::portDir() const { return d->dir; }

std::string SimServer::slavePath() const { return d->locked([&] { return d->slavePath; }); }

std::vector<std::string> SimServer::frames() const { return d->locked([&] { return d->frames; }); }

int SimServer::attentionCount() const { return d->locked([&] { return d->attention; }); }

void SimServer::clearLog()
{
    std::lock_guard lock(d->m);
    d->frames.clear();
    d->dropped.clear();
    d->attention = 0;
}

std::vector<std::string> SimServer::droppedFrames() const { return d->locked([&] { return d->dropped; }); }

bool SimServer::waitForDroppedFrames(size_t n, int timeoutMs) const
{
    return d->waitFor(timeoutMs, [&] { return d->dropped.size() >= n; });
}

bool SimServer::waitForFrames(size_t n, int timeoutMs) const
{
    return d->waitFor(timeoutMs, [&] { return d->frames.size() >= n; });
}

bool SimServer::waitForFramesStarting(const std::string& prefix, size_t n, int timeoutMs) const
{
    return d->waitFor(timeoutMs, [&] {
        return size_t(std::count_if(d->frames.begin(), d->frames.end(),
                                    [&](const std::string& frame) { return frame.rfind(prefix, 0) == 0; }))
            >= n;
    });
}

int SimServer::linesServed() const { return d->locked([&] { return d->lines; }); }

bool SimServer::waitForLinesServed(int n, int timeoutMs) const
{
    return d->waitFor(timeoutMs, [&] { return d->lines >= n; });
}

SimState SimServer::state() const { return d->locked([&] { return d->state; }); }

void SimServer::setState(const SimState& state) { d->locked([&] { d->state = state; }); }

void SimServer::setSilent(bool on) { d->locked([&] { d->opt.silent = on; }); }

void SimServer::setDelayMs(int ms) { d->locked([&] { d->opt.delayMs = ms; }); }

void SimServer::setGarbage(bool on) { d->locked([&] { d->opt.garbage = on; }); }

void SimServer::setBadLength(bool on) { d->locked([&] { d->opt.badLength = on; }); }

void SimServer::setTruncate(bool on) { d->locked([&] { d->opt.truncate = on; }); }

void SimServer::setFrameFaultPrefixes(std::vector<std::string> prefixes)
{
    d->locked([&] { d->frameFaultPrefixes = std::move(prefixes); });
}

void SimServer::setCannedReplies(std::vector<std::pair<std::string, std::string>> replies)
{
    d->locked([&] { d->device.setCannedReplies(std::move(replies)); });
}

void SimServer::setRefuse(std::vector<std::pair<std::string, std::string>> refuse)
{
    std::lock_guard lock(d->m);
    d->device.setRefusals(refuse);
    d->opt.refuse = std::move(refuse);
}

}  // namespace sim
