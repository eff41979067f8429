#pragma once
// Writes a file so that a failed write never destroys the previous file:
// the new content goes to a temporary file beside it, which then replaces
// the old one. The file keeps its permissions, a symbolic link is written
// through to its target, and where the folder does not allow a new file
// (a writable file in a read-only folder) the file is written in place.
//
// Only a regular file is written, whether named directly or through links,
// or a new one: a device, a pipe or a folder is refused before anything is
// touched, so a save can never replace a serial port or /dev/full.
//
// A failure carries the system's own reason ("No space left on device"),
// taken from the call that failed: the write, or the close, which is where
// some file systems report a full disk.
#include <QByteArray>
#include <QString>

namespace FileWriter {

// Raises EFileError "Cannot write file "name". reason" when the name is not
// a regular file or a new one (for a check before long work).
void CheckTarget(const QString& fileName);

// Raises EFileError with the same text on any failure.
void WriteAtomically(const QString& fileName, const QByteArray& content);

} // namespace FileWriter
