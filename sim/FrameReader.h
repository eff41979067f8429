#pragma once
// Cuts the bytes the device receives into attention characters and command
// frames (">" + decimal length + that many bytes of command text).

#include <string>
#include <string_view>
#include <vector>

namespace sim {

class FrameReader {
public:
    struct Event {
        enum Kind { Attention, Frame, Stray } kind;
        std::string text;  // Frame: the command text; Stray: the bytes that fit no frame
    };

    std::vector<Event> feed(std::string_view bytes);
    void reset();

private:
    enum class Stage { Idle, Length, Body };

    Stage stage_ = Stage::Idle;
    std::string lengthDigits_;
    size_t remaining_ = 0;
    std::string body_;
    std::string stray_;
};

}  // namespace sim
