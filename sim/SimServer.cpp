#include "SimServerImpl.h"

#include "StateFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace sim {

namespace {

using Clock = PacedQueue::Clock;

// The device's transmit buffer: while this many bytes wait to go out, it takes
// no further command in, so a console that writes without reading stops
// being read too (its writes then wait, as on a full line). A reply is always
// queued whole, so the queue holds at most this much plus one reply.
constexpr size_t transmitBuffer = 4096;
// The device's receive buffer: bytes read from the line and not yet taken in.
constexpr size_t receiveBuffer = 4096;
// The most written to the line in one go.
constexpr size_t writeChunk = 4096;

// A dropped frame is logged with this many of its first bytes.
constexpr size_t droppedShown = 60;

// Log text with control bytes made visible.
std::string printable(std::string_view bytes)
{
    std::string s;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f) {
            s += char(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            s += buf;
        }
    }
    return s;
}

// Bytes a disturbed line puts before a reply frame; none of them is "<" or "=".
const std::string garbageBytes = "#~?!*";

}  // namespace

void SimServer::Impl::persist()
{
    if (opt.stateFile.empty() || !device.takeStoredChange())
        return;
    try {
        saveStateFile(opt.stateFile, state);
    } catch (const std::exception& e) {
        log(std::string("error ") + e.what());
    }
}

