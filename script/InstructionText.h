#pragma once
// The texts of script lines as the editor writes them; the reader
// (ScriptReader.h) reads every one of them back.
#include <QString>

namespace InstructionText {

QString Trigger(int channel);                       // "Trigger Channel 4"
// settingIndex into SettingNames; "Delta V" is written as index 6, "DV".
QString Setting(int channel, int settingIndex, const QString& valueText); // "Change Channel 2 DV to +00010E+0"
QString Mode(int channel, int modeIndex);           // "Change Channel 2 mode to Twin"
QString Paradigm(int number);                       // "Change Paradigm To 5"
QString LoadParadigm(const QString& path);          // "Load Paradigm /home/lab/a.kr9"
// destination "HH:MM:SS" and loops as entered: "Jump To Time 00:00:10 Counting 3 Loops"
QString Jump(const QString& destination, const QString& loops);

// The script line: start offset "HH:MM:SS", a colon, the instruction.
QString Line(const QString& startOffset, const QString& instruction);

} // namespace InstructionText
