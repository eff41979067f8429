#pragma once
// The channel 9 waveform window (Tools menu, "Channel 9 Waveform"): shows
// the table last read from or written to the device, or a CSV file as a
// preview before it is loaded. The window only shows; the main window reads
// the files and the device.
#include <QString>
#include <QVector>
#include <QWidget>

class QLabel;
class QPushButton;
class TWaveformView;

class TfrmWaveform : public QWidget {
    Q_OBJECT
public:
    explicit TfrmWaveform(QWidget* parent = nullptr);

    // The device's table (numbers of its points) and what it is; shown at
    // once unless a preview is showing.
    void SetDeviceTable(const QVector<double>& points, const QString& description);
    // A CSV file's points, shown until the device table is asked for again.
    void ShowPreview(const QVector<double>& points, const QString& description);
    void ShowDeviceTable();

    QString Description() const;
    bool Previewing() const { return FPreviewing; }
    TWaveformView* View() const { return FView; }

signals:
    // The operator asked to preview a CSV file.
    void PreviewRequested();

private:
    void Show(const QVector<double>& points, const QString& description);

    TWaveformView* FView = nullptr;
    QLabel* FDescription = nullptr;
    QPushButton* FDeviceButton = nullptr;
    QVector<double> FDeviceTable;
    QString FDeviceDescription;
    bool FPreviewing = false;
};