bool SimServer::Impl::frameFaultsApply(const std::string& command) const
{
    if (frameFaultPrefixes.empty())
        return true;
    for (const std::string& prefix : frameFaultPrefixes)
        if (command.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

void SimServer::Impl::sendReply(const std::string& command, const std::string& payload)
{
    std::string marks;  // the faults applied, for the log
    if (opt.silent) {
        log("reply withheld (silent): " + printable(payload));
        return;
    }
    char length[16];
    std::snprintf(length, sizeof length, "%04zu", payload.size());
    std::string frame = "<" + std::string(length) + payload;
    const bool faulty = frameFaultsApply(command);
    if (opt.badLength && faulty) {
        frame[1] = '?';
        marks += " [bad length]";
    }
    if (opt.truncate && faulty) {
        frame.resize(5 + payload.size() / 2);
        marks += " [truncated]";
    }
    if (opt.garbage && faulty) {
        frame = garbageBytes + frame;
        marks += " [garbage]";
    }
    Clock::time_point when = Clock::now();
    if (opt.delayMs > 0) {
        when += std::chrono::milliseconds(opt.delayMs);
        marks += " [" + std::to_string(opt.delayMs) + " ms late]";
    }
    out.queue(frame, when);
    log("reply " + printable(payload) + marks);
}

void SimServer::Impl::handleFrame(const std::string& text)
{
    log("cmd   " + printable(text));
    if (!text.empty() && text[0] == 'B') {
        // A batch is never answered, whatever its last letter.
        device.executeBatch(std::string_view(text).substr(1));
    } else if (!text.empty() && text.back() == 'R') {
        const std::string_view command = std::string_view(text).substr(0, text.size() - 1);
        sendReply(std::string(command), device.execute(command));
    } else {
        std::string result = device.execute(text);
        if (result.compare(0, 3, reply::ok) != 0)
            log("note  refused without reply: " + printable(result));
    }
    persist();
    ++commandsOnLine;
    if (opt.hangupAfter > 0 && !hangupDone && commandsOnLine >= opt.hangupAfter)
        hangupPending = true;
}

void SimServer::Impl::handle(const FrameReader::Event& e)
{
    switch (e.kind) {
    case FrameReader::Event::Attention:
        ++attention;
        if (!opt.silent)
            out.queue("=", Clock::now());
        break;
    case FrameReader::Event::Frame:
        frames.push_back(e.text);
        handleFrame(e.text);
        break;
    case FrameReader::Event::Stray:
        log("stray " + printable(e.text));
        break;
    case FrameReader::Event::Dropped:
        dropped.push_back(e.text);
        log("note  frame dropped, no byte for " + std::to_string(opt.frameIdleMs) + " ms: " +
            printable(e.text.substr(0, droppedShown)) + (e.text.size() > droppedShown ? "..." : ""));
        break;
    }
}

void SimServer::Impl::readInput()
{
    char buf[receiveBuffer];
    size_t room = receiveBuffer - in.size();
    if (room == 0)
        return;
    // EAGAIN: all read; EIO cannot happen while our own slave is open.
    ssize_t n = ::read(line.master(), buf, room);
    if (n > 0)
        in.queue(std::string_view(buf, size_t(n)), Clock::now());
}

// Takes in the bytes that have crossed the line by now, event by event, while
// the transmit buffer has room. A frame left idle is dropped only once every
// byte received has been taken in: bytes still crossing a slow line are no pause.
// Once the hang-up is due nothing more is taken in: the device is unplugged
// right after its last reply, and whatever the console sends after that
// command is lost with the line, however quickly it came.
void SimServer::Impl::takeInput(Clock::time_point now)
{
    std::lock_guard lock(m);
    std::string_view due = in.dueAt(now, in.size());
    size_t offered = due.size();
    bool any = false;
    while (!due.empty() && out.size() < transmitBuffer && !hangupPending) {
        std::optional<FrameReader::Event> e = reader.next(due, now);
        if (!e)
            break;
        handle(*e);
        any = true;
    }
    in.consumed(offered - due.size());
    if (in.empty()) {
        for (auto e : {reader.flushStray(), reader.dropIfIdle(now)})
            if (e) {
                handle(*e);
                any = true;
            }
    }
    if (any)
        changed.notify_all();
}

void SimServer::Impl::flushDue()
{
    std::string_view due;  // only this thread changes `out`
    {
        std::lock_guard lock(m);
        due = out.dueAt(Clock::now(), writeChunk);
    }
    if (due.empty())
        return;
    ssize_t n = ::write(line.master(), due.data(), due.size());
    if (n > 0) {
        lastWrite = Clock::now();
        std::lock_guard lock(m);
        out.consumed(size_t(n));
    }
}

// The last reply before a hang-up should reach the console: wait until it has
// read the line empty. The kernel hands written bytes on with a short lag, so
// the queue counts as empty only a while after the last write; a console that
// does not read at all is hung up on after two seconds anyway.
bool SimServer::Impl::lastReplyRead()
{
    auto now = Clock::now();
    if (!hangupWaitSince)
        hangupWaitSince = now;
    if (now - *hangupWaitSince > std::chrono::seconds(2))
        return true;
    return now - lastWrite > std::chrono::milliseconds(20) && line.unreadByConsole() == 0;
}

void SimServer::Impl::hangUp()
{
    line.close();
    {
        std::lock_guard lock(m);
        in.clear();
        out.clear();
        reader.reset();
        hangupPending = false;
        hangupDone = true;
        commandsOnLine = 0;
    }
    hangupWaitSince.reset();
    reopenAt = Clock::now() + std::chrono::milliseconds(opt.reserveDelayMs);
    log("line  hung up after " + std::to_string(opt.hangupAfter) + " commands");
}

void SimServer::Impl::reopen()
{
    try {
        line.open();
        publishLink(link, line.slavePath(), published);
        published = line.slavePath();
        claim->recordTarget(published);
    } catch (const std::exception& e) {
        line.close();
        log(std::string("error ") + e.what() + "; trying again");
        reopenAt = Clock::now() + std::chrono::milliseconds(std::max(opt.reserveDelayMs, 100));
        return;
    }
    reopenAt.reset();
    {
        std::lock_guard lock(m);
        slavePath = line.slavePath();
        ++lines;
    }
    changed.notify_all();
    log("line  serving COM" + std::to_string(opt.port) + " at " + line.slavePath() + " again");
}

void SimServer::Impl::run()
{
    for (;;) {
        bool waitForWritable = false;
        bool waitForReadable = false;
        std::optional<Clock::time_point> deadline = reopenAt;
        auto until = [&](std::optional<Clock::time_point> t) {
            if (t)
                deadline = deadline ? std::min(*deadline, *t) : *t;
        };
        if (line.isOpen()) {
            takeInput(Clock::now());
            flushDue();
            bool hangupDue = false;
            std::optional<Clock::time_point> due;
            {
                std::lock_guard lock(m);
                hangupDue = hangupPending && out.empty();
                due = out.nextDue();
                waitForReadable = in.size() < receiveBuffer;
                if (out.size() < transmitBuffer && !hangupPending)
                    until(in.nextDue());  // bytes still crossing the line
                if (in.empty())
                    until(reader.dropAt());
            }
            if (hangupDue) {
                if (lastReplyRead()) {
                    hangUp();
                    continue;
                }
                until(Clock::now() + std::chrono::milliseconds(10));
            }
            if (due && *due <= Clock::now())
                waitForWritable = true;  // the write was short: wait for room
            else
                until(due);
            // The master reported a hang-up of its own: look again later, do not spin.
            until(lineQuietUntil);
        } else if (reopenAt && Clock::now() >= *reopenAt) {
            reopen();
            continue;
        }

        if (lineQuietUntil && Clock::now() >= *lineQuietUntil)
            lineQuietUntil.reset();
        short events = short((waitForReadable ? POLLIN : 0) | (waitForWritable ? POLLOUT : 0));
        pollfd fds[2] = {{wake[0], POLLIN, 0}, {line.master(), events, 0}};
        nfds_t count = line.isOpen() && !lineQuietUntil ? 2 : 1;
        timespec timeout {};
        timespec* timeoutPtr = nullptr;
        if (deadline) {
            auto left = std::max(Clock::duration::zero(), *deadline - Clock::now());
            auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout = {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
            timeoutPtr = &timeout;
        }
        if (::ppoll(fds, count, timeoutPtr, nullptr) < 0 && errno != EINTR)
            return;
        if (fds[0].revents)
            return;
        if (count == 2 && (fds[1].revents & POLLIN))
            readInput();
        else if (count == 2 && (fds[1].revents & (POLLHUP | POLLERR)))
            lineQuietUntil = Clock::now() + std::chrono::milliseconds(100);
    }
}

SimServer::SimServer(SimOptions options) : d(std::make_unique<Impl>(std::move(options)))
{
    // Known before start(), so that callers can name the port they are about to use.
    d->dir = d->opt.portDir.empty() ? resolvePortDir() : d->opt.portDir;
    d->link = d->dir + "/COM" + std::to_string(d->opt.port);
}

SimServer::~SimServer() { stop(); }

void SimServer::start()
{
    if (d->running)
        return;
    if (d->opt.port < 1 || d->opt.port > 99)
        throw std::runtime_error("port number " + std::to_string(d->opt.port) + " is not 1 to 99");
    d->dir = d->opt.portDir.empty() ? resolvePortDir() : d->opt.portDir;
    d->link = d->dir + "/COM" + std::to_string(d->opt.port);
    ensurePortDir(d->dir);
    if (!d->opt.stateFile.empty()) {
        std::lock_guard lock(d->m);
        loadStateFile(d->opt.stateFile, d->state);
    }
    d->claim = std::make_unique<PortClaim>(d->dir, d->opt.port);
    try {
        // Judged before anything is made, so that a refusal leaves everything as it was.
        d->published = d->claim->leftByEarlierRun();
        checkLinkReplaceable(d->link, d->published);
        d->line.open();
        publishLink(d->link, d->line.slavePath(), d->published);
        d->published = d->line.slavePath();
        d->claim->recordTarget(d->published);
        if (::pipe2(d->wake, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::runtime_error("cannot create the wake pipe");
    } catch (...) {
        d->line.close();
        d->claim.reset();
        throw;
    }
    {
        std::lock_guard lock(d->m);
        d->slavePath = d->line.slavePath();
        d->lines = 1;
    }
    d->reader.reset();
    d->in.clear();
    d->out.clear();
    d->commandsOnLine = 0;
    d->hangupDone = d->hangupPending = false;
    d->reopenAt.reset();
    d->running = true;
    d->thread = std::thread([this] { d->run(); });
}

void SimServer::stop()
{
    if (!d->running)
        return;
    char byte = 'x';
    if (::write(d->wake[1], &byte, 1) < 0) {
        // The pipe is ours and empty; a failed write would leave the thread running.
    }
    d->thread.join();
    ::close(d->wake[0]);
    ::close(d->wake[1]);
    d->wake[0] = d->wake[1] = -1;
    removeLink(d->link, slavePath());
    d->line.close();
    if (!d->opt.stateFile.empty()) {
        std::lock_guard lock(d->m);
        try {
            saveStateFile(d->opt.stateFile, d->state);
        } catch (const std::exception& e) {
            d->log(std::string("error ") + e.what());
        }
    }
    d->claim.reset();
    d->running = false;
}

}  // namespace sim
