#pragma once
// What the scheduler window's timeline strip shows of a run: a tick per
// instruction that acts, in the row of the channel it acts on (1 to 9) or
// in the paradigm row (paradigm changes and loads). Ticks of instructions
// carried out come from the run's records; the ticks to come from the path
// the run itself will take through its jumps (the look-ahead's walk, on a
// copy of the run's counters), for the next FutureSpanMs at most
// MaxFutureTicks of them.
#include <QtGlobal>

#include <vector>

#include "RunRecord.h"
#include "script/ScriptModel.h"

class TRunEngine;

namespace TimelineTicks {

inline constexpr int ChannelRows = 9;
inline constexpr int ParadigmRow = ChannelRows; // below the channels
inline constexpr int RowCount = ChannelRows + 1;
inline constexpr qint64 PastSpanMs = 60'000;
inline constexpr qint64 FutureSpanMs = 5 * 60'000;
inline constexpr int MaxFutureTicks = 500;
// A look at the future ends after this long, however the script's jumps are
// shaped: the strip is drawn between the run's steps.
inline constexpr qint64 LookBudgetMs = 5;

struct TTick {
    int Row = 0;
    qint64 Ms = 0;     // the moment, milliseconds since the epoch
    bool Done = false; // carried out (solid), or to come (hollow)
    bool Late = false; // started, or is still waiting, more than LateAfterMs after its moment
};

// The row an instruction's ticks are drawn in; -1 for those not drawn
// (jumps, texts that are no instruction).
int RowOf(const TCommand& command);

// The tick of an instruction the run carried out, at the moment it started;
// Row -1 when the record's line is not drawn.
TTick Carried(const TRunEngine& engine, const TRunRecord& record);

// The ticks still to come, in the order the run will reach them, from the
// instruction the run is armed for: those due within FutureSpanMs of nowMs,
// at most MaxFutureTicks. None while no run is active or the run has halted.
std::vector<TTick> Coming(const TRunEngine& engine, qint64 nowMs);

} // namespace TimelineTicks
