#include "ValueText.h"

#include <charconv>
#include <cstdlib>
#include <string>

namespace sim {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitCount(long long v)
{
    int n = 0;
    for (; v > 0; v /= 10)
        ++n;
    return n;
}

long long pow10(int n)
{
    long long p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// Floor division for a possibly negative numerator.
int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

double toNumber(bool negative, long long mantissa, int exponent)
{
    // Decimal text with an integer mantissa: correctly rounded and free of locale.
    std::string s = (negative ? "-" : "") + std::to_string(mantissa) + "e" + std::to_string(exponent);
    double d = 0;
    std::from_chars(s.data(), s.data() + s.size(), d);
    return d;
}

}  // namespace

bool hasValueShape(std::string_view t)
{
    if (t.size() != 9)
        return false;
    if (t[0] != '+' && t[0] != '-' && t[0] != ' ')
        return false;
    int digits = 0, points = 0;
    for (int i = 1; i <= 5; ++i) {
        if (isDigit(t[i]))
            ++digits;
        else if (t[i] == '.')
            ++points;
        else
            return false;
    }
    return digits >= 1 && points <= 1 && t[6] == 'E' && (t[7] == '+' || t[7] == '-') && isDigit(t[8]);
}

ValueResult storeValueText(std::string_view t, StoredValue& out)
{
    if (!hasValueShape(t))
        return ValueResult::Malformed;
    long long mantissa = 0;
    int decimals = 0;
    bool afterPoint = false;
    for (int i = 1; i <= 5; ++i) {
        if (t[i] == '.') {
            afterPoint = true;
            continue;
        }
        mantissa = mantissa * 10 + (t[i] - '0');
        if (afterPoint)
            ++decimals;
    }
    int exponent = (t[8] - '0') * (t[7] == '-' ? -1 : 1) - decimals;
    return storeDecimal(t[0] == '-', mantissa, exponent, out);
}

ValueResult storeDecimal(bool negative, long long mantissa, int exponent, StoredValue& out)
{
    if (mantissa < 0) {
        negative = !negative;
        mantissa = -mantissa;
    }
    if (mantissa == 0) {
        out.text = "+0.000E+0";
        out.number = 0;
        return ValueResult::Ok;
    }
    // Bring the mantissa to exactly four digits, rounding half away from zero.
    int n = digitCount(mantissa);
    if (n > 4) {
        long long div = pow10(n - 4);
        long long rounded = (mantissa + div / 2) / div;
        exponent += n - 4;
        if (rounded == 10000) {
            rounded = 1000;
            exponent += 1;
        }
        mantissa = rounded;
    } else if (n < 4) {
        mantissa *= pow10(4 - n);
        exponent -= 4 - n;
    }
    // mantissa is in [1000, 9999]; its leading digit stands for 10^lead.
    int lead = exponent + 3;
    int engineering = floorDiv(lead, 3) * 3;
    if (engineering < -9 || engineering > 9)
        return ValueResult::OutOfRange;
    int integerDigits = lead - engineering + 1;  // 1, 2 or 3
    std::string digits = std::to_string(mantissa);
    std::string text;
    text += negative ? '-' : '+';
    text += digits.substr(0, integerDigits);
    text += '.';
    text += digits.substr(integerDigits);
    text += 'E';
    text += engineering < 0 ? '-' : '+';
    text += char('0' + std::abs(engineering));
    out.text = text;
    out.number = toNumber(negative, mantissa, exponent);
    return ValueResult::Ok;
}

}  // namespace sim
