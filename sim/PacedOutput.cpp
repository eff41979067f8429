#include "PacedOutput.h"

#include <algorithm>

namespace sim {

void PacedOutput::setBaud(int baud)
{
    using namespace std::chrono;
    byteTime_ = baud > 0 ? duration_cast<Clock::duration>(nanoseconds(10'000'000'000LL / baud)) : Clock::duration {};
}

void PacedOutput::queue(std::string_view bytes, Clock::time_point notBefore)
{
    for (char c : bytes) {
        // A byte has arrived once its ten bits have crossed the wire, after the previous one.
        Clock::time_point due = std::max(notBefore, lastDue_) + byteTime_;
        bytes_.push_back({due, c});
        lastDue_ = due;
    }
}

std::optional<PacedOutput::Clock::time_point> PacedOutput::nextDue() const
{
    if (bytes_.empty())
        return std::nullopt;
    return bytes_.front().due;
}

std::string PacedOutput::dueAt(Clock::time_point now) const
{
    std::string out;
    for (const Byte& b : bytes_) {
        if (b.due > now)
            break;
        out += b.value;
    }
    return out;
}

void PacedOutput::consumed(size_t count)
{
    count = std::min(count, bytes_.size());
    bytes_.erase(bytes_.begin(), bytes_.begin() + long(count));
}

void PacedOutput::clear() { bytes_.clear(); }

}  // namespace sim
