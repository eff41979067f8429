// TVexoValue and the small mode, shape and link-cell conversions.
#include "VexoClasses.h"

#include "NumberText.h"
#include "base/KelvorErrors.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

QString TrimControls(const QString& text)
{
    // Blanks and every other control character count as padding.
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= ' ')
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}

QString CharText(char c)
{
    return QString(QChar::fromLatin1(c));
}

} // namespace

TVexoValue::TVexoValue()
{
    Clear();
}

void TVexoValue::Clear()
{
    Mantissa = QByteArrayLiteral("FFFF.");
    ExponentDigit = 'F';
    Sign = 0;
    ExponentSign = 0;
}

void TVexoValue::SetFromText(const QString& text)
{
    const QByteArray t = text.leftJustified(9, QLatin1Char(' '), false).toLatin1();
    Sign = t.at(0) == ' ' ? '+' : t.at(0);
    Mantissa = t.mid(1, 5);
    ExponentSign = t.at(7);
    ExponentDigit = t.at(8);
}

QString TVexoValue::ToDeviceText() const
{
    const QString mantissa = TrimControls(QString::fromLatin1(Mantissa));
    return CharText(Sign) + mantissa.rightJustified(5, QLatin1Char('0')) + QLatin1Char('E')
        + CharText(ExponentSign) + CharText(ExponentDigit);
}

// The number conversions below build their texts in small character
// buffers: a channel 9 table converts 100000 points in one go.
namespace {

bool IsPadding(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

double TVexoValue::ToFloat() const
{
    // Sign, mantissa and exponent sign each without padding, "E", the digit.
    std::string text; // nine characters: no allocation
    if (!IsPadding(Sign))
        text += Sign;
    qsizetype begin = 0, end = Mantissa.size();
    while (begin < end && IsPadding(Mantissa.at(begin)))
        ++begin;
    while (end > begin && IsPadding(Mantissa.at(end - 1)))
        --end;
    text.append(Mantissa.constData() + begin, size_t(end - begin));
    text += 'E';
    if (!IsPadding(ExponentSign))
        text += ExponentSign;
    text += (ExponentDigit == ' ' || ExponentDigit == '0' || ExponentDigit == 'F') ? '0' : ExponentDigit;
    double x = 0;
    if (!numtext::ParseFullStop(text, x))
        throw EConvertError::NotFloat(QString::fromLatin1(text.data(), qsizetype(text.size())));
    return x;
}

void TVexoValue::SetFromFloat(double x)
{
    if (!std::isfinite(x))
        throw EConvertError::NotFloat(QString::number(x));
    if (x == 0)
        x = 0; // no negative zero: zero is +0.000E+0

    // Four significant digits in scientific form, e.g. "-1.234e-05".
    char s[64];
    const auto r = std::to_chars(s, s + sizeof s, x, std::chars_format::scientific, 3);
    const char* p = s;
    const char sign = *p == '-' ? '-' : '+';
    if (*p == '-')
        ++p;
    // p: digit, '.', three digits, 'e', exponent sign, exponent digits.
    const char d[4] = {p[0], p[2], p[3], p[4]}; // the four significant digits
    const char expSign = p[6];
    int exponent = 0;
    std::from_chars(p + 7, r.ptr, exponent);
    if (expSign == '-' && exponent > 9) {
        // Below the smallest exponent the device writes: nearest is zero.
        SetFromText(QStringLiteral("+0.000E+0"));
        return;
    }
    if (expSign == '+' && exponent > 9)
        throw EConvertError(QStringLiteral("'%1' is too large for a device value")
                                .arg(QString::number(x, 'g', 15)));

    // The value text: the point moves so that the exponent is a multiple
    // of three (from -6 to +9), e.g. 1.234E+001 gives +12.34E+0.
    const int e = exponent;
    int before = 1; // digits before the point
    char stored = char('0' + e);
    if (expSign == '+' && (e == 1 || e == 4 || e == 7)) {
        before = 2;
        stored = char('0' + e - 1);
    } else if (expSign == '+' && (e == 2 || e == 5 || e == 8)) {
        before = 3;
        stored = char('0' + e - 2);
    } else if (expSign == '-' && (e == 1 || e == 4)) {
        before = 3;
        stored = char('0' + e + 2);
    } else if (expSign == '-' && (e == 2 || e == 5)) {
        before = 2;
        stored = char('0' + e + 1);
    }
    char mantissa[5];
    for (int i = 0, k = 0; i < 5; ++i)
        mantissa[i] = i == before ? '.' : d[k++];
    Sign = sign;
    Mantissa = QByteArray(mantissa, 5);
    ExponentSign = expSign;
    ExponentDigit = stored;
}

QString TVexoValue::ToAmplitudeText() const
{
    double v = ToFloat();
    if (v > AmplitudeHigh)
        v = AmplitudeHigh;
    if (v < AmplitudeLow)
        v = AmplitudeLow;
    const double magnitude = std::fabs(v);
    QString digits = magnitude >= 10 ? QString::number(magnitude, 'f', 2)
                                     : QString::number(magnitude, 'f', 3);
    if (digits.size() > 5) // 9.9996 would round up to a sixth character
        digits = QString::number(magnitude, 'f', 2);
    return CharText(Sign) + digits + QStringLiteral("E+0");
}

QChar ModeLetter(int mode)
{
    static const char letters[] = "FNGCTWO";
    return QChar::fromLatin1(mode >= 0 && mode <= 6 ? letters[mode] : 'O');
}

int ModeFromLetter(QChar c)
{
    static const QString letters = QStringLiteral("FNGCTWO");
    return static_cast<int>(letters.indexOf(c));
}

QChar HexDigit(int n)
{
    return QChar::fromLatin1("0123456789ABCDEF"[n & 15]);
}

QChar ShapeLetter(int shape)
{
    static const char letters[] = "MBR";
    return QChar::fromLatin1(shape >= 0 && shape <= 2 ? letters[shape] : 'M');
}

int ShapeFromLetter(QChar c)
{
    static const QString letters = QStringLiteral("MBR");
    return static_cast<int>(letters.indexOf(c));
}

QString LinkCellText(int state)
{
    if (state == 1)
        return QStringLiteral("+");
    if (state == 2)
        return QStringLiteral("*");
    return QStringLiteral(" ");
}

int LinkCellFromText(const QString& text)
{
    if (text.startsWith(QLatin1Char('*')))
        return 2;
    if (text.startsWith(QLatin1Char('+')))
        return 1;
    return 0;
}
