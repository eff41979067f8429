#pragma once
// Pixel positions of the monitor window's controls (left/top). The legend,
// "Clear" and "Stay On Top" keep their places; the log keeps its margins to
// all four sides, so it grows and shrinks with the window.
namespace MonitorLayout {

inline constexpr int WindowWidth = 519;
inline constexpr int WindowHeight = 425;

// The legend "Monitor [ Send Receive ]", one label after the other.
inline constexpr int LegendLeft = 8, LegendTop = 10;
inline constexpr int LegendGap = 4;
inline constexpr int LegendBracketGap = 12; // between "Monitor" and "["

inline constexpr int ClearLeft = 330, ClearTop = 5, ClearWidth = 75, ClearHeight = 25;
inline constexpr int StayOnTopLeft = 415, StayOnTopTop = 9;

inline constexpr int LogLeft = 8, LogTop = 36, LogRightMargin = 8, LogBottomMargin = 8;

} // namespace MonitorLayout
