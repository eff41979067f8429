#pragma once
// The script file (".ks9", and ".ks8" of the earlier model, same grammar):
// one instruction line per text line, in the sorted order, each ended by
// CR LF; no header. Lines may end in CR, LF or CR LF when read.
//
// Text is in the locale's encoding (UTF-8 on today's systems), the same
// conversion that QFile::encodeName and decodeName apply to file names, so a
// "Load Paradigm" path reaches the file system as the bytes the file holds.
//
// Writing is text in, bytes out: the caller writes the bytes atomically
// (console/FileWriter.h WriteAtomically).
#include <QByteArray>
#include <QString>
#include <QStringList>

#include "ScriptLines.h"

namespace ScriptFile {

// The lines of a file's bytes, in file order. A line break at the very end
// ends the last line; it does not start an empty one.
QStringList SplitLines(const QByteArray& bytes);

// The file's content for the lines, each followed by CR LF. A line that
// holds a CR or LF of its own (a file name may) would come back as two
// lines: EScriptError refuses it, and nothing is written.
QByteArray Bytes(const TScriptLines& lines);

// Reads a script file into its sorted lines, as they are (blank lines kept).
// Raises EFileError when it cannot be read, and refuses anything that is not
// a regular file (a folder, a named pipe, a device) without waiting on it.
TScriptLines Read(const QString& fileName);

} // namespace ScriptFile
