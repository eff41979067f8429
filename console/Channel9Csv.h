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

#include <vector>

#include "VexoClasses.h"

namespace Channel9Csv {

// A file's text and its lines, ended by CR LF, LF or CR (a line break at the
// very end does not start another line). The lines are views into the text:
// a 100000-line file makes no string per line.
class TLines {
public:
    explicit TLines(const QByteArray& bytes); // text in the locale's encoding
    TLines(TLines&&) = default;
    TLines(const TLines&) = delete;
    TLines& operator=(const TLines&) = delete;
    qsizetype Count() const { return qsizetype(FLines.size()); }
    QStringView Line(qsizetype i) const { return FLines[size_t(i)]; }

private:
    QString FText;
    std::vector<QStringView> FLines;
};

// The file's content: each point as its device text, ended by CR LF.
QByteArray Text(const QVector<TVexoValue>& points);

// One line as a number: blanks, an optional sign, digits with at most one
// decimal separator (the full stop or the locale's own), an optional
// exponent ("E" or "e", optional sign, digits), blanks. False for anything
// else: two numbers, a thousands separator, two separators ("1.234,5"),
// other text, an empty line, a number beyond the range of a double.
bool ParseLine(QStringView line, const QLocale& locale, double& number);

// The numbers of the first `limit` lines; later lines are not looked at.
// Raises EKelvorError "Cannot read data. Line number i contain invalid
// data." for the first line that is not a number.
QVector<double> ParseLines(const TLines& lines, int limit, const QLocale& locale);

// The lines of a file. Only a regular file is read, opened without
// blocking, so a named pipe or a device never holds the console. Raises
// EFileError "Cannot load data from " + the file name.
TLines ReadLines(const QString& fileName);

} // namespace Channel9Csv
