#include "FrameReader.h"

namespace sim {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The console writes the length with at least four digits; a longer field only
// occurs for texts of 10000 characters or more, and a command text never begins
// with a digit, so further digits after four non-zero-led ones still belong to it.
constexpr size_t maxLengthDigits = 6;

}  // namespace

void FrameReader::reset()
{
    stage_ = Stage::Idle;
    lengthDigits_.clear();
    remaining_ = 0;
    body_.clear();
    stray_.clear();
}

std::vector<FrameReader::Event> FrameReader::feed(std::string_view bytes)
{
    std::vector<Event> out;
    auto flushStray = [&] {
        if (!stray_.empty()) {
            out.push_back({Event::Stray, stray_});
            stray_.clear();
        }
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        switch (stage_) {
        case Stage::Idle:
            if (c == '=') {
                flushStray();
                out.push_back({Event::Attention, {}});
            } else if (c == '>') {
                flushStray();
                stage_ = Stage::Length;
                lengthDigits_.clear();
            } else {
                stray_ += c;
            }
            break;
        case Stage::Length: {
            bool longer = lengthDigits_.size() >= 4 && lengthDigits_[0] != '0' &&
                          lengthDigits_.size() < maxLengthDigits;
            if (isDigit(c) && (lengthDigits_.size() < 4 || longer)) {
                lengthDigits_ += c;
                if (lengthDigits_ == "0000") {
                    out.push_back({Event::Frame, {}});
                    stage_ = Stage::Idle;
                }
                break;
            }
            if (lengthDigits_.size() < 4) {
                // A broken header: give its bytes up as stray and look at c afresh.
                stray_ += '>' + lengthDigits_;
                stage_ = Stage::Idle;
                --i;
                break;
            }
            remaining_ = std::stoul(lengthDigits_);
            body_.clear();
            stage_ = Stage::Body;
            [[fallthrough]];
        }
        case Stage::Body: {
            size_t take = std::min(remaining_, bytes.size() - i);
            body_.append(bytes.substr(i, take));
            remaining_ -= take;
            i += take - 1;
            if (remaining_ == 0) {
                out.push_back({Event::Frame, body_});
                body_.clear();
                stage_ = Stage::Idle;
            }
            break;
        }
        }
    }
    flushStray();
    return out;
}

}  // namespace sim
