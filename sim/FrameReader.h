#pragma once
// Cuts the bytes the device receives into attention characters and command
// frames (">" + decimal length + that many bytes of command text). A frame
// whose next byte does not come within the idle limit is dropped, so that a
// frame cut short (a length field larger than the text that follows) cannot
// swallow the commands after it.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class FrameReader {
public:
    using Clock = std::chrono::steady_clock;

    struct Event {
        // Stray: bytes that fit no frame; Dropped: a frame begun and then left idle.
        enum Kind { Attention, Frame, Stray, Dropped } kind;
        std::string text;  // Frame: the command text; Stray, Dropped: the bytes received
    };

    explicit FrameReader(Clock::duration idleLimit = std::chrono::seconds(1)) : idleLimit_(idleLimit) {}

    // Takes bytes from the front of `bytes`, received at now, up to the end of
    // the next event and returns it; nothing when `bytes` ran out first.
    std::optional<Event> next(std::string_view& bytes, Clock::time_point now);
    // Stray bytes held back in case more of them follow.
    std::optional<Event> flushStray();
    // All events of bytes, stray bytes included.
    std::vector<Event> feed(std::string_view bytes, Clock::time_point now);

    // When the frame begun so far is dropped if no further byte comes; nothing
    // between frames.
    std::optional<Clock::time_point> dropAt() const;
    // The frame begun so far, once it is due to be dropped at now.
    std::optional<Event> dropIfIdle(Clock::time_point now);
    void reset();

private:
    enum class Stage { Idle, Length, Body };

    Clock::duration idleLimit_;
    Stage stage_ = Stage::Idle;
    std::string lengthDigits_;
    size_t remaining_ = 0;
    std::string body_;
    std::string stray_;
    Clock::time_point lastByte_ {};
};

}  // namespace sim
