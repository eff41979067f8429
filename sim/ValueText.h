#pragma once
// The device's number form: a 9-character value text (sign, five mantissa
// characters with at most one '.', 'E', exponent sign, exponent digit).
// Accepted values are stored rounded to four significant digits in
// engineering form, e.g. "+12345E-6" is stored as "+12.35E-3".

#include <string>
#include <string_view>

namespace sim {

struct StoredValue {
    std::string text;   // the 9-character engineering form the device echoes
    double number = 0;  // the same value as a number, for limit checks
};

enum class ValueResult { Ok, Malformed, OutOfRange };

// True when the 9 characters have the shape of a value text.
bool hasValueShape(std::string_view text);

// Parses a 9-character value text and rounds it. OutOfRange: the rounded value
// needs an exponent outside -9..+9 in engineering form.
ValueResult storeValueText(std::string_view text, StoredValue& out);

// Engineering form of mantissa * 10^exponent (integer mantissa), four significant digits.
ValueResult storeDecimal(bool negative, long long mantissa, int exponent, StoredValue& out);

}  // namespace sim
