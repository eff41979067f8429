#pragma once
// A parsed script: one TCommand per script line, in the order of the sorted
// line list (TScriptLines), so that a command's Index is its line's index.
//
// Times are day fractions (1.0 = 24 hours), the usual date-time arithmetic of
// the program: a start offset is a time of day from 00:00:00.000 up to
// 23:59:59.999, always a whole number of milliseconds. The run engine adds an
// offset to its start moment with MsFromDayFraction:
//     due = startTime.addMSecs(MsFromDayFraction(command.Time));
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <vector>

#include "base/KelvorErrors.h"
#include "model/VexoClasses.h"

// The reader's refusals of a script, with the message shown to the operator.
// (A channel or paradigm number that is not an integer raises EConvertError
// instead; both derive from EKelvorError.)
class EScriptError : public EKelvorError {
public:
    using EKelvorError::EKelvorError;
};

// Arguments of one instruction: integers, day fractions (double) or texts.
using TVariantArray = QList<QVariant>;

// Instruction kinds; the values are the indexes of KindNames.
enum TCommandKind : quint8 {
    KindInvalid = 0,    // unrecognised text: Params empty, nothing to run
    KindTrigger = 1,    // Params [channel (int)]
    KindSetting = 2,    // Params [channel (int), setting index (int), value text (QString)]
    KindMode = 3,       // Params [channel (int), mode index 0..6 (int)]
    KindParadigm = 4,   // Params [paradigm number (int)]
    KindLoadFile = 5,   // Params [paradigm file path (QString)]
    KindJump = 6,       // Params [destination time (double), loop count (int)]
};

// One parsed instruction. A plain value: copying a TCommandsArray copies the
// run counters with it.
struct TCommand {
    qint32 Index = 0;         // position of the line in the sorted list
    double Time = 0;          // start offset from the script start, day fraction
    quint8 Kind = KindInvalid;
    TVariantArray Params;     // laid out per kind, see TCommandKind
    qint32 JumpTo = 0;        // jumps: index of the destination instruction
    qint32 Loops = 0;         // jumps: times the jump is taken before it is passed over
    qint32 Counter = 0;       // jumps: times taken in the current pass (run state)
    qint32 PreviewCounter = 0; // the look-ahead's working copy of Counter
    double NextTime = 0;      // look-ahead result: projected offset from the run's start
};

using TCommandsArray = std::vector<TCommand>;

// The names of the kinds, by kind; kinds 1, 4, 5 and 6 are recognised by them.
inline const QStringList KindNames = {
    QStringLiteral("Invalid Command"), QStringLiteral("Trigger Channel"),
    QStringLiteral("Change mode setting to"), QStringLiteral("Change mode to"),
    QStringLiteral("Change Paradigm To"), QStringLiteral("Load Paradigm"),
    QStringLiteral("Jump To Time")};

// Channel modes by the index that the main window's mode operation takes.
inline const QStringList ModeNames = {
    QStringLiteral("Free Run"), QStringLiteral("Train"), QStringLiteral("Trigger"),
    QStringLiteral("DC"), QStringLiteral("Gate"), QStringLiteral("Twin"), QStringLiteral("Off")};

// Channel settings by the model's setting index (VexoClasses.h), which the
// main window's set-parameter operation takes. The names hold no blanks: the
// reader cuts the name at the first one. The editor offers "Delta V" and
// writes it as "DV"; it never writes "Shape".
inline const QStringList SettingNames = [] {
    QStringList names(SettingCount);
    names[SettingDuration] = QStringLiteral("Duration");
    names[SettingDelay] = QStringLiteral("Delay");
    names[SettingInterval] = QStringLiteral("Interval");
    names[SettingPulseCount] = QStringLiteral("N");
    names[SettingVoltage] = QStringLiteral("V");
    names[SettingShape] = QStringLiteral("Shape");
    names[SettingDeltaV] = QStringLiteral("DV");
    return names;
}();

// The device has channels 1 to 9 and paradigms 1 to 9: scripts and other
// programs that name another number are refused before anything is sent.
inline constexpr int FirstDeviceNumber = 1, LastDeviceNumber = 9;
inline bool OnTheDevice(int number) { return number >= FirstDeviceNumber && number <= LastDeviceNumber; }

// The index of a name in SettingNames or ModeNames, compared without regard
// to letter case as the reader does; -1 when it is none of them.
inline int IndexOfName(const QStringList& names, const QString& name)
{
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

inline constexpr qint64 MsPerDay = 86'400'000;

inline double DayFractionFromMs(qint64 ms) { return double(ms) / double(MsPerDay); }
inline qint64 MsFromDayFraction(double dayFraction) { return std::llround(dayFraction * double(MsPerDay)); }
