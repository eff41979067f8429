// Channel 9's waveform tables: a short table of 1000 points in each of the
// paradigms 1 to 8, and the long table of paradigm 9, whose length is set by
// "K". Both move in sectors of 32 points. Each table answers only while its
// paradigm is current; the other table's commands are refused.
#include "Device.h"

#include "ValueText.h"

namespace sim {

namespace {

constexpr size_t sectorPoints = 32;
constexpr size_t shortTableSize = 1000;
constexpr size_t longTableLimit = 100000;

// The number made of the digits at text[pos, pos + width), or -1.
long digitsAt(std::string_view text, size_t pos, size_t width)
{
    if (text.size() < pos + width)
        return -1;
    long n = 0;
    for (size_t i = pos; i < pos + width; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

std::string zeroPadded(long n, int width)
{
    std::string digits = std::to_string(n);
    return std::string(digits.size() < size_t(width) ? width - digits.size() : 0, '0') + digits;
}

size_t sectorCount(size_t points) { return (points + sectorPoints - 1) / sectorPoints; }

std::string sectorReply(const std::vector<std::string>& table, long sector, int width)
{
    std::string payload = reply::ok + zeroPadded(sector, width);
    size_t first = (sector - 1) * sectorPoints;
    for (size_t i = first; i < table.size() && i < first + sectorPoints; ++i)
        payload += table[i];
    return payload;
}

// Writes the points (amplitude texts of 9 characters) into table from the sector's
// first point. All or nothing: one bad point refuses the whole sector.
std::string writePoints(std::vector<std::string>& table, long sector, std::string_view points)
{
    if (points.empty() || points.size() % 9 != 0)
        return reply::refuse("Bad point list");
    size_t first = (sector - 1) * sectorPoints;
    size_t count = points.size() / 9;
    if (count > sectorPoints || first + count > table.size())
        return reply::refuse("Too many points for the sector");
    std::vector<std::string> stored;
    for (size_t i = 0; i < count; ++i) {
        StoredValue v;
        if (storeValueText(points.substr(i * 9, 9), v) != ValueResult::Ok)
            return reply::refuse("Bad point text");
        if (v.number < -10 || v.number > 9.99)
            return reply::refuse("Amplitude outside -10 to +9.99");
        stored.push_back(v.text);
    }
    for (size_t i = 0; i < count; ++i)
        table[first + i] = stored[i];
    return reply::ok;
}

}  // namespace

std::string Device::tableCommand(std::string_view cmd)
{
    bool shortTable = cmd.substr(0, 2) == "GS" || cmd[0] == 'Q';
    bool longTable = cmd.substr(0, 2) == "GW" || cmd == "GK" || cmd[0] == 'W' || cmd[0] == 'K';
    if (!shortTable && !longTable)
        return reply::refuse("Unknown command");
    if (shortTable && state_.current == 9)
        return reply::refuse("No short table in paradigm 9");
    if (longTable && state_.current != 9)
        return reply::refuse("Long table only in paradigm 9");
    if (cmd.substr(0, 2) == "GS")
        return shortSector(cmd);
    if (cmd.substr(0, 2) == "GW")
        return longSector(cmd);
    if (cmd == "GK")
        return reply::ok + zeroPadded(long(state_.longTable.size()), 6);
    switch (cmd[0]) {
    case 'Q': return writeShortSector(cmd);
    case 'W': return writeLongSector(cmd);
    default: return setLongCount(cmd);
    }
}

std::string Device::shortSector(std::string_view cmd)
{
    long sector = cmd.size() == 4 ? digitsAt(cmd, 2, 2) : -1;
    if (sector < 1 || size_t(sector) > sectorCount(shortTableSize))
        return reply::refuse("No such sector");
    state_.cur().shortTable.resize(shortTableSize, "+0.000E+0");
    return sectorReply(state_.cur().shortTable, sector, 2);
}

std::string Device::writeShortSector(std::string_view cmd)
{
    long sector = digitsAt(cmd, 1, 2);
    if (sector < 1 || size_t(sector) > sectorCount(shortTableSize))
        return reply::refuse("No such sector");
    state_.cur().shortTable.resize(shortTableSize, "+0.000E+0");
    return writePoints(state_.cur().shortTable, sector, cmd.substr(3));
}

std::string Device::longSector(std::string_view cmd)
{
    long sector = cmd.size() == 6 ? digitsAt(cmd, 2, 4) : -1;
    if (sector < 1 || size_t(sector) > sectorCount(state_.longTable.size()))
        return reply::refuse("No such sector");
    return sectorReply(state_.longTable, sector, 4);
}

std::string Device::writeLongSector(std::string_view cmd)
{
    long sector = digitsAt(cmd, 1, 4);
    if (sector < 1 || size_t(sector) > sectorCount(state_.longTable.size()))
        return reply::refuse("No such sector");
    return writePoints(state_.longTable, sector, cmd.substr(5));
}

std::string Device::setLongCount(std::string_view cmd)
{
    long count = cmd.size() == 7 ? digitsAt(cmd, 1, 6) : -1;
    if (count < 0)
        return reply::refuse("Bad point count");
    if (size_t(count) > longTableLimit)
        return reply::refuse("More than 100000 points");
    state_.longTable.resize(size_t(count), "+0.000E+0");
    return reply::ok;
}

}  // namespace sim
