// Fuzzes the simulated device's command interpreter: the input is run as one
// command, then as the body of a batch, on a device fresh from the factory.
// Afterwards the device state must still be one the device can hold: known
// modes, shapes, link cells and store modes, value texts in the device's own
// form, tables of the right size, and on every channel of every paradigm a
// duration no longer than the interval (single commands refuse anything
// else, and a batch checks it once it is in).
#include "FuzzCheck.h"
#include "sim/Batch.h"
#include "sim/Device.h"
#include "sim/SimServer.h"
#include "sim/ValueText.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

const sim::SimState& Factory()
{
    static const sim::SimState state = sim::factoryState();
    return state;
}

bool IsOneOf(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

double Number(const std::string& text)
{
    sim::StoredValue v;
    return sim::storeValueText(text, v) == sim::ValueResult::Ok ? v.number : 0;
}

// A stored text must be what the device itself would store for it.
void CheckStored(const std::string& text)
{
    sim::StoredValue v;
    FUZZ_CHECK(sim::storeValueText(text, v) == sim::ValueResult::Ok, "a stored value is no value text");
    FUZZ_CHECK(v.text == text, "a stored value is not in the device's rounded form");
}

void CheckReply(const std::string& reply)
{
    FUZZ_CHECK(reply.size() >= 3, "a reply shorter than three characters");
    FUZZ_CHECK(reply.compare(0, 3, "OK.") == 0 || reply.compare(0, 3, "ER:") == 0,
               "a reply that is neither success nor refusal");
    if (reply.compare(0, 3, "ER:") == 0)
        FUZZ_CHECK(reply.size() > 3, "a refusal without a text");
}

void CheckState(const sim::SimState& s)
{
    FUZZ_CHECK(s.current >= 1 && s.current <= 9, "current paradigm outside 1..9");
    FUZZ_CHECK(s.longTable.size() <= 100000, "long table above 100000 points");
    for (const sim::SimParadigm& p : s.paradigms) {
        FUZZ_CHECK(p.shortTable.size() == 1000, "a short table is not 1000 points");
        FUZZ_CHECK(IsOneOf(p.storeMode, "RMS"), "unknown store mode");
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 12; ++c) {
                FUZZ_CHECK(IsOneOf(p.links[r][c], "+*-"), "unknown link cell");
                if (r == c)
                    FUZZ_CHECK(p.links[r][c] == '-', "a channel triggers itself");
            }
        for (const sim::SimChannel& ch : p.channels) {
            FUZZ_CHECK(IsOneOf(ch.mode, "FNGCTWO"), "unknown mode letter");
            FUZZ_CHECK(IsOneOf(ch.shape, "MBR"), "unknown shape letter");
            for (const std::string* v : {&ch.duration, &ch.interval, &ch.delay, &ch.pulseCount, &ch.voltage, &ch.deltaV})
                CheckStored(*v);
            FUZZ_CHECK(Number(ch.duration) <= Number(ch.interval), "a channel's duration is longer than its interval");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The splitter alone: its pieces cover the body exactly, in order.
    size_t covered = 0;
    for (const sim::BatchItem& item : sim::splitBatch(input)) {
        FUZZ_CHECK(!item.text.empty(), "an empty batch piece");
        FUZZ_CHECK(input.compare(covered, item.text.size(), item.text) == 0, "batch pieces do not cover the body");
        if (item.wellFormed)
            FUZZ_CHECK(sim::commandLengthAt(input, covered) == item.text.size(), "a well-formed piece of the wrong length");
        covered += item.text.size();
    }
    FUZZ_CHECK(covered == input.size(), "batch pieces do not cover the body");

    sim::SimState state = Factory();
    sim::Device device(state, [](const std::string&) {});
    CheckReply(device.execute(input));
    CheckState(state);

    device.executeBatch(input);
    CheckState(state);

    // Every state request still answers after whatever the batch did.
    for (const char* request : {"GP,4", "GC", "GT", "GK", "GS01", "GS32", "GW0001"})
        CheckReply(device.execute(request));
    return 0;
}
