// Display patterns and the locale-aware number reading of the entry fields.
#include "model/NumberText.h"

#include <gtest/gtest.h>

using namespace numtext;

namespace {
const QLocale C = QLocale::c();
const QLocale German(QLocale::German, QLocale::Germany);
} // namespace

TEST(NumberText, DisplayPatterns)
{
    EXPECT_EQ(FormatPattern(",0.00", 1234.5, C), "1,234.50");
    EXPECT_EQ(FormatPattern(",0.00", -1234567.125, C), "-1,234,567.13");
    EXPECT_EQ(FormatPattern(",0.00", 0, C), "0.00");
    EXPECT_EQ(FormatPattern(",0.00", 1234.5, German), "1.234,50");

    // The exponent field: a power of ten shown negative, "FF" for -1.
    EXPECT_EQ(FormatPattern("-#;FF;0", 3, C), "-3");
    EXPECT_EQ(FormatPattern("-#;FF;0", 6, C), "-6");
    EXPECT_EQ(FormatPattern("-#;FF;0", -1, C), "FF");
    EXPECT_EQ(FormatPattern("-#;FF;0", 0, C), "0");

    // The mantissa field: general format for positives, a literal 0 otherwise.
    const QString mantissa = QStringLiteral(";\"0\";\"0\"");
    EXPECT_EQ(FormatPattern(mantissa, 12.35, C), "12.35");
    EXPECT_EQ(FormatPattern(mantissa, 12.35, German), "12,35");
    EXPECT_EQ(FormatPattern(mantissa, 9999, German), "9999"); // no grouping
    EXPECT_EQ(FormatPattern(mantissa, -1, C), "0");
    EXPECT_EQ(FormatPattern(mantissa, 0, C), "0");

    // Edit texts: no trailing zeros.
    EXPECT_EQ(FormatPattern("0.####", 1.5, C), "1.5");
    EXPECT_EQ(FormatPattern("0.####", 12, C), "12");
    EXPECT_EQ(FormatPattern("0.####", 0.25, German), "0,25");
    EXPECT_EQ(FormatPattern("0", 3, C), "3");
    EXPECT_EQ(FormatPattern("", -2.5, C), "-2.5");
    EXPECT_EQ(FormatPattern("'x'0;neg", -1, C), "neg");
}

TEST(NumberText, NormaliseAndRead)
{
    EXPECT_EQ(Normalise(" 1,234.5 ", C), "1234.5");
    EXPECT_EQ(Normalise("1.234,5", German), "1234,5");
    EXPECT_EQ(Normalise("  ", C), "0");
    EXPECT_EQ(Normalise("-", C), "-0");

    double x = 0;
    EXPECT_TRUE(ToFloat("1,5", German, x));
    EXPECT_DOUBLE_EQ(x, 1.5);
    EXPECT_FALSE(ToFloat("1.5", German, x)); // the full stop is no decimal separator there
    EXPECT_TRUE(ToFloat("5.", C, x));
    EXPECT_DOUBLE_EQ(x, 5);
    EXPECT_TRUE(ToFloat(".25", C, x));
    EXPECT_TRUE(ToFloat("+1E3", C, x));
    EXPECT_DOUBLE_EQ(x, 1000);
    for (const char* bad : {"", ".", "-", "1.2.3", "1e", "--1", "1 2", "abc", "0x10", "1e999"})
        EXPECT_FALSE(ToFloat(QString::fromLatin1(bad), C, x)) << bad;

    EXPECT_EQ(FullStopToLocale("1.234", German), "1,234");
    EXPECT_EQ(LocaleToFullStop("1,234", German), "1.234");
    EXPECT_EQ(LocaleToFullStop("1.234", C), "1.234");
}
