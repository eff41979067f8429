#include "NumberText.h"

#include <QStringList>

#include <charconv>
#include <cmath>

namespace numtext {

namespace {

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One section of a display pattern, taken apart.
struct Section {
    QString prefix, suffix;
    bool hasDigits = false, grouping = false;
    int minInt = 0, minDec = 0, maxDec = 0;
};

Section ParseSection(const QString& text)
{
    Section s;
    bool afterPoint = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        QString literal;
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype close = text.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? text.size() : close;
            literal = text.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            s.hasDigits = true;
            if (afterPoint) {
                s.maxDec++;
                if (c == QLatin1Char('0'))
                    s.minDec = s.maxDec;
            } else if (c == QLatin1Char('0')) {
                s.minInt++;
            }
            continue;
        } else if (c == QLatin1Char('.') && !afterPoint) {
            afterPoint = true;
            s.hasDigits = true;
            continue;
        } else if (c == QLatin1Char(',')) {
            s.grouping = true;
            continue;
        } else {
            literal = c;
        }
        (s.hasDigits ? s.suffix : s.prefix) += literal;
    }
    return s;
}

QString Group(const QString& digits, const QString& separator)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits.at(i);
    }
    return out;
}

QString FormatMagnitude(const Section& s, double magnitude, const QLocale& locale)
{
    if (!s.hasDigits)
        return s.prefix + s.suffix;
    const QString fixed = QString::number(magnitude, 'f', s.maxDec);
    const qsizetype point = fixed.indexOf(QLatin1Char('.'));
    QString intPart = point < 0 ? fixed : fixed.left(point);
    QString frac = point < 0 ? QString() : fixed.mid(point + 1);
    while (frac.size() > s.minDec && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    if (intPart == QLatin1String("0") && s.minInt == 0)
        intPart.clear();
    intPart = intPart.rightJustified(s.minInt, QLatin1Char('0'));
    if (s.grouping)
        intPart = Group(intPart, GroupSeparator(locale));
    QString number = intPart;
    if (!frac.isEmpty())
        number += DecimalSeparator(locale) + frac;
    return s.prefix + number + s.suffix;
}

QStringList SplitSections(const QString& pattern)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (const QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

QString General(double value, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'g', 15);
}

} // namespace

QString DecimalSeparator(const QLocale& locale)
{
    return locale.decimalPoint();
}

QString GroupSeparator(const QLocale& locale)
{
    return locale.groupSeparator();
}

QString Normalise(const QString& text, const QLocale& locale)
{
    QString t = text.trimmed();
    const QString group = GroupSeparator(locale);
    if (!group.isEmpty() && group != DecimalSeparator(locale))
        t.remove(group);
    if (t.isEmpty())
        return QStringLiteral("0");
    if (t == QLatin1String("-"))
        return QStringLiteral("-0");
    return t;
}

bool ParseFullStop(const QString& text, double& out)
{
    const QByteArray bytes = text.toLatin1();
    if (bytes.size() != text.size())
        return false;
    return ParseFullStop(std::string_view(bytes.constData(), size_t(bytes.size())), out);
}

bool ParseFullStop(std::string_view text, double& out)
{
    const char* p = text.data();
    const char* end = p + text.size();
    if (p != end && *p == '+')
        ++p;
    const char* numberStart = p;
    if (p != end && *p == '-' && numberStart == text.data())
        ++p;
    int digits = 0;
    while (p != end && IsAsciiDigit(*p)) { ++p; ++digits; }
    if (p != end && *p == '.') {
        ++p;
        while (p != end && IsAsciiDigit(*p)) { ++p; ++digits; }
    }
    if (digits == 0)
        return false;
    if (p != end && (*p == 'E' || *p == 'e')) {
        ++p;
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        int expDigits = 0;
        while (p != end && IsAsciiDigit(*p)) { ++p; ++expDigits; }
        if (expDigits == 0)
            return false;
    }
    if (p != end)
        return false;
    double value = 0;
    const auto result = std::from_chars(numberStart, end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

bool ToFloat(const QString& text, const QLocale& locale, double& out)
{
    const QString separator = DecimalSeparator(locale);
    if (separator == QLatin1String("."))
        return ParseFullStop(text, out);
    if (text.contains(QLatin1Char('.')))
        return false;
    QString t = text;
    t.replace(separator, QStringLiteral("."));
    return ParseFullStop(t, out);
}

QString FormatPattern(const QString& pattern, double value, const QLocale& locale)
{
    const QStringList sections = SplitSections(pattern);
    const QString positive = sections.value(0);
    QString chosen = positive;
    bool addMinus = value < 0;
    if (value < 0 && sections.size() >= 2 && !sections.at(1).isEmpty()) {
        chosen = sections.at(1);
        addMinus = false;
    } else if (value == 0 && sections.size() >= 3 && !sections.at(2).isEmpty()) {
        chosen = sections.at(2);
    }
    if (chosen.isEmpty())
        return General(value, locale);
    const QString text = FormatMagnitude(ParseSection(chosen), std::fabs(value), locale);
    return addMinus ? QStringLiteral("-") + text : text;
}

QString FullStopToLocale(const QString& text, const QLocale& locale)
{
    QString t = text;
    return t.replace(QLatin1Char('.'), DecimalSeparator(locale));
}

QString LocaleToFullStop(const QString& text, const QLocale& locale)
{
    QString t = text;
    return t.replace(DecimalSeparator(locale), QStringLiteral("."));
}

} // namespace numtext
