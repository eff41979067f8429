// Fuzzes the channel 9 CSV reader as a load meets a file: the bytes are split
// into lines and the first 1000 are read as numbers, in a full-stop locale
// and in a comma locale. The first byte chooses the locale. EKelvorError
// with the line-number message is the expected refusal; a crash, a hang or a
// sanitizer report is a finding.
//
// Promises: a line that reads is a finite number, reads the same when the
// line is given again, and its point's amplitude text is nine characters
// within the device's limits.
#include "FuzzCheck.h"
#include "console/Channel9Csv.h"
#include "console/Channel9Table.h"
#include "link/KelvorErrors.h"

#include <QByteArray>
#include <QLocale>

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QLocale locale(data[0] % 2 ? QLocale::German : QLocale::C);
    const Channel9Csv::TLines lines(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    for (qsizetype i = 0; i < lines.Count() && i < 1000; ++i) {
        double number = 0;
        if (!Channel9Csv::ParseLine(lines.Line(i), locale, number))
            continue;
        FUZZ_CHECK(std::isfinite(number), "a line read as a number that is not finite");
        double again = 0;
        FUZZ_CHECK(Channel9Csv::ParseLine(lines.Line(i).toString(), locale, again) && again == number,
                   "the same line read twice differs");
        const QString amplitude = Channel9::PointOf(number).ToAmplitudeText();
        FUZZ_CHECK(amplitude.size() == 9, "amplitude text not nine characters");
        const double sent = amplitude.left(6).toDouble();
        FUZZ_CHECK(sent <= 9.99 && sent >= -10, "amplitude outside the device's limits");
    }
    try {
        const QVector<double> numbers = Channel9Csv::ParseLines(lines, 1000, locale);
        FUZZ_CHECK(numbers.size() == qMin<qsizetype>(lines.Count(), 1000), "not one number per line read");
    } catch (const EKelvorError&) {
    }
    return 0;
}
