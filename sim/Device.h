#pragma once
// The device's command interpreter: applies command texts to the device state
// and builds the reply payloads. Not thread-safe; the server serialises calls.

#include "SimServer.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

class Device {
public:
    using NoteSink = std::function<void(const std::string&)>;

    Device(SimState& state, NoteSink notes);

    // Throws std::invalid_argument for a prefix that refusalPrefixFault rejects.
    void setRefusals(std::vector<std::pair<std::string, std::string>> refusals);
    // Commands beginning with a prefix get exactly the given payload, whatever
    // they ask (for tests of how the console reads odd replies).
    void setCannedReplies(std::vector<std::pair<std::string, std::string>> replies) { canned_ = std::move(replies); }

    // One command whose reply request has been stripped; returns the reply payload
    // ("OK." + data, or a refusal of three characters other than "OK." + text).
    std::string execute(std::string_view command);

    // The text after the leading "B" of a batch: applied command by command.
    void executeBatch(std::string_view body);

    // True once after a command changed what a state file keeps.
    bool takeStoredChange();

private:
    std::string dispatch(std::string_view cmd, bool inBatch);
    std::string refusalFor(std::string_view cmd) const;
    std::string valueCommand(std::string_view cmd, bool inBatch);
    std::string modeCommand(std::string_view cmd);
    std::string shapeCommand(std::string_view cmd);
    std::string linkCommand(std::string_view cmd);
    std::string paradigmCommand(std::string_view cmd);
    std::string stateRequest(std::string_view cmd);
    std::string tableCommand(std::string_view cmd);
    std::string shortSector(std::string_view cmd);
    std::string writeShortSector(std::string_view cmd);
    std::string longSector(std::string_view cmd);
    std::string writeLongSector(std::string_view cmd);
    std::string setLongCount(std::string_view cmd);
    std::string channelBlock(const SimChannel& c) const;
    void note(const std::string& text) const;

    SimState& state_;
    NoteSink notes_;
    std::vector<std::pair<std::string, std::string>> refusals_;
    std::vector<std::pair<std::string, std::string>> canned_;
    bool storedChange_ = false;
};

// Why commands beginning with prefix may not be refused with a text; "" when they may.
std::string refusalPrefixFault(std::string_view prefix);

// Device texts shared by the interpreter's parts.
namespace reply {
inline const std::string ok = "OK.";
inline std::string refuse(const std::string& text) { return "ER:" + text; }
}  // namespace reply

}  // namespace sim
