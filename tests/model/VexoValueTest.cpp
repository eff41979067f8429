// The engineering value: text form, device text, conversions to and from
// numbers, the amplitude text and the small letter conversions.
#include "LocaleGuard.h"
#include "base/KelvorErrors.h"
#include "model/VexoClasses.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TVexoValue FromText(const char* text)
{
    TVexoValue v;
    v.SetFromText(QString::fromLatin1(text));
    return v;
}

QString Engineering(double x)
{
    TVexoValue v;
    v.SetFromFloat(x);
    return v.ToDeviceText();
}

QString Amplitude(const char* text)
{
    return FromText(text).ToAmplitudeText();
}

// The conversions must give the same texts whatever locale is in force.
void ExpectWorkedExamples()
{
    EXPECT_EQ(Engineering(0.0123), "+12.30E-3");
    EXPECT_EQ(Engineering(12340), "+12.34E+3");
    EXPECT_EQ(Engineering(8.3), "+8.300E+0");
    EXPECT_EQ(Engineering(-0.000025), "-25.00E-6");
    EXPECT_EQ(Engineering(0), "+0.000E+0");
    EXPECT_EQ(Engineering(12.34), "+12.34E+0");
    EXPECT_EQ(Engineering(123.4), "+123.4E+0");
    EXPECT_EQ(Engineering(1234), "+1.234E+3");
    EXPECT_EQ(Engineering(0.0005), "+500.0E-6");
    EXPECT_EQ(Engineering(0.001234), "+1.234E-3");
    EXPECT_EQ(Engineering(0.12345), "+123.5E-3"); // rounded to four digits
    EXPECT_EQ(Engineering(1e-7), "+1.000E-7");
    EXPECT_EQ(Engineering(2.5e-8), "+2.500E-8");
    EXPECT_EQ(Engineering(-9.876e-9), "-9.876E-9");
    EXPECT_EQ(Engineering(4.2e9), "+4.200E+9");
    EXPECT_EQ(Engineering(4.2e8), "+420.0E+6");

    EXPECT_DOUBLE_EQ(FromText("+1.234E-3").ToFloat(), 0.001234);
    EXPECT_DOUBLE_EQ(FromText("-25.00E-6").ToFloat(), -0.000025);
    EXPECT_DOUBLE_EQ(FromText("+005.5E+0").ToFloat(), 5.5);

    EXPECT_EQ(Amplitude("+5.000E+0"), "+5.000E+0");
    EXPECT_EQ(Amplitude("+12.00E+0"), "+9.990E+0");
    EXPECT_EQ(Amplitude("-12.00E+0"), "-10.00E+0");
    EXPECT_EQ(Amplitude("-2.500E+0"), "-2.500E+0");
    EXPECT_EQ(Amplitude("+250.0E-3"), "+0.250E+0");
}

} // namespace

TEST(VexoValue, NewAndClearedValuesAreUnsetByBothTests)
{
    TVexoValue v;
    EXPECT_TRUE(v.IsUnset());
    EXPECT_TRUE(v.IsShownUnset());
    EXPECT_EQ(v.Mantissa, QByteArray("FFFF."));
    EXPECT_EQ(v.Sign, 0);
    EXPECT_EQ(v.ExponentSign, 0);

    v.SetFromText(QStringLiteral("+1.234E-3"));
    EXPECT_FALSE(v.IsUnset());
    EXPECT_FALSE(v.IsShownUnset());
    v.Clear();
    EXPECT_TRUE(v.IsUnset());
    EXPECT_TRUE(v.IsShownUnset());
}

TEST(VexoValue, SetFromTextTakesCharactersByPosition)
{
    const TVexoValue v = FromText(" 1.234E-3");
    EXPECT_EQ(v.Sign, '+'); // a blank sign reads as plus
    EXPECT_EQ(v.Mantissa, QByteArray("1.234"));
    EXPECT_EQ(v.ExponentSign, '-');
    EXPECT_EQ(v.ExponentDigit, '3');

    // Character 7 is not examined and nothing is validated.
    const TVexoValue odd = FromText("-ab.cdX+9");
    EXPECT_EQ(odd.Sign, '-');
    EXPECT_EQ(odd.Mantissa, QByteArray("ab.cd"));
    EXPECT_EQ(odd.ExponentDigit, '9');

    // A short text never reads past its end: missing places are blanks.
    const TVexoValue shortText = FromText("-12");
    EXPECT_EQ(shortText.Mantissa, QByteArray("12   "));
    EXPECT_EQ(shortText.ExponentDigit, ' ');
}

TEST(VexoValue, DeviceTextTrimsAndPadsTheMantissa)
{
    TVexoValue v;
    v.Sign = '+';
    v.ExponentSign = '-';
    v.ExponentDigit = '3';
    v.Mantissa = "5    ";
    EXPECT_EQ(v.ToDeviceText(), "+00005E-3");
    v.Mantissa = "1.5  ";
    EXPECT_EQ(v.ToDeviceText(), "+001.5E-3");
    v.Mantissa = "12.34";
    EXPECT_EQ(v.ToDeviceText(), "+12.34E-3");
    v.Mantissa = QByteArray(" 7\t\0 ", 5); // other control characters are padding too
    EXPECT_EQ(v.ToDeviceText(), "+00007E-3");
    v.Mantissa = "     ";
    v.ExponentSign = '+';
    v.ExponentDigit = '0';
    EXPECT_EQ(v.ToDeviceText(), "+00000E+0");
}

