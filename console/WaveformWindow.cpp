#include "WaveformWindow.h"
#include "ui/KelvorApplication.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "WaveformView.h"

TfrmWaveform::TfrmWaveform(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmWaveform"));
    setWindowTitle(QStringLiteral("Channel 9 Waveform"));
    FDescription = new QLabel(this);
    FDescription->setObjectName(QStringLiteral("lblDescription"));
    FDescription->setTextFormat(Qt::PlainText); // file names shown as they are
    FView = new TWaveformView(this);
    auto* previewButton = new QPushButton(QStringLiteral("&Preview CSV file..."), this);
    previewButton->setObjectName(QStringLiteral("btnPreview"));
    FDeviceButton = new QPushButton(QStringLiteral("&Device Table"), this);
    FDeviceButton->setObjectName(QStringLiteral("btnDeviceTable"));
    FDeviceButton->setEnabled(false);
    auto* hint = new QLabel(QStringLiteral("Wheel: zoom   Drag: pan   Double click: all points"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(previewButton);
    buttons->addWidget(FDeviceButton);
    buttons->addStretch();
    buttons->addWidget(hint);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FDescription);
    layout->addWidget(FView, 1);
    layout->addLayout(buttons);

    connect(previewButton, &QPushButton::clicked, this, Command([this] { PreviewRequested(); }));
    connect(FDeviceButton, &QPushButton::clicked, this, Command([this] { ShowDeviceTable(); }));
    Show({}, QStringLiteral("No channel 9 table has been read from or written to the Kelvor 9 yet."));
    FDeviceDescription = Description();
    resize(760, 400);
}

void TfrmWaveform::SetDeviceTable(const QVector<double>& points, const QString& description)
{
    FDeviceTable = points;
    FDeviceDescription = description;
    if (!FPreviewing)
        Show(FDeviceTable, FDeviceDescription);
}

void TfrmWaveform::ShowPreview(const QVector<double>& points, const QString& description)
{
    FPreviewing = true;
    FDeviceButton->setEnabled(true);
    Show(points, description);
}

void TfrmWaveform::ShowDeviceTable()
{
    FPreviewing = false;
    FDeviceButton->setEnabled(false);
    Show(FDeviceTable, FDeviceDescription);
}

QString TfrmWaveform::Description() const
{
    return FDescription->text();
}

void TfrmWaveform::Show(const QVector<double>& points, const QString& description)
{
    FDescription->setText(description);
    FView->SetPoints(points);
}
