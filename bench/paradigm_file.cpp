// paradigm_file [ignored]
//
// The cost of turning a large paradigm file into the load batch, against the
// cost of merely splitting its text into lines (the least any reader does).
// The file holds 2 million lines of other keys before a saved paradigm, so
// every key the load looks up lies at its end. Reported beside it: the
// former lookup that scanned every line once per key, on the same lines.
#include "model/ParadigmFile.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int OtherLines = 2000000;

QByteArray LargeFile()
{
    QByteArray bytes;
    bytes.reserve(OtherLines * 20 + 4000);
    for (int i = 0; i < OtherLines; ++i)
        bytes += "Note" + QByteArray::number(i) + "=x\r\n";
    bytes += "Paradigm=1\r\n[Connections]\r\n";
    for (int r = 1; r <= 9; ++r)
        bytes += "Connections" + QByteArray::number(r) + "=  +         \r\n";
    for (int c = 1; c <= 9; ++c) {
        const QByteArray n = QByteArray::number(c);
        bytes += "[Channel" + n + "]\r\nMode" + n + "=F\r\nDuration" + n + "=+1.000E-3\r\nDelay" + n
            + "=+0.000E+0\r\nInterval" + n + "=+10.00E-3\r\nTrain" + n + "=+1.000E+0\r\nVoltage" + n
            + "=+5.000E+0\r\nShape" + n + "=B\r\nDeltaV" + n + "=+0.000E+0\r\n";
    }
    bytes += "StoreMode=R\r\n";
    return bytes;
}

// The lookup as it was: every key scans the lines from the top.
QString ScanForKey(const QStringList& lines, const QString& key)
{
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0 && QStringView(line).left(equals).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1);
    }
    return {};
}

double Ms(QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

} // namespace

int main()
{
    const QByteArray bytes = LargeFile();
    QElapsedTimer timer;

    timer.start();
    const QStringList lines = ParadigmFile::SplitLines(bytes);
    const double splitMs = Ms(timer);

    timer.restart();
    const QString batch = ParadigmFile::LoadBatch(lines);
    const double batchMs = Ms(timer);

    // The former lookup made 82 scans (eight keys of nine channels, nine link
    // rows, the store mode); a tenth of them is timed and scaled.
    const QStringList keys = {QStringLiteral("Mode1"), QStringLiteral("Duration1"), QStringLiteral("Delay1"),
                              QStringLiteral("Interval1"), QStringLiteral("Train1"), QStringLiteral("Voltage1"),
                              QStringLiteral("Shape1"), QStringLiteral("DeltaV1")};
    timer.restart();
    for (const QString& key : keys)
        ScanForKey(lines, key);
    const double scanMs = Ms(timer) * 82.0 / double(keys.size());

    std::printf("paradigm file of %d lines (%lld bytes); batch of %lld characters\n", int(lines.size()),
                static_cast<long long>(bytes.size()), static_cast<long long>(batch.size()));
    std::printf("  splitting into lines (baseline): %9.1f ms\n", splitMs);
    std::printf("  load batch, keys read once:      %9.1f ms  (%.2f x the baseline)\n", batchMs, batchMs / splitMs);
    std::printf("  load batch, a scan per key:      %9.1f ms  (%.2f x the baseline, estimated from %d scans)\n", scanMs,
                scanMs / splitMs, int(keys.size()));
    return batch.startsWith(QLatin1String("BMF1D1+1.000E-3")) ? 0 : 1;
}
