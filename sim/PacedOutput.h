#pragma once
// The bytes waiting to go out on the line, each with the moment it may be
// written: replies can be held back on purpose, and a set wire speed spaces the
// bytes at 10 bits each.

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

class PacedOutput {
public:
    using Clock = std::chrono::steady_clock;

    void setBaud(int baud);
    // Queues bytes to go out no earlier than notBefore, after everything queued so far.
    void queue(std::string_view bytes, Clock::time_point notBefore);
    bool empty() const { return bytes_.empty(); }
    std::optional<Clock::time_point> nextDue() const;
    // The leading bytes that are due at now; they stay queued until consumed().
    std::string dueAt(Clock::time_point now) const;
    void consumed(size_t count);
    void clear();

private:
    struct Byte {
        Clock::time_point due;
        char value;
    };
    std::deque<Byte> bytes_;
    Clock::duration byteTime_ {};
    Clock::time_point lastDue_ {};
};

}  // namespace sim
