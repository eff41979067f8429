// Fuzzes the paradigm file reader: the input is a file's bytes, split into
// lines the way the reader splits a file (CR LF, LF or CR), then turned into
// the device batch and searched for keys. It also saves a model filled from
// the input and reads the saved text back: a saved file must load as written.
#include "FuzzCheck.h"
#include "base/KelvorErrors.h"
#include "model/ParadigmFile.h"
#include "model/VexoClasses.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace {

using ParadigmFile::SplitLines;

// The batch from arbitrary lines: it always starts with "B" and holds the
// eight commands of every channel and the store mode, whatever the file says.
void CheckLoad(const QStringList& lines)
{
    const QString batch = ParadigmFile::LoadBatch(lines);
    FUZZ_CHECK(batch.startsWith(QLatin1Char('B')), "batch does not start with B");
    FUZZ_CHECK(batch.size() >= 1 + 9 * (2 + 6 * 2 + 2) + 1, "batch shorter than its fixed commands");

    // The first line is the first occurrence of its own key.
    if (!lines.isEmpty()) {
        const QString& first = lines.constFirst();
        const qsizetype equals = first.indexOf(QLatin1Char('='));
        if (equals >= 0)
            FUZZ_CHECK(ParadigmFile::LookUp(lines, first.left(equals)) == first.mid(equals + 1),
                       "LookUp missed the value of the first line's key");
    }
    ParadigmFile::LookUp(lines, QString());
    ParadigmFile::LookUp(lines, QStringLiteral("StoreMode"));
    ParadigmFile::UnquoteFileName(lines.value(0));
}

// Saving and loading agree: every key of a saved file reads back the text
// that was written for it (control characters as blanks).
void CheckSaveLoad(QByteArray bytes)
{
    Tparadigm p;
    const QString payload = QStringLiteral("OK.5") + QString::fromLatin1(bytes);
    try {
        p.ParseState(payload);
    } catch (const EConvertError&) {
        FUZZ_CHECK(false, "a digit paradigm number was refused");
    }
    p.ParseLinks(QStringLiteral("OK.") + QString::fromLatin1(bytes));
    const QByteArray text = ParadigmFile::Text(p);
    const QStringList lines = SplitLines(text);
    FUZZ_CHECK(lines.size() == 93, "a saved paradigm file does not have 93 lines");
    FUZZ_CHECK(text.endsWith("\r\n"), "a saved paradigm file does not end with CR LF");
    for (int n = 1; n <= 9; ++n) {
        const QString c = QString::number(n);
        const TChannelSettings& s = p.Channel(n).Settings;
        auto same = [&](const char* key, const TVexoValue& v) {
            // Control characters a device sent are written as blanks.
            QString written = v.ToDeviceText();
            for (QChar& ch : written) {
                if (ch.unicode() < 0x20)
                    ch = QLatin1Char(' ');
            }
            FUZZ_CHECK(ParadigmFile::LookUp(lines, QLatin1String(key) + c) == written,
                       "a saved value reads back differently");
        };
        same("Duration", s.Duration);
        same("Delay", s.Delay);
        same("Interval", s.Interval);
        same("Train", s.PulseCount);
        same("Voltage", s.Voltage);
        same("DeltaV", s.DeltaV);
    }
    ParadigmFile::LoadBatch(lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CheckLoad(SplitLines(bytes));
    CheckSaveLoad(bytes);
    return 0;
}
