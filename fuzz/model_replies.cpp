// Fuzzes how the model reads device replies: the state and link replies into
// a Tparadigm, and value texts through TVexoValue's conversions.
//
// Input: the first byte chooses how the rest becomes a QString (0 Latin-1,
// 1 UTF-8, 2 UTF-16), because replies reach the model as text and the model
// must cope with any character. EConvertError is an expected outcome; every
// other exception, crash or sanitizer report is a finding.
#include "FuzzCheck.h"
#include "base/KelvorErrors.h"
#include "model/VexoClasses.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

QString Decode(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    const char* text = reinterpret_cast<const char*>(data + 1);
    const qsizetype n = qsizetype(size - 1);
    switch (data[0] % 3) {
    case 0: return QString::fromLatin1(text, n);
    case 1: return QString::fromUtf8(text, n);
    default: {
        QString s(n / 2, Qt::Uninitialized);
        std::memcpy(s.data(), text, size_t(n / 2) * 2);
        return s;
    }
    }
}

// Every conversion a value offers; a value read from a reply must survive them.
void Exercise(const TVexoValue& v)
{
    const QString device = v.ToDeviceText();
    // SetFromText keeps five mantissa characters, so the device text is always
    // nine characters (the sign and exponent characters count even when NUL).
    if (v.Mantissa.size() == 5)
        FUZZ_CHECK(device.size() == 9, "ToDeviceText is not nine characters");
    double x = 0;
    try {
        x = v.ToFloat();
    } catch (const EConvertError&) {
        return;
    }
    FUZZ_CHECK(std::isfinite(x), "ToFloat gave a number that is not finite");
    try {
        const QString amplitude = v.ToAmplitudeText();
        FUZZ_CHECK(amplitude.size() == 9, "ToAmplitudeText is not nine characters");
    } catch (const EConvertError&) {
        FUZZ_CHECK(false, "ToAmplitudeText refused a value that ToFloat read");
    }

    // Writing the number back in engineering form loses at most the fifth
    // significant digit, and reading it again must give the same number.
    const double magnitude = std::fabs(x);
    if (magnitude >= 1e-9 && magnitude < 9.999e9) {
        TVexoValue back;
        back.SetFromFloat(x);
        const double y = back.ToFloat();
        FUZZ_CHECK(std::fabs(y - x) <= 5.0001e-4 * magnitude, "SetFromFloat/ToFloat round trip drifted");
        FUZZ_CHECK(back.ToDeviceText().size() == 9, "SetFromFloat stored no nine-character text");
    }
}

void CheckLinks(const Tparadigm& p)
{
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 13; ++c) {
            FUZZ_CHECK(p.Links[r][c] <= 2, "link cell outside 0..2");
            if (r == 0 || c == 0)
                FUZZ_CHECK(p.Links[r][c] == 0, "a reply wrote outside rows 1-9, columns 1-12");
        }
}

void ParseInto(Tparadigm& p, const QString& payload)
{
    try {
        p.ParseState(payload);
    } catch (const EConvertError&) {
    }
    p.ParseLinks(payload);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString payload = Decode(data, size);

    // As it came, and as the data of a success reply, so that the fuzzer does
    // not spend its time finding "OK.".
    Tparadigm p;
    ParseInto(p, payload);
    ParseInto(p, QStringLiteral("OK.") + payload);
    CheckLinks(p);
    FUZZ_CHECK(p.Number >= 0 && p.Number <= 9, "paradigm number outside 0..9");
    for (int n = 1; n <= 9; ++n) {
        const TChannel& ch = p.Channel(n);
        FUZZ_CHECK(ch.Mode <= 6, "mode index outside 0..6");
        FUZZ_CHECK(ch.Settings.Shape <= 2, "shape index outside 0..2");
        const TChannelSettings& s = ch.Settings;
        // The console converts only values that are set (the others stay unset
        // in the model); skipping them also spares the fuzzer most exceptions.
        for (const TVexoValue* v : {&s.Duration, &s.Interval, &s.Delay, &s.PulseCount, &s.Voltage, &s.DeltaV})
            if (!v->IsUnset())
                Exercise(*v);
    }
    // Spare socket 0 stands for every channel number outside 1..9 and must stay inert.
    FUZZ_CHECK(p.Channel(0).Settings.Duration.IsUnset(), "the spare channel was written");

    // The whole input as one value text, and in nine-character pieces.
    TVexoValue v;
    v.SetFromText(payload);
    Exercise(v);
    for (qsizetype i = 0; i + 9 <= payload.size() && i < 90; i += 9) {
        v.SetFromText(payload.mid(i, 9));
        Exercise(v);
    }
    return 0;
}
