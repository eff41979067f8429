#include "Device.h"

#include "Batch.h"
#include "ValueText.h"

#include <cstring>
#include <map>
#include <stdexcept>

namespace sim {

namespace {

const std::string defaultRefusal = "Refused";

int channelOf(char c) { return c >= '1' && c <= '9' ? c - '0' : 0; }

int columnOf(char c)
{
    if (c >= '1' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'C')
        return c - 'A' + 10;
    return 0;
}

bool isModeLetter(char c) { return c != '\0' && std::strchr("FNGCTWO", c) != nullptr; }

std::string& parameter(SimChannel& c, char letter)
{
    switch (letter) {
    case 'D': return c.duration;
    case 'I': return c.interval;
    case 'L': return c.delay;
    case 'N': return c.pulseCount;
    case 'V': return c.voltage;
    default: return c.deltaV;
    }
}

double numberOf(const std::string& text)
{
    StoredValue v;
    return storeValueText(text, v) == ValueResult::Ok ? v.number : 0;
}

// The device's own limits for one parameter; empty when the value is acceptable.
std::string limitFault(char letter, double x)
{
    switch (letter) {
    case 'D':
    case 'I':
    case 'L':
        if (x < 0)
            return "Negative time";
        if (x > 3600)
            return "Time above one hour";
        if (letter == 'I' && x < 100e-6)
            return "Interval below 100 us";
        return {};
    case 'N':
        if (x < 0)
            return "Negative pulse count";
        if (x > 60000)
            return "More than 60000 pulses";
        return {};
    default:
        if (x < -10 || x > 9.99)
            return "Amplitude outside -10 to +9.99";
        return {};
    }
}

}  // namespace

Device::Device(SimState& state, NoteSink notes) : state_(state), notes_(std::move(notes)) {}

std::string refusalPrefixFault(std::string_view prefix)
{
    if (prefix.empty())
        return "an empty prefix would refuse every command, mode commands included";
    // Every command beginning with "M" is a mode command to the device (see modeCommand).
    if (prefix[0] == 'M')
        return "mode commands are never refused with a text: the console reads the fourth character of their "
               "reply as the channel's mode";
    return {};
}

void Device::setRefusals(std::vector<std::pair<std::string, std::string>> refusals)
{
    for (const auto& r : refusals)
        if (std::string fault = refusalPrefixFault(r.first); !fault.empty())
            throw std::invalid_argument("cannot refuse \"" + r.first + "\": " + fault);
    refusals_ = std::move(refusals);
}

bool Device::takeStoredChange()
{
    bool changed = storedChange_;
    storedChange_ = false;
    return changed;
}

void Device::note(const std::string& text) const
{
    if (notes_)
        notes_(text);
}

std::string Device::refusalFor(std::string_view cmd) const
{
    for (const auto& [prefix, text] : refusals_)
        if (cmd.substr(0, prefix.size()) == prefix)
            return reply::refuse(text.empty() ? defaultRefusal : text);
    return {};
}

std::string Device::execute(std::string_view cmd)
{
    for (const auto& [prefix, payload] : canned_)
        if (cmd.substr(0, prefix.size()) == prefix)
            return payload;
    if (std::string refusal = refusalFor(cmd); !refusal.empty())
        return refusal;
    return dispatch(cmd, false);
}

void Device::executeBatch(std::string_view body)
{
    // Duration and interval are checked against each other only once the
    // channel's part of the batch is in, so their order inside the batch does
    // not matter. A command that changes which paradigm is current ("Y", "C",
    // "E") closes the check first, so that it always judges the paradigm the
    // values went into and a copy never carries an unchecked channel.
    std::map<int, SimChannel> before;
    auto checkPending = [&] {
        for (const auto& [n, old] : before) {
            SimChannel& c = state_.cur().channels[n - 1];
            if (numberOf(c.duration) > numberOf(c.interval)) {
                note("batch: channel " + std::to_string(n) + " duration longer than interval, both kept as before");
                c.duration = old.duration;
                c.interval = old.interval;
            }
        }
        before.clear();
    };
    bool modeSeen = false;
    for (const BatchItem& item : splitBatch(body)) {
        if (!item.wellFormed) {
            note("batch: skipped malformed \"" + item.text + "\"");
            continue;
        }
        if (std::string refusal = refusalFor(item.text); !refusal.empty()) {
            note("batch: skipped " + item.text + ": " + refusal.substr(3));
            continue;
        }
        char letter = item.text[0];
        if (letter == 'Y' || letter == 'C' || letter == 'E')
            checkPending();
        if (letter == 'D' || letter == 'I') {
            int n = channelOf(item.text[1]);
            before.try_emplace(n, state_.cur().channels[n - 1]);
        }
        std::string result = dispatch(item.text, true);
        if (result.compare(0, 3, reply::ok) != 0)
            note("batch: skipped " + item.text + ": " + result.substr(3));
        else if (letter == 'M')
            modeSeen = true;
    }
    checkPending();
    // A batch of mode commands is how the console switches the outputs on.
    if (modeSeen)
        state_.outputsOn = true;
}

std::string Device::dispatch(std::string_view cmd, bool inBatch)
{
    if (cmd.empty())
        return reply::refuse("Empty command");
    switch (cmd[0]) {
    case 'D':
    case 'I':
    case 'L':
    case 'N':
    case 'V':
    case 'J': return valueCommand(cmd, inBatch);
    case 'M': return modeCommand(cmd);
    case 'S': return shapeCommand(cmd);
    case 'X':
    case 'Z': return linkCommand(cmd);
    case 'U':
    case 'R':
    case 'O':
    case 'T':
    case 'Y':
    case 'E':
    case 'C': return paradigmCommand(cmd);
    case 'G':
        if (cmd == "GP,4" || cmd == "GC" || cmd == "GT")
            return stateRequest(cmd);
        return tableCommand(cmd);
    case 'Q':
    case 'K':
    case 'W': return tableCommand(cmd);
    default: return reply::refuse("Unknown command");
    }
}

std::string Device::valueCommand(std::string_view cmd, bool inBatch)
{
    int n = cmd.size() >= 2 ? channelOf(cmd[1]) : 0;
    if (n == 0)
        return reply::refuse("No such channel");
    if (cmd.size() != 11)
        return reply::refuse("Bad value text");
    StoredValue v;
    switch (storeValueText(cmd.substr(2), v)) {
    case ValueResult::Malformed: return reply::refuse("Bad value text");
    case ValueResult::OutOfRange: return reply::refuse("Value out of range");
    case ValueResult::Ok: break;
    }
    char letter = cmd[0];
    if (std::string fault = limitFault(letter, v.number); !fault.empty())
        return reply::refuse(fault);
    SimChannel& c = state_.cur().channels[n - 1];
    if (!inBatch) {
        double duration = letter == 'D' ? v.number : numberOf(c.duration);
        double interval = letter == 'I' ? v.number : numberOf(c.interval);
        if ((letter == 'D' || letter == 'I') && duration > interval)
            return reply::refuse("Duration longer than interval");
    }
    parameter(c, letter) = v.text;
    storedChange_ = true;
    return reply::ok + v.text;
}

std::string Device::modeCommand(std::string_view cmd)
{
    // Never refused with a text: the console takes the fourth character of the
    // reply as the channel's mode. No channel at all has no mode, so it is Off.
    int n = cmd.size() == 3 ? channelOf(cmd[2]) : 0;
    if (n == 0) {
        note("mode: no channel in \"" + std::string(cmd) + "\", answered Off");
        return reply::ok + 'O';
    }
    SimChannel& c = state_.cur().channels[n - 1];
    char want = cmd[1];
    if (!isModeLetter(want))
        note("mode: unknown letter, channel " + std::to_string(n) + " keeps its mode");
    else if (want == 'T' && n > 2)
        note("mode: Gate only on channels 1 and 2, channel " + std::to_string(n) + " keeps its mode");
    else if (c.mode != want) {
        c.mode = want;
        storedChange_ = true;
    }
    return reply::ok + c.mode;
}

std::string Device::shapeCommand(std::string_view cmd)
{
    int n = cmd.size() == 3 ? channelOf(cmd[1]) : 0;
    if (n == 0)
        return reply::refuse("No such channel");
    char shape = cmd[2];
    if (shape != 'M' && shape != 'B' && shape != 'R')
        return reply::refuse("Unknown shape");
    state_.cur().channels[n - 1].shape = shape;
    storedChange_ = true;
    return reply::ok + shape;
}

std::string Device::linkCommand(std::string_view cmd)
{
    int row = cmd.size() == 3 ? channelOf(cmd[1]) : 0;
    int column = cmd.size() == 3 ? columnOf(cmd[2]) : 0;
    if (row == 0 || column == 0)
        return reply::refuse("No such link cell");
    char cell = '-';
    if (cmd[0] == 'X') {
        if (row == column)
            return reply::refuse("A channel cannot trigger itself");
        cell = column <= 9 ? '+' : '*';
    }
    state_.cur().links[row - 1][column - 1] = cell;
    storedChange_ = true;
    return reply::ok + std::string(cmd.substr(1, 2)) + cell;
}

std::string Device::paradigmCommand(std::string_view cmd)
{
    switch (cmd[0]) {
    case 'U':
        if (cmd.size() != 2 || (cmd[1] != 'R' && cmd[1] != 'M' && cmd[1] != 'S'))
            return reply::refuse("Unknown store mode");
        state_.cur().storeMode = cmd[1];
        storedChange_ = true;
        return reply::ok + cmd[1];
    case 'R':
        if (cmd.size() != 1)
            break;
        note("store: paradigm " + std::to_string(state_.current) + " stored");
        storedChange_ = true;
        return reply::ok;
    case 'O':
        if (cmd.size() != 1)
            break;
        state_.outputsOn = false;
        return reply::ok;
    case 'T': {
        int n = cmd.size() == 2 ? channelOf(cmd[1]) : 0;
        if (n == 0)
            return reply::refuse("No such channel");
        note("trigger: channel " + std::to_string(n) + (state_.outputsOn ? "" : " (outputs off)"));
        return reply::ok;
    }
    case 'Y': {
        int n = cmd.size() == 2 ? channelOf(cmd[1]) : 0;
        if (n == 0)
            return reply::refuse("No such paradigm");
        state_.current = n;
        storedChange_ = true;
        return reply::ok;
    }
    case 'E': {
        if (cmd.size() != 1)
            break;
        // The waveform table is loaded on its own; clearing the pulse settings keeps it.
        std::vector<std::string> table = std::move(state_.cur().shortTable);
        state_.cur() = clearedParadigm();
        state_.cur().shortTable = std::move(table);
        storedChange_ = true;
        return reply::ok;
    }
    case 'C': {
        int from = cmd.size() == 3 ? channelOf(cmd[1]) : 0;
        int to = cmd.size() == 3 ? channelOf(cmd[2]) : 0;
        if (from == 0 || to == 0)
            return reply::refuse("No such paradigm");
        state_.paradigms[to - 1] = state_.paradigms[from - 1];
        storedChange_ = true;
        return reply::ok;
    }
    }
    return reply::refuse("Unknown command");
}

std::string Device::channelBlock(const SimChannel& c) const
{
    std::string b;
    b += c.mode;
    for (const std::string* v : {&c.duration, &c.interval, &c.delay, &c.pulseCount})
        b += ',' + *v;
    b += ',';
    b += c.shape;
    b += ',' + c.voltage + ',' + c.deltaV;
    return b;
}

std::string Device::stateRequest(std::string_view cmd)
{
    const SimParadigm& p = state_.cur();
    if (cmd == "GT")
        return reply::ok + p.storeMode;
    if (cmd == "GC")
        return reply::ok + std::string(&p.links[0][0], sizeof p.links);
    std::string payload = reply::ok + char('0' + state_.current);
    for (const SimChannel& c : p.channels)
        payload += channelBlock(c);
    return payload;
}

}  // namespace sim
