#pragma once
// Number <-> text conversions for the entry fields, in a given locale.
// The device's own texts never pass through here with a locale: they are
// converted with the full stop (see TVexoValue and FullStopToLocale below).
#include <QLocale>
#include <QString>

#include <string_view>

namespace numtext {

QString DecimalSeparator(const QLocale& locale);
QString GroupSeparator(const QLocale& locale);

// Trims blanks, deletes group separators (when they differ from the decimal
// separator), turns "" into "0" and a lone "-" into "-0".
QString Normalise(const QString& text, const QLocale& locale);

// Reads a number written with the full stop: optional sign, digits with at
// most one point, optional exponent. No blanks, no group separators.
bool ParseFullStop(const QString& text, double& out);
// The same for 8-bit text; allocates nothing.
bool ParseFullStop(std::string_view text, double& out);

// Reads a number written with the locale's decimal separator: optional sign,
// digits with at most one separator, optional exponent ("1E3"). No blanks,
// no group separators. Returns false when the text is not such a number.
bool ToFloat(const QString& text, const QLocale& locale, double& out);

// Formats value with a three-section pattern "positive;negative;zero":
// '0' a digit always shown, '#' a digit shown when significant, the first '.'
// the decimal separator, ',' anywhere turns on thousands grouping, text in
// double or single quotes and any other character are shown literally.
// An empty positive section (or pattern) means the general format with up to
// 15 significant digits. An empty negative or zero section falls back to the
// positive one; a negative value shown with the positive section gets a minus.
QString FormatPattern(const QString& pattern, double value, const QLocale& locale);

// A device mantissa ("1.234") written with the locale's decimal separator,
// and back. Nothing else changes: no grouping is read or written.
QString FullStopToLocale(const QString& text, const QLocale& locale);
QString LocaleToFullStop(const QString& text, const QLocale& locale);

} // namespace numtext
