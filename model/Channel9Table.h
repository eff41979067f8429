#pragma once
// Channel 9's waveform table in the device and the sector commands that move
// it. No windows here: the transfer talks to a TDeviceLink and reports its
// progress through hooks, so the main window shows the progress window and
// the tests and fuzzers can call the pieces directly.
//
// Two tables, chosen by the current paradigm: paradigms 1 to 8 (and 0, not
// yet read) use the short table of exactly 1000 points ("GS"/"Q", sector
// numbers of two digits); paradigm 9 uses the long table whose point count
// the device keeps ("GK"/"K" with six digits, "GW"/"W" with four-digit
// sectors). Sector s holds points (s - 1) * 32 + 1 to s * 32; the last sector
// of a table may be shorter. Points come back as nine-character value texts
// and go out as amplitude texts (clamped to -10 .. +9.99).
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

#include "VexoClasses.h"
#include "base/DeviceLink.h"

namespace Channel9 {

constexpr int SectorPoints = 32;
constexpr int ShortTablePoints = 1000;
constexpr int LongTableLimit = 100000; // the most points the console holds

enum class TTable { Short, Long };

// The long table while paradigm 9 is current, else the short one.
TTable TableFor(int paradigmNumber);
// 1000 for the short table, 100000 for the long one.
int PointLimit(TTable table);
// ceil(points / 32).
int SectorCount(int points);
// How many of `points` fall into sector s (32, or fewer for the last one).
int PointsInSector(int points, int sector);

QString ReadSectorCommand(TTable table, int sector);                    // "GS07", "GW0123"
QString WriteSectorCommand(TTable table, int sector, const QString& amplitudeTexts); // "Q07...", "W0123..."
QString CountCommand(int points);                                        // "K000070"
inline QString GetCountCommand() { return QStringLiteral("GK"); }

// The points of a "GS" or "GW" reply to the request for `sector`, or nothing
// when the reading check fails: the reply must begin exactly with "OK." and
// echo the same sector number. Each whole nine characters after the number
// is one point; a shorter rest is ignored. An echoed number that is not a
// whole number raises EConvertError.
std::optional<QVector<TVexoValue>> SectorPointsOf(TTable table, int sector, const QString& reply);

// A number read from a file as a point: rounded to the engineering form.
// Its amplitude text, which goes to the device, is clamped to -10 .. +9.99
// and written with three decimals (12.5 gives +9.990E+0); numbers beyond
// what one exponent digit holds are therefore only clamped as well.
TVexoValue PointOf(double number);
QVector<TVexoValue> PointsOf(const QVector<double>& numbers);

// What a transfer reports while it runs; every hook may be empty.
struct TTransferHooks {
    std::function<void(int sectors)> Started;   // the progress range is 1 .. sectors
    std::function<void(int sector)> Position;   // the bar moves to this sector
    std::function<void(int sector)> Done;       // the device has answered this sector
    std::function<bool()> CancelRequested;       // asked between two sectors
};

// How a transfer ended. A stop that the operator should read about carries
// its text for a plain message box; errors for an error box are raised.
struct TTransferOutcome {
    bool Complete = false;
    QString Notice;
};

struct TSaveOutcome : TTransferOutcome {
    QVector<TVexoValue> Points; // the table, when Complete
};

// Reads the whole table from the device. Raises EKelvorError
// "Kelvor 9 device is not responding." when "GK" gets no answer, and the
// link's errors. Any sector but the last that does not deliver exactly 32
// points stops with "Error result in sector s." (its points would shift
// every later point); missing points of a short last sector are filled
// with zero and the notice says how many came.
TSaveOutcome SaveTable(TDeviceLink& link, TTable table, const TTransferHooks& hooks);

// Writes the points into the device's table as amplitude texts (the short
// table is filled up to 1000 points with zero). Raises EKelvorError for a
// device that does not answer a sector or refuses it, with the device's text.
TTransferOutcome LoadTable(TDeviceLink& link, TTable table, const QVector<TVexoValue>& points,
                           const TTransferHooks& hooks);

// The table as numbers, for the waveform view; a point that is not a
// number (never set, or garbled by the device) becomes NaN.
QVector<double> NumbersOf(const QVector<TVexoValue>& points);

} // namespace Channel9
