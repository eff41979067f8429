#pragma once
// Reads a text line by line from a source of bytes, holding one chunk of
// the source and one line at a time, so that what it costs depends on the
// lines taken, not on the size of the file behind them. A line ends at
// CR LF, LF or CR; a line break at the very end does not start another
// line. A line longer than the reader's longest is not kept whole: its first
// bytes are given and it is marked too long, and the rest is passed over.
#include <QByteArray>

#include <functional>

class TLineReader {
public:
    // Fills buffer with up to size bytes and returns how many; 0 at the
    // end. Raises when the bytes cannot be read.
    using TSource = std::function<qsizetype(char* buffer, qsizetype size)>;

    TLineReader(TSource source, qsizetype longestLine);
    // The bytes of a text held in memory.
    static TSource FromBytes(QByteArray bytes);

    // The next line without its line end; false after the last line.
    bool Next(QByteArray& line);
    // The line last given was longer than the longest kept.
    bool TooLong() const { return FTooLong; }

private:
    bool Fill();

    TSource FSource;
    qsizetype FLongest;
    QByteArray FChunk;
    qsizetype FAt = 0;
    bool FAfterCr = false; // a LF next still belongs to the line break before
    bool FTooLong = false;
};
