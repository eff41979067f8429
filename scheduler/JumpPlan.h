#pragma once
// What the walks through a script's jumps (JumpWalk.h) know of the script
// before they start: every instruction's offset in milliseconds, every jump's
// shift, and for the loops that can be added up, what one pass of them adds.
//
// A loop is a jump whose destination lies at or before it; its range runs
// from the destination to the jump. A loop "settles" when its range holds
// jumps only (nothing acts inside it) and the loops inside it nest: each lies
// wholly within it and settles too. (Jumps that are never taken, with 0
// loops, may stand anywhere inside.) Walked pass by pass, such a loop only
// counts and moves the start: entered with every counter inside at 0, a pass
// adds the same shift each time and leaves the counters inside at 0 again.
// So its remaining passes are added up in one step, however many there are,
// and the loops inside it never have to be walked at all.
//
// The plan also keeps, per settling loop, the latest moment that is armed
// while it runs, so that the run's own walk can tell how many passes are
// already due without walking them.
//
// Offsets are milliseconds relative to the run's start time. Sums and
// products are kept within +/-OffsetLimitMs (some 36 million years, a moment
// never reached), so that huge loop counts cannot overflow, and a start time
// moved that far still adds up with an offset.
#include "script/ScriptModel.h"

#include <vector>

namespace JumpMath {

inline constexpr qint64 OffsetLimitMs = qint64(1) << 60;
// The largest and smallest offsets; also "no limit" and "nothing armed".
inline constexpr qint64 Latest = OffsetLimitMs;
inline constexpr qint64 Earliest = -OffsetLimitMs;

qint64 Add(qint64 a, qint64 b);
qint64 Mul(qint64 a, qint64 b);

} // namespace JumpMath

class TJumpPlan {
public:
    TJumpPlan() = default;
    explicit TJumpPlan(const TCommandsArray& commands);

    int Count() const { return int(FEntries.size()); }
    qint64 TimeMs(int index) const { return FEntries[size_t(index)].TimeMs; }
    // A jump's pass moves the start by this much (its time minus its destination).
    qint64 ShiftMs(int index) const { return FEntries[size_t(index)].ShiftMs; }
    // The jump is a loop whose passes add up (see above).
    bool Settles(int index) const { return FEntries[size_t(index)].Settles; }
    // A settling loop: what one whole pass adds (its shift and everything its
    // range adds on the way back to it).
    qint64 PassMs(int index) const { return FEntries[size_t(index)].PassMs; }
    // A settling loop reached at offset o: everything armed during its pass p
    // (p from 1) is due by o + p * PassMs + LatestInPassMs.
    qint64 LatestInPassMs(int index) const { return FEntries[size_t(index)].LatestInPassMs; }

    // Walking [from, to) with every counter there at 0 and every loop there
    // settling from within the stretch: what it adds, and the latest moment
    // armed on the way (relative to the offset at from). False when the sums
    // ran out of range; the stretch is then walked instead.
    bool Stretch(int from, int to, qint64& addedMs, qint64& latestMs) const;

private:
    struct TEntry {
        qint64 TimeMs = 0;
        qint64 ShiftMs = 0;
        bool Settles = false;
        qint64 BodyMs = 0;         // the range up to the loop, walked with its counters at 0
        qint64 PassMs = 0;         // ShiftMs + BodyMs
        qint64 LatestInPassMs = 0;
        qint64 AllPassesMs = 0;    // reached with its counter at 0: all its passes
        qint64 LatestAllMs = 0;    // ... and the latest moment armed meanwhile
        qint64 RangeLatestMs = 0;  // its whole range from the destination on
    };

    void SettleLoop(const TCommandsArray& commands, int index);
    void BuildStretches();
    qint64 LatestBetween(int from, int to) const;

    std::vector<TEntry> FEntries;
    std::vector<qint64> FPrefixMs; // AllPassesMs summed up to each index
    bool FPrefixExact = true;
    // Sparse table of FPrefixMs[i] + LatestAllMs of i: the maximum over
    // [i, i + 2^level).
    std::vector<std::vector<qint64>> FLatestTable;
};