TEST(VexoValue, ToFloatReadsBlankOrUnsetExponentDigitAsZero)
{
    TVexoValue v;
    v.Sign = '+';
    v.Mantissa = "005.5";
    v.ExponentSign = 0;
    v.ExponentDigit = ' ';
    EXPECT_DOUBLE_EQ(v.ToFloat(), 5.5);
    v.ExponentDigit = 'F';
    v.ExponentSign = '-';
    EXPECT_DOUBLE_EQ(v.ToFloat(), 5.5);
    v.Mantissa = "5    ";
    v.ExponentDigit = '3';
    EXPECT_DOUBLE_EQ(v.ToFloat(), 0.005);
}

TEST(VexoValue, ConversionErrorsCarryAMessageInsteadOfCrashing)
{
    const TVexoValue unset;
    try {
        unset.ToFloat();
        FAIL() << "an unset value converted";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "'FFFF.E0' is not a valid floating point value");
    }
    EXPECT_THROW(unset.ToAmplitudeText(), EConvertError);
    EXPECT_THROW(FromText("+1,234E+0").ToFloat(), EConvertError); // device texts never group
    EXPECT_THROW(FromText("+1 2  E+0").ToFloat(), EConvertError);

    TVexoValue v;
    EXPECT_THROW(v.SetFromFloat(NAN), EConvertError);
    EXPECT_THROW(v.SetFromFloat(INFINITY), EConvertError);
    EXPECT_THROW(v.SetFromFloat(1.2e10), EConvertError);
    EXPECT_THROW(v.SetFromFloat(9.9996e9), EConvertError); // rounds up to 1.000E+10
    EXPECT_TRUE(v.IsUnset()) << "a failed conversion changed the value";
}

TEST(VexoValue, MagnitudesBeyondOneExponentDigit)
{
    // The last exponent digit alone would turn 1.5E-12 into 1.5E-2; the
    // nearest value the device can hold is zero.
    EXPECT_EQ(Engineering(1.5e-12), "+0.000E+0");
    EXPECT_EQ(Engineering(-3e-10), "+0.000E+0");
    EXPECT_EQ(Engineering(9.9996e-10), "+1.000E-9"); // rounds into range
    EXPECT_EQ(Engineering(-0.0), "+0.000E+0");
}

TEST(VexoValue, AmplitudeKeepsTheStoredSign)
{
    // The sign character is written as stored, not recomputed from the number.
    TVexoValue v = FromText("+12.00E+0");
    v.Sign = '-';
    v.Mantissa = "12.00";
    EXPECT_EQ(v.ToAmplitudeText(), "-10.00E+0");
    EXPECT_EQ(Amplitude("+9.999E+0"), "+9.990E+0");
    EXPECT_EQ(Amplitude("-9.999E+0"), "-9.999E+0");
    EXPECT_EQ(Amplitude("+0.000E+0"), "+0.000E+0");
}

TEST(VexoValue, WorkedExamplesInTheCLocale)
{
    LocaleGuard guard(QLocale::c());
    ExpectWorkedExamples();
}

TEST(VexoValue, WorkedExamplesInACommaLocale)
{
    LocaleGuard guard(LocaleGuard::German());
    ASSERT_EQ(QLocale().decimalPoint(), ",");
    ExpectWorkedExamples();
}

TEST(VexoValue, WorkedExamplesWithTheCLibraryInACommaLocale)
{
    LocaleGuard guard(LocaleGuard::German());
    if (!guard.SetGermanCNumeric())
        GTEST_SKIP() << "no de_DE locale installed";
    ExpectWorkedExamples();
}

TEST(VexoValue, ModeShapeAndLinkCellLetters)
{
    const QString modes = QStringLiteral("FNGCTWO");
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(ModeLetter(i), modes.at(i));
        EXPECT_EQ(ModeFromLetter(modes.at(i)), i);
    }
    EXPECT_EQ(ModeLetter(-1), QChar('O'));
    EXPECT_EQ(ModeLetter(7), QChar('O'));
    EXPECT_EQ(ModeFromLetter(QChar('X')), -1);
    EXPECT_EQ(ModeFromLetter(QChar()), -1);

    EXPECT_EQ(ShapeLetter(1), QChar('B'));
    EXPECT_EQ(ShapeLetter(5), QChar('M'));
    EXPECT_EQ(ShapeFromLetter(QChar('R')), 2);

    EXPECT_EQ(LinkCellText(0), " ");
    EXPECT_EQ(LinkCellText(1), "+");
    EXPECT_EQ(LinkCellText(2), "*");
    EXPECT_EQ(LinkCellText(3), " ");
    EXPECT_EQ(LinkCellFromText("*x"), 2);
    EXPECT_EQ(LinkCellFromText("+"), 1);
    EXPECT_EQ(LinkCellFromText("-"), 0);
    EXPECT_EQ(LinkCellFromText(""), 0);
}
