#pragma once
// The simulator's inner state, shared by the serving loop (SimServer.cpp) and
// the test-facing controls (SimServerControls.cpp). Not part of the library's interface.

#include "SimServer.h"

#include "Device.h"
#include "FrameReader.h"
#include "PacedQueue.h"
#include "PortFolder.h"
#include "PtyLine.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace sim {

struct SimServer::Impl {
    using Clock = PacedQueue::Clock;

    explicit Impl(SimOptions o)
        : opt(std::move(o)),
          state(factoryState()),
          device(state, [this](const std::string& t) { log("note  " + t); }),
          reader(std::chrono::milliseconds(opt.frameIdleMs))
    {
        device.setRefusals(opt.refuse);
        in.setBaud(opt.baud);
        out.setBaud(opt.baud);
    }

    // Everything below `m` guards, except the members only the serving thread touches.
    mutable std::mutex m;
    mutable std::condition_variable changed;
    SimOptions opt;
    SimState state;
    Device device;
    std::vector<std::string> frames;
    std::vector<std::string> dropped;
    int attention = 0;
    int lines = 0;
    std::string slavePath;  // what the link points at now

    std::mutex logMutex;
    std::string dir, link;
    std::unique_ptr<PortClaim> claim;
    bool running = false;
    int wake[2] = {-1, -1};
    std::thread thread;

    // Serving thread only.
    PtyLine line;
    std::string published;  // what this simulator last linked as COM<n>, also in an earlier run
    FrameReader reader;
    PacedQueue in;   // read from the line, not yet taken in
    PacedQueue out;  // to be written to the line
    int commandsOnLine = 0;
    bool hangupDone = false;
    bool hangupPending = false;
    std::optional<Clock::time_point> reopenAt;
    std::optional<Clock::time_point> lineQuietUntil;
    std::optional<Clock::time_point> hangupWaitSince;
    Clock::time_point lastWrite {};
    std::vector<std::string> frameFaultPrefixes;  // under `m`; empty: every reply

    void log(const std::string& text)
    {
        if (!opt.log)
            return;
        std::lock_guard lock(logMutex);
        *opt.log << text << std::endl;
    }

    // Runs f under `m`, for the accessors.
    template <class F>
    decltype(auto) locked(F f) const
    {
        std::lock_guard lock(m);
        return f();
    }
    template <class Done>
    bool waitFor(int timeoutMs, Done done) const
    {
        std::unique_lock lock(m);
        return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
    }

    void run();
    void flushDue();
    void readInput();
    void takeInput(Clock::time_point now);
    void handle(const FrameReader::Event& e);
    void handleFrame(const std::string& text);
    bool frameFaultsApply(const std::string& command) const;
    void sendReply(const std::string& command, const std::string& payload);
    void persist();
    bool lastReplyRead();
    void hangUp();
    void reopen();
};

}  // namespace sim
