#pragma once
// Splits a batch body into commands by the commands' own shapes, so that a
// batch whose last command ends in "R" is not mistaken for a reply request and
// a command with a missing value does not swallow the next one.

#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct BatchItem {
    std::string text;
    bool wellFormed = true;  // false: text is a run of bytes that forms no command
};

// Length of the well-formed command starting at body[pos], or 0 if none starts there.
size_t commandLengthAt(std::string_view body, size_t pos);

std::vector<BatchItem> splitBatch(std::string_view body);

}  // namespace sim
