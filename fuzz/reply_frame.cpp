// Fuzzes the reply-frame reader with bytes as a device may send them: the
// input is cut into arrivals (the first byte of each chunk says how many
// bytes arrive together), and the reader is fed exactly what it asks for
// from the bytes waiting, as the dialogue feeds it from the port's queue.
//
// Promises: it never takes more than waits, never more than its frame, a
// complete frame's payload is at most its length field, and a bad length
// field is the only error (EConvertError).
#include "FuzzCheck.h"
#include "base/KelvorErrors.h"
#include "link/ReplyFrame.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TReplyFrameReader reader;
    QByteArray waiting;
    size_t at = 0;
    try {
        while (!reader.Complete()) {
            if (at < size) {
                // One arrival: 1 to 16 bytes.
                const size_t count = std::min<size_t>(1 + data[at] % 16, size - at - 1);
                waiting.append(reinterpret_cast<const char*>(data + at + 1), qsizetype(count));
                at += 1 + count;
            }
            const int want = reader.Wanted(int(waiting.size()));
            FUZZ_CHECK(want >= 0 && want <= waiting.size(), "wants more than waits");
            if (want == 0) {
                if (at >= size)
                    break; // nothing more will come: the dialogue would time out
                continue;
            }
            reader.Feed(waiting.left(want));
            waiting.remove(0, want);
        }
    } catch (const EConvertError&) {
        return 0;
    }
    if (reader.Complete())
        FUZZ_CHECK(reader.Payload().size() <= 9999, "payload longer than a length field can say");
    return 0;
}
