#pragma once
// The channel 9 CSV file: one point per line, no header, every line ended
// by CR LF. Written points are the device's nine-character value texts, so
// they carry the full stop. Read lines hold one number each; the full stop
// is a decimal point in every locale, and so is the locale's own decimal
// separator, so a file the console wrote reads back in a comma locale too.
// No windows here.
#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QVector>

#include "LineReader.h"
#include "VexoClasses.h"

namespace Channel9Csv {

// A line that holds a point is short: a longer one is invalid data.
constexpr qsizetype LongestLine = 256;

// What a load reads from a file.
struct TNumbers {
    QVector<double> Numbers;
    bool MoreLines = false; // lines follow those the limit allowed
};

// The file's content: each point as its device text, ended by CR LF.
QByteArray Text(const QVector<TVexoValue>& points);

// One line as a number: blanks, an optional sign, digits with at most one
// decimal separator (the full stop or the locale's own), an optional
// exponent ("E" or "e", optional sign, digits), blanks. False for anything
// else: two numbers, a thousands separator, two separators ("1.234,5"),
// other text, an empty line, a number beyond the range of a double.
bool ParseLine(QStringView line, const QLocale& locale, double& number);

// The numbers of the first `limit` lines, read as they come; later lines
// are not read (only whether there is one). Raises EKelvorError "Cannot read
// data. Line number i contain invalid data." for the first line that is not
// a number or is longer than LongestLine bytes. Lines are in the locale's
// encoding.
TNumbers ParseLines(TLineReader& lines, int limit, const QLocale& locale);

// ParseLines over a file. Only a regular file is read, opened without
// blocking, so a named pipe or a device never holds the console. Raises
// EFileError "Cannot load data from " + the file name when it cannot be
// opened or read.
TNumbers ReadFile(const QString& fileName, int limit, const QLocale& locale);

} // namespace Channel9Csv
