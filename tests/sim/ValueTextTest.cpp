#include "sim/ValueText.h"

#include <gtest/gtest.h>

using sim::StoredValue;
using sim::ValueResult;

namespace {

std::string stored(const std::string& text)
{
    StoredValue v;
    EXPECT_EQ(sim::storeValueText(text, v), ValueResult::Ok) << text;
    return v.text;
}

}  // namespace

TEST(ValueText, RoundsToFourDigitsInEngineeringForm)
{
    EXPECT_EQ(stored("+12345E-6"), "+12.35E-3");
    EXPECT_EQ(stored("+00005E-3"), "+5.000E-3");
    EXPECT_EQ(stored("+001.5E-3"), "+1.500E-3");
    EXPECT_EQ(stored("+00500E-6"), "+500.0E-6");
    EXPECT_EQ(stored("+00025E-6"), "+25.00E-6");
    EXPECT_EQ(stored("+1.234E-3"), "+1.234E-3");
    EXPECT_EQ(stored("-10.00E+0"), "-10.00E+0");
    EXPECT_EQ(stored("+0.500E+0"), "+500.0E-3");
    EXPECT_EQ(stored("+60000E+0"), "+60.00E+3");
    EXPECT_EQ(stored("+99999E+0"), "+100.0E+3");  // rounding carries into the next digit
    EXPECT_EQ(stored(" 1.234E-3"), "+1.234E-3");  // a blank sign counts as "+"
}

TEST(ValueText, ZeroHasOneForm)
{
    EXPECT_EQ(stored("+00000E+0"), "+0.000E+0");
    EXPECT_EQ(stored("-0.000E-3"), "+0.000E+0");
}

TEST(ValueText, EchoOfAStoredValueIsStable)
{
    for (const char* t : {"+12.35E-3", "+500.0E-6", "-3.250E+0", "+1.000E+9", "+100.0E-9"})
        EXPECT_EQ(stored(t), t);
}

TEST(ValueText, NumbersFollowTheText)
{
    StoredValue v;
    ASSERT_EQ(sim::storeValueText("+00100E-6", v), ValueResult::Ok);
    EXPECT_EQ(v.number, 100e-6);
    ASSERT_EQ(sim::storeValueText("-9.990E+0", v), ValueResult::Ok);
    EXPECT_EQ(v.number, -9.99);
}

TEST(ValueText, RefusesMalformedAndUnrepresentableTexts)
{
    StoredValue v;
    for (const char* bad : {"", "+1.234E-", "+1.234X-3", "*1.234E-3", "+1..23E-3", "+1,234E-3", "+.....E-3",
                            "+1.234E-A", "+1.234E-33", "+FFFF.EF"})
        EXPECT_EQ(sim::storeValueText(bad, v), ValueResult::Malformed) << bad;
    EXPECT_EQ(sim::storeValueText("+00001E-9", v), ValueResult::Ok);
    EXPECT_EQ(sim::storeValueText("+0.001E-9", v), ValueResult::OutOfRange);
    EXPECT_EQ(sim::storeValueText("+99999E+9", v), ValueResult::OutOfRange);
}
