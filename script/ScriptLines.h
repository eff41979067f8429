#pragma once
// The lines of a script, always sorted by their whole text without regard to
// letter case; duplicates are kept. Every line begins with its zero-padded
// start time, so this is the order of start times, and lines of the same
// time follow their instruction text ("Change Channel" before "Change
// Paradigm To", "Jump To Time", "Load Paradigm", "Trigger Channel"). Digits
// sort before letters, so "00:00:05:500:..." comes before "00:00:05:Trigger...".
// A line's index here is its instruction's index everywhere else.
#include <QString>
#include <QStringList>

class TScriptLines {
public:
    TScriptLines() = default;
    // Sorts the given lines; lines that compare equal keep their order.
    explicit TScriptLines(const QStringList& lines);

    // Puts the line after every line that sorts before it or equal to it and
    // returns its index.
    int Insert(const QString& line);
    void RemoveAt(int index);
    void Clear() { FLines.clear(); }

    int Count() const { return int(FLines.size()); }
    bool IsEmpty() const { return FLines.isEmpty(); }
    const QString& At(int index) const { return FLines.at(index); }
    const QStringList& Lines() const { return FLines; }

    // The order: whole texts compared without regard to letter case.
    static bool Less(const QString& a, const QString& b);

private:
    QStringList FLines;
};
