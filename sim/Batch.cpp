#include "Batch.h"

#include "ValueText.h"

#include <cstring>

namespace sim {

namespace {

bool channelDigit(char c) { return c >= '1' && c <= '9'; }
bool columnDigit(char c) { return channelDigit(c) || (c >= 'A' && c <= 'C'); }
bool oneOf(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

}  // namespace

size_t commandLengthAt(std::string_view b, size_t i)
{
    auto at = [&](size_t k) { return i + k < b.size() ? b[i + k] : '\0'; };
    char c = at(0);
    if (oneOf(c, "DILNVJ"))
        return channelDigit(at(1)) && i + 11 <= b.size() && hasValueShape(b.substr(i + 2, 9)) ? 11 : 0;
    switch (c) {
    case 'M': return oneOf(at(1), "FNGCTWO") && channelDigit(at(2)) ? 3 : 0;
    case 'S': return channelDigit(at(1)) && oneOf(at(2), "MBR") ? 3 : 0;
    case 'X':
    case 'Z': return channelDigit(at(1)) && columnDigit(at(2)) ? 3 : 0;
    case 'U': return oneOf(at(1), "RMS") ? 2 : 0;
    case 'T':
    case 'Y': return channelDigit(at(1)) ? 2 : 0;
    case 'C': return channelDigit(at(1)) && channelDigit(at(2)) ? 3 : 0;
    case 'K':
        for (size_t k = 1; k <= 6; ++k)
            if (!oneOf(at(k), "0123456789"))
                return 0;
        return 7;
    case 'O':
    case 'E':
    case 'R': return 1;
    default: return 0;
    }
}

std::vector<BatchItem> splitBatch(std::string_view body)
{
    std::vector<BatchItem> items;
    size_t i = 0;
    while (i < body.size()) {
        if (size_t n = commandLengthAt(body, i)) {
            items.push_back({std::string(body.substr(i, n)), true});
            i += n;
            continue;
        }
        // Skip to the next position where a command with arguments begins. The
        // one-letter commands do not count here: the "E" inside a broken value
        // text must not clear the paradigm.
        size_t j = i + 1;
        while (j < body.size() && (commandLengthAt(body, j) < 2))
            ++j;
        items.push_back({std::string(body.substr(i, j - i)), false});
        i = j;
    }
    return items;
}

}  // namespace sim
