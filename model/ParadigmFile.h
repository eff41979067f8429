#pragma once
// The paradigm file (".kr9"): the text written from the model, and the
// device batch built from a file's lines. No windows here.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

class Tparadigm;

namespace ParadigmFile {

// The 93 lines of a saved paradigm, each ended by CR LF.
QByteArray Text(const Tparadigm& paradigm);

// The values of the given keys in a file's lines, read in one pass: the
// value of a key is the rest of the first line whose text before its first
// "=" equals the key, ignoring letter case, taken verbatim; empty when no
// line has the key.
class TKeyTable {
public:
    TKeyTable(const QStringList& lines, const QStringList& keys);
    TKeyTable(const TKeyTable&) = delete; // FIndex views FKeys
    TKeyTable& operator=(const TKeyTable&) = delete;
    QString Value(const QString& key) const;

private:
    QStringList FKeys; // case-folded
    QHash<QStringView, qsizetype> FIndex;
    QStringList FValues;
    QList<bool> FFound;
    qsizetype FLongestKey = 0;
};

// One key of the lines (builds the table: for a single lookup).
QString LookUp(const QStringList& lines, const QString& key);

// The batch command that loads the file's lines into the device's current
// paradigm: "B", eight commands per channel, the links, the store mode.
QString LoadBatch(const QStringList& lines);

// A file name written in double quotes stands for the name between them.
QString UnquoteFileName(const QString& name);

// Reads a whole text file as lines (ended by CR LF, LF or CR). Raises
// EFileError with the file layer's message when it cannot be read.
QStringList ReadLines(const QString& fileName);

// The lines of 8-bit text (ended by CR LF, LF or CR).
QStringList SplitLines(const QByteArray& bytes);

} // namespace ParadigmFile
