// Fuzzes the channel 9 CSV reader as a load meets a file: the bytes are read
// line by line and the first 1000 lines are read as numbers, in a full-stop locale
// and in a comma locale. The first byte chooses the locale. EKelvorError
// with the line-number message is the expected refusal; a crash, a hang or a
// sanitizer report is a finding.
//
// Promises: a line that reads is a finite number, reads the same when the
// line is given again, and its point's amplitude text is nine characters
// within the device's limits.
#include "FuzzCheck.h"
#include "base/KelvorErrors.h"
#include "model/Channel9Csv.h"
#include "model/Channel9Table.h"

#include <QByteArray>
#include <QLocale>

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QLocale locale(data[0] % 2 ? QLocale::German : QLocale::C);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    TLineReader lines(TLineReader::FromBytes(bytes), Channel9Csv::LongestLine);
    QByteArray line;
    int count = 0;
    for (; count < 1000 && lines.Next(line); ++count) {
        FUZZ_CHECK(line.size() <= Channel9Csv::LongestLine, "a line longer than the reader keeps");
        double number = 0;
        const QString text = QString::fromLocal8Bit(line);
        if (lines.TooLong() || !Channel9Csv::ParseLine(text, locale, number))
            continue;
        FUZZ_CHECK(std::isfinite(number), "a line read as a number that is not finite");
        double again = 0;
        FUZZ_CHECK(Channel9Csv::ParseLine(QString(text), locale, again) && again == number,
                   "the same line read twice differs");
        const QString amplitude = Channel9::PointOf(number).ToAmplitudeText();
        FUZZ_CHECK(amplitude.size() == 9, "amplitude text not nine characters");
        const double sent = amplitude.left(6).toDouble();
        FUZZ_CHECK(sent <= 9.99 && sent >= -10, "amplitude outside the device's limits");
    }
    try {
        TLineReader again(TLineReader::FromBytes(bytes), Channel9Csv::LongestLine);
        const Channel9Csv::TNumbers read = Channel9Csv::ParseLines(again, 1000, locale);
        FUZZ_CHECK(read.Numbers.size() == count, "not one number per line read");
    } catch (const EKelvorError&) {
    }
    return 0;
}
