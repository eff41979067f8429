#pragma once
// What the main window keeps about channel 9 between operations: the last
// CSV folder (both CSV dialogs open in it; not kept between runs), the
// table last read from or written to the device, and the waveform window.
#include <QString>
#include <QVector>

#include <memory>

#include "WaveformWindow.h"

struct TChannel9Session {
    QString LastCsvFolder;
    QVector<double> Table;
    QString TableDescription = QStringLiteral("No channel 9 table has been read from or written to the Kelvor 9 yet.");
    std::unique_ptr<TfrmWaveform> Waveform; // created when first shown
};
