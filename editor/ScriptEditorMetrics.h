#pragma once
// The script editor's geometry. The window is laid out by rows; only the
// new value's sign, mantissa and exponent sit at fixed places, because the
// mantissa field places its exponent field directly to its right itself.
namespace ScriptEditorMetrics {

inline constexpr int WindowWidth = 560;
inline constexpr int WindowHeight = 620;

inline constexpr int ComboWidth = 200;       // instruction, parameter and mode lists
inline constexpr int NumberComboWidth = 56;  // channel and paradigm numbers
inline constexpr int TimeFieldWidth = 80;    // "HH:MM:SS" and "HH:MM"
inline constexpr int CountingWidth = 90;     // loop count, up to 999999

// The new value: sign label, mantissa, and the exponent to its right.
inline constexpr int ValueBoxWidth = 110;
inline constexpr int ValueBoxHeight = 24;
inline constexpr int SignLeft = 0;
inline constexpr int SignWidth = 12;
inline constexpr int MantissaLeft = 14;
inline constexpr int MantissaWidth = 60;
inline constexpr int ExponentWidth = 24;
inline constexpr int FieldHeight = 22;

} // namespace ScriptEditorMetrics
