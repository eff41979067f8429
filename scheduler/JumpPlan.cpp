#include "JumpPlan.h"

#include <algorithm>
#include <cstdlib>

namespace JumpMath {

namespace {

qint64 Clamp(qint64 value) { return std::clamp(value, -OffsetLimitMs, OffsetLimitMs); }

} // namespace

qint64 Add(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return a > 0 ? OffsetLimitMs : -OffsetLimitMs;
    return Clamp(sum);
}

qint64 Mul(qint64 a, qint64 b)
{
    qint64 product = 0;
    if (__builtin_mul_overflow(a, b, &product))
        return (a > 0) == (b > 0) ? OffsetLimitMs : -OffsetLimitMs;
    return Clamp(product);
}

} // namespace JumpMath

using JumpMath::Add;
using JumpMath::Mul;

TJumpPlan::TJumpPlan(const TCommandsArray& commands)
    : FEntries(commands.size())
{
    for (int i = 0; i < Count(); ++i) {
        const TCommand& command = commands[size_t(i)];
        TEntry& entry = FEntries[size_t(i)];
        entry.TimeMs = MsFromDayFraction(command.Time);
        entry.LatestAllMs = entry.TimeMs;
        entry.RangeLatestMs = entry.TimeMs;
        if (command.Kind != KindJump)
            continue;
        entry.ShiftMs = entry.TimeMs - MsFromDayFraction(command.Params.value(0).toDouble());
        if (command.Loops > 0 && command.JumpTo >= 0 && command.JumpTo <= i)
            SettleLoop(commands, i);
    }
    BuildStretches();
}

// The range before the loop is tiled by the ranges of the loops inside it
// (and by single jumps that are never taken): walked with every counter at
// 0, each tile adds its own passes in turn. Any instruction that acts, any
// loop that does not settle or that reaches out of the range leaves the loop
// to be walked pass by pass.
void TJumpPlan::SettleLoop(const TCommandsArray& commands, int index)
{
    const TCommand& loop = commands[size_t(index)];
    std::vector<int> tiles; // the tiles' last instructions, from the loop backwards
    for (int last = index - 1; last >= loop.JumpTo;) {
        const TCommand& inner = commands[size_t(last)];
        if (inner.Kind != KindJump)
            return;
        if (inner.Loops <= 0) {
            tiles.push_back(last--);
            continue;
        }
        if (!Settles(last) || inner.JumpTo < loop.JumpTo)
            return;
        tiles.push_back(last);
        last = inner.JumpTo - 1;
    }

    qint64 body = 0;
    qint64 latestInBody = JumpMath::Earliest;
    for (auto tile = tiles.rbegin(); tile != tiles.rend(); ++tile) {
        const TEntry& inner = FEntries[size_t(*tile)];
        latestInBody = std::max(latestInBody, Add(body, inner.RangeLatestMs));
        if (inner.Settles)
            body = Add(body, Add(inner.BodyMs, inner.AllPassesMs));
    }

    TEntry& entry = FEntries[size_t(index)];
    entry.Settles = true;
    entry.BodyMs = body;
    entry.PassMs = Add(entry.ShiftMs, body);
    // Pass p begins at p * shift + (p - 1) * body and ends when the loop is
    // reached again, at p * (shift + body).
    entry.LatestInPassMs = std::max(Add(latestInBody, -body), entry.TimeMs);
    entry.AllPassesMs = Mul(loop.Loops, entry.PassMs);
    entry.LatestAllMs = std::max({entry.TimeMs, Add(entry.PassMs, entry.LatestInPassMs),
                                  Add(entry.AllPassesMs, entry.LatestInPassMs)});
    entry.RangeLatestMs = std::max(latestInBody, Add(body, entry.LatestAllMs));
}

void TJumpPlan::BuildStretches()
{
    const size_t count = FEntries.size();
    FPrefixMs.assign(count + 1, 0);
    std::vector<qint64> latest(count);
    for (size_t i = 0; i < count; ++i) {
        FPrefixMs[i + 1] = Add(FPrefixMs[i], FEntries[i].AllPassesMs);
        FPrefixExact = FPrefixExact && std::abs(FPrefixMs[i + 1]) < JumpMath::OffsetLimitMs;
        latest[i] = Add(FPrefixMs[i], FEntries[i].LatestAllMs);
    }
    FLatestTable.push_back(std::move(latest));
    for (size_t width = 2; width <= count; width *= 2) {
        const std::vector<qint64>& below = FLatestTable.back();
        std::vector<qint64> level(count - width + 1);
        for (size_t i = 0; i < level.size(); ++i)
            level[i] = std::max(below[i], below[i + width / 2]);
        FLatestTable.push_back(std::move(level));
    }
}

qint64 TJumpPlan::LatestBetween(int from, int to) const
{
    int level = 0;
    while ((2 << level) <= to - from)
        ++level;
    const std::vector<qint64>& row = FLatestTable[size_t(level)];
    return std::max(row[size_t(from)], row[size_t(to - (1 << level))]);
}

bool TJumpPlan::Stretch(int from, int to, qint64& addedMs, qint64& latestMs) const
{
    if (!FPrefixExact || from >= to)
        return false;
    addedMs = FPrefixMs[size_t(to)] - FPrefixMs[size_t(from)];
    latestMs = Add(LatestBetween(from, to), -FPrefixMs[size_t(from)]);
    return true;
}
