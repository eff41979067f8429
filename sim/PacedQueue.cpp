#include "PacedQueue.h"

#include <algorithm>

namespace sim {

void PacedQueue::setBaud(int baud)
{
    using namespace std::chrono;
    byteTime_ = baud > 0 ? duration_cast<Clock::duration>(nanoseconds(10'000'000'000LL / baud)) : Clock::duration {};
}

void PacedQueue::queue(std::string_view bytes, Clock::time_point notBefore)
{
    if (bytes.empty())
        return;
    // A byte has crossed once its ten bits have, after the previous one.
    Clock::time_point firstDue = std::max(notBefore, lastDue_) + byteTime_;
    if (!runs_.empty() && firstDue == lastDue_ + byteTime_)  // right behind the last run
        runs_.back().count += bytes.size();
    else
        runs_.push_back({bytes.size(), firstDue});
    lastDue_ = firstDue + byteTime_ * long(bytes.size() - 1);
    data_.append(bytes);
}

std::optional<PacedQueue::Clock::time_point> PacedQueue::nextDue() const
{
    if (runs_.empty())
        return std::nullopt;
    return runs_.front().firstDue;
}

std::string_view PacedQueue::dueAt(Clock::time_point now, size_t limit) const
{
    size_t due = 0;
    for (const Run& r : runs_) {
        if (due >= limit || r.firstDue > now)
            break;
        size_t inRun = r.count;
        if (byteTime_ != Clock::duration::zero())
            inRun = std::min(inRun, size_t((now - r.firstDue) / byteTime_) + 1);
        due += inRun;
        if (inRun < r.count)
            break;
    }
    return std::string_view(data_).substr(head_, std::min(due, limit));
}

void PacedQueue::consumed(size_t count)
{
    count = std::min(count, size());
    head_ += count;
    while (count > 0) {
        Run& r = runs_.front();
        if (r.count > count) {
            r.count -= count;
            r.firstDue += byteTime_ * long(count);
            break;
        }
        count -= r.count;
        runs_.pop_front();
    }
    // Drop the consumed front once it is the larger part, so each byte is moved at most once on average.
    if (head_ >= 4096 && head_ * 2 >= data_.size()) {
        data_.erase(0, head_);
        head_ = 0;
    }
}

void PacedQueue::clear()
{
    data_.clear();
    head_ = 0;
    runs_.clear();
}

}  // namespace sim
