#pragma once
// Bytes crossing the serial line in one direction, each with the moment it
// may be taken: replies can be held back on purpose, and a set wire speed
// spaces the bytes at 10 bits each, in either direction. Bytes are kept as
// runs that share one pacing, so queueing, taking and consuming are linear in
// the bytes, however many wait.

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

class PacedQueue {
public:
    using Clock = std::chrono::steady_clock;

    void setBaud(int baud);  // 0: no pacing
    // Queues bytes to be taken no earlier than notBefore, after everything queued so
    // far; with a wire speed set, each byte only once its ten bits have crossed.
    void queue(std::string_view bytes, Clock::time_point notBefore);
    bool empty() const { return size() == 0; }
    size_t size() const { return data_.size() - head_; }
    std::optional<Clock::time_point> nextDue() const;
    // The leading bytes that are due at now, at most limit of them; they stay
    // queued until consumed(). Valid until the queue next changes.
    std::string_view dueAt(Clock::time_point now, size_t limit) const;
    void consumed(size_t count);
    void clear();

private:
    // count bytes, the first due at firstDue and each further one a byte time later.
    struct Run {
        size_t count;
        Clock::time_point firstDue;
    };
    std::string data_;
    size_t head_ = 0;  // data_ before head_ is consumed
    std::deque<Run> runs_;
    Clock::duration byteTime_ {};
    Clock::time_point lastDue_ {};
};

}  // namespace sim
