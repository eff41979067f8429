#pragma once
// Writes a file so that a failed write never destroys the previous file:
// the new content goes to a temporary file beside it, which then replaces
// the old one. The file keeps its permissions, a symbolic link is written
// through to its target, and where the folder does not allow a new file
// (a writable file in a read-only folder) the file is written in place.
#include <QByteArray>
#include <QString>
#include <functional>

namespace FileWriter {

// Raises EFileError with the file layer's message on failure.
void WriteAtomically(const QString& fileName, const QByteArray& content);

// For tests: when set, called before each chunk is written with the number
// of bytes written so far; returning false makes that write fail the way a
// full disk does.
extern std::function<bool(qint64 written)> WriteGate;

} // namespace FileWriter
