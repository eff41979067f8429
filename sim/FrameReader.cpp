#include "FrameReader.h"

namespace sim {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The console writes the length with at least four digits; a longer field only
// occurs for texts of 10000 characters or more, and a command text never begins
// with a digit, so further digits after four non-zero-led ones still belong to it.
constexpr size_t maxLengthDigits = 6;

// Stray bytes are reported in pieces of at most this many, so junk without end
// is never held whole.
constexpr size_t strayPiece = 256;

}  // namespace

void FrameReader::reset()
{
    stage_ = Stage::Idle;
    lengthDigits_.clear();
    remaining_ = 0;
    body_.clear();
    stray_.clear();
}

std::optional<FrameReader::Event> FrameReader::flushStray()
{
    if (stray_.empty())
        return std::nullopt;
    Event e {Event::Stray, std::move(stray_)};
    stray_.clear();
    return e;
}

std::optional<FrameReader::Event> FrameReader::next(std::string_view& bytes, Clock::time_point now)
{
    while (!bytes.empty()) {
        char c = bytes.front();
        switch (stage_) {
        case Stage::Idle:
            if ((c == '=' || c == '>') && !stray_.empty())
                return flushStray();  // c is looked at on the next call
            bytes.remove_prefix(1);
            if (c == '=')
                return Event {Event::Attention, {}};
            if (c == '>') {
                stage_ = Stage::Length;
                lengthDigits_.clear();
                lastByte_ = now;
            } else {
                stray_ += c;
                if (stray_.size() >= strayPiece)
                    return flushStray();
            }
            break;
        case Stage::Length: {
            bool longer = lengthDigits_.size() >= 4 && lengthDigits_[0] != '0' && lengthDigits_.size() < maxLengthDigits;
            if (isDigit(c) && (lengthDigits_.size() < 4 || longer)) {
                bytes.remove_prefix(1);
                lastByte_ = now;
                lengthDigits_ += c;
                if (lengthDigits_ == "0000") {
                    stage_ = Stage::Idle;
                    return Event {Event::Frame, {}};
                }
                break;
            }
            if (lengthDigits_.size() < 4) {
                // A broken header: give its bytes up as stray and look at c afresh.
                stray_ += '>' + lengthDigits_;
                stage_ = Stage::Idle;
                break;
            }
            remaining_ = std::stoul(lengthDigits_);
            body_.clear();
            stage_ = Stage::Body;
            break;
        }
        case Stage::Body: {
            size_t take = std::min(remaining_, bytes.size());
            body_.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            remaining_ -= take;
            lastByte_ = now;
            if (remaining_ == 0) {
                stage_ = Stage::Idle;
                Event e {Event::Frame, std::move(body_)};
                body_.clear();
                return e;
            }
            break;
        }
        }
    }
    return std::nullopt;
}

std::vector<FrameReader::Event> FrameReader::feed(std::string_view bytes, Clock::time_point now)
{
    std::vector<Event> out;
    while (std::optional<Event> e = next(bytes, now))
        out.push_back(std::move(*e));
    if (std::optional<Event> e = flushStray())
        out.push_back(std::move(*e));
    return out;
}

std::optional<FrameReader::Clock::time_point> FrameReader::dropAt() const
{
    if (stage_ == Stage::Idle)
        return std::nullopt;
    return lastByte_ + idleLimit_;
}

std::optional<FrameReader::Event> FrameReader::dropIfIdle(Clock::time_point now)
{
    std::optional<Clock::time_point> due = dropAt();
    if (!due || now < *due)
        return std::nullopt;
    Event e {Event::Dropped, ">" + lengthDigits_ + body_};
    stage_ = Stage::Idle;
    lengthDigits_.clear();
    body_.clear();
    remaining_ = 0;
    return e;
}

}  // namespace sim
