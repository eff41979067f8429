#pragma once
// The scheduler window's geometry: a row of the running script's list and
// the marker drawn in its left margin.
namespace SchedulerMetrics {

inline constexpr int WindowWidth = 480;
inline constexpr int WindowHeight = 440;

inline constexpr int RowHeight = 16;
// The triangle on the next instruction: from (left + 2, top) down to
// (left + 2, bottom - 4), to (left + 15, middle - 2), and back.
inline constexpr int MarkerLeft = 2;
inline constexpr int MarkerTip = 15;
inline constexpr int MarkerBottomGap = 4;
inline constexpr int MarkerTipRise = 2;
inline constexpr int TextLeft = 20;

inline constexpr int ClockUpdateMs = 1000;

} // namespace SchedulerMetrics
