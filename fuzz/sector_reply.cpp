// Fuzzes the reading check of a channel 9 sector reply ("GS" and "GW"), as a
// device may answer: the first byte chooses the table and the sector asked
// for, the rest is the reply payload (Latin-1, as the link hands it over).
// EConvertError (an echoed sector number that is not a whole number) is an
// expected outcome.
//
// Promises: a reply that passes begins with "OK." and the sector asked for,
// and yields one point per whole nine characters after the number.
#include "FuzzCheck.h"
#include "base/KelvorErrors.h"
#include "model/Channel9Table.h"

#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const Channel9::TTable table = data[0] & 0x80 ? Channel9::TTable::Long : Channel9::TTable::Short;
    const int sector = 1 + (data[0] & 0x7F) % 40;
    const QString reply = QString::fromLatin1(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        const auto points = Channel9::SectorPointsOf(table, sector, reply);
        if (!points)
            return 0;
        FUZZ_CHECK(reply.startsWith(QLatin1String("OK.")), "a reply without OK. passed");
        const int digits = table == Channel9::TTable::Long ? 4 : 2;
        FUZZ_CHECK((reply.size() - 3 - digits) / 9 == points->size(), "not one point per nine characters");
        for (const TVexoValue& point : *points)
            point.ToDeviceText();
    } catch (const EConvertError&) {
    }
    return 0;
}
