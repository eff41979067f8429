#pragma once
// Reads script lines into instructions. One grammar for every script file:
//
//   HH:MM:SS:<instruction>          the form the editor writes
//   HH:MM:SS:mmm:<instruction>      with milliseconds (a ':' at the 13th character)
//
//   Trigger Channel <n>
//   Change Channel <n> <setting> to <value text>   (setting: Duration, Delay,
//                                                   Interval, N, V, Shape, DV)
//   Change Channel <n> mode to <mode name>
//   Change Paradigm To <n>
//   Load Paradigm <file path>
//   Jump To Time HH:MM:SS Counting <loops> Loops
//
// Channels and paradigms are numbered 1 to 9, as on the device; a line that
// names another number is refused ("... is not a Valid command.").
//
// Used by the editor's activation check and by the run engine at start.
// Every refusal raises EKelvorError (EScriptError, or EConvertError for a
// channel or paradigm number that is not an integer) with the operator's
// message; nothing of a partly read script is returned.
#include "ScriptModel.h"

namespace ScriptReader {

// "HH:MM:SS", or "HH:MM:SS:mmm" when the text has 12 characters or more, as
// a day fraction. The separators are not checked. Returns false for a field
// that is not a number or a time of day that does not exist.
bool ParseScriptTime(const QString& text, double& time);

// One line: fills Time, Kind and Params. An empty line gives kind 0 with
// nothing set; an unrecognised instruction gives kind 0 without an error
// (the editor's activation check refuses it).
TCommand ParseScriptLine(const QString& line);

// Every line in order (Index = line index, Counter = 0), then the jumps'
// JumpTo and Loops. The first failure ends the parse.
TCommandsArray ParseScript(const QStringList& lines);

// The index of the first instruction whose Time is at or after time; -1
// when there is none.
int FindDestination(const TCommandsArray& commands, double time);

} // namespace ScriptReader
