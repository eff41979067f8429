#pragma once
// Reads the files the operator names (paradigm, script and CSV files). Only a
// regular file is read: the file is opened without blocking and the opened
// file itself is examined, so a named pipe or a device never hangs the
// console (a check of the name before opening could look at another file
// than the one opened).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

#include "LineReader.h"

namespace FileReader {

// The whole file. Raises EFileError with the file layer's message when it
// cannot be opened or read, or is not a regular file.
QByteArray ReadRegularFile(const QString& fileName);

// The lines of a regular file, read as they are asked for (see
// TLineReader). Raises EFileError as ReadRegularFile does, when the file is
// opened here and when a later read fails.
TLineReader RegularFileLines(const QString& fileName, qsizetype longestLine);

// The lines of a text; a line ends at CR LF, LF or CR. A last line ending is
// not followed by an empty line. The views point into text.
std::vector<QStringView> LineViews(QStringView text);
QStringList SplitTextLines(const QString& text);

} // namespace FileReader
