#include "LineReader.h"

#include <algorithm>

namespace {

constexpr qsizetype ChunkSize = 65536;

} // namespace

TLineReader::TLineReader(TSource source, qsizetype longestLine) : FSource(std::move(source)), FLongest(longestLine) {}

TLineReader::TSource TLineReader::FromBytes(QByteArray bytes)
{
    return [bytes = std::move(bytes), at = qsizetype(0)](char* buffer, qsizetype size) mutable {
        const qsizetype count = qMin(size, bytes.size() - at);
        std::copy_n(bytes.constData() + at, count, buffer);
        at += count;
        return count;
    };
}

bool TLineReader::Fill()
{
    FChunk.resize(ChunkSize);
    const qsizetype count = FSource(FChunk.data(), FChunk.size());
    FChunk.resize(qMax<qsizetype>(0, count));
    FAt = 0;
    return !FChunk.isEmpty();
}

bool TLineReader::Next(QByteArray& line)
{
    line.clear();
    FTooLong = false;
    bool begun = false;
    for (;;) {
        if (FAt == FChunk.size() && !Fill())
            return begun; // a last line without its line break
        if (FAfterCr) {
            FAfterCr = false;
            if (FChunk.at(FAt) == '\n') {
                ++FAt;
                continue;
            }
        }
        const char* const start = FChunk.constData() + FAt;
        const char* const end = FChunk.constData() + FChunk.size();
        const char* stop = start;
        while (stop < end && *stop != '\r' && *stop != '\n')
            ++stop;
        const qsizetype length = stop - start;
        const qsizetype room = FLongest - line.size();
        line.append(start, qMin(length, qMax<qsizetype>(0, room)));
        FTooLong = FTooLong || length > room;
        FAt += length;
        begun = begun || length > 0;
        if (stop < end) {
            FAfterCr = *stop == '\r';
            ++FAt;
            return true;
        }
    }
}
