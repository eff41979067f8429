// Saving channel 9's waveform table to a CSV file, loading a CSV file into
// it, and the waveform window that shows the table or previews a file.
//
// A transfer is one operation of the console, shown in a progress window
// that is modal to the main window and stops the transfer between two
// sectors on Escape (TTransferProgress). Boxes open only once the operation
// has ended.
#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cstdio>

#include "Channel9Files.h"
#include "Main.h"
#include "TransferProgress.h"
#include "base/KelvorErrors.h"
#include "link/CommUnit.h"
#include "model/Channel9Csv.h"
#include "model/Channel9Table.h"
#include "model/FileWriter.h"
#include "ui/FileDialogKinds.h"
#include "ui/KelvorApplication.h"
#include "ui/OutsideEnd.h"
#include "ui/UserDialogs.h"
#include "ui/WindowPlacement.h"

namespace {

// Asks for a CSV file in the last CSV folder and remembers the folder of the
// file chosen; empty when the operator cancelled.
QString AskCsvFile(TUserDialogs& dialogs, QWidget* parent, QString& lastFolder, TFileDialogKind kind)
{
    TFileDialogOptions options = FileDialogOptions(kind);
    options.startPath = lastFolder;
    const QString fileName = kind == TFileDialogKind::SaveCsv ? dialogs.AskSaveFileName(parent, options)
                                                              : dialogs.AskOpenFileName(parent, options);
    if (!fileName.isEmpty())
        lastFolder = QFileInfo(fileName).absolutePath(); // a root keeps its "/"
    return fileName;
}

// Runs a transfer. A lost line ends it silently (the loss box is its one
// message): the box then says how far the transfer came.
template <typename TRun>
auto Transfer(TTransferProgress& progress, QString& lossAccount, TRun run)
{
    try {
        return run(progress.Hooks());
    } catch (const ESilentAbort&) {
        lossAccount = progress.Account();
        throw;
    }
}

// A transfer stopped by an end from outside opens no box (the console is
// ending): how far it came goes to standard error, where whoever ended it
// can read it.
bool StoppedFromOutside(const TTransferProgress& progress, const Channel9::TTransferOutcome& outcome)
{
    if (!progress.EndedFromOutside() || outcome.Complete)
        return false;
    const QString account = progress.Account().isEmpty() ? outcome.Notice : progress.Account();
    const QString line = QStringLiteral("kelvor9: %1: %2\n").arg(TOutsideEnd::Instance().Reason(), account);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    return true;
}

QString TableName(Channel9::TTable table)
{
    return table == Channel9::TTable::Short ? QStringLiteral("short table") : QStringLiteral("long table");
}

} // namespace

TChannel9Session& TfrmMain::Channel9Session()
{
    if (!FChannel9)
        FChannel9 = std::make_unique<TChannel9Session>();
    return *FChannel9;
}

void TfrmMain::menuSaveCSVFileClick()
{
    if (!MayHoldUpTheRun())
        return;
    SaveChannel9Csv();
}

void TfrmMain::menuLoadCSVFileClick()
{
    if (!MayHoldUpTheRun())
        return;
    LoadChannel9Csv();
}

void TfrmMain::SaveChannel9Csv()
{
    if (!frmComm)
        return; // the link exists once the window has been shown
    const QString fileName =
        AskCsvFile(Dialogs(), this, Channel9Session().LastCsvFolder, TFileDialogKind::SaveCsv);
    if (fileName.isEmpty())
        return;
    // A target that can never be written is refused before the transfer.
    FileWriter::CheckTarget(fileName);

    const Channel9::TTable table = Channel9::TableFor(Paradigm().Number);
    QString notice;
    {
        TOperation operation(frmComm);
        TBusyCursor busy;
        TTransferProgress progress(this, *frmComm, TTransferProgress::TKind::Save);
        const Channel9::TSaveOutcome outcome
            = Transfer(progress, FLossAccount, [&](const auto& hooks) { return Channel9::SaveTable(*frmComm, table, hooks); });
        notice = StoppedFromOutside(progress, outcome) ? QString() : outcome.Notice;
        if (outcome.Complete) {
            const QString read = QStringLiteral("Channel 9 %1 read from the Kelvor 9: %2 points")
                                     .arg(TableName(table))
                                     .arg(outcome.Points.size());
            // Written whole or not at all: a failed write keeps an older file,
            // and the window shows the table read without a file to its name.
            try {
                FileWriter::WriteAtomically(fileName, Channel9Csv::Text(outcome.Points));
            } catch (const EFileError&) {
                RecordChannel9Table(Channel9::NumbersOf(outcome.Points), read);
                throw;
            }
            RecordChannel9Table(Channel9::NumbersOf(outcome.Points), read + QStringLiteral(", saved to ") + fileName);
        }
    }
    if (!notice.isEmpty())
        ShowChannel9Notice(notice);
}

void TfrmMain::LoadChannel9Csv()
{
    if (!frmComm)
        return;
    const QString fileName =
        AskCsvFile(Dialogs(), this, Channel9Session().LastCsvFolder, TFileDialogKind::LoadCsv);
    if (fileName.isEmpty())
        return;

    // The lines the table takes are read and checked before the first
    // command goes out; later lines are not read.
    const Channel9::TTable table = Channel9::TableFor(Paradigm().Number);
    const QVector<TVexoValue> points =
        Channel9::PointsOf(Channel9Csv::ReadFile(fileName, Channel9::PointLimit(table), QLocale()).Numbers);

    Channel9::TTransferOutcome outcome;
    {
        TOperation operation(frmComm);
        TBusyCursor busy;
        TTransferProgress progress(this, *frmComm, TTransferProgress::TKind::Load);
        outcome = Transfer(progress, FLossAccount,
                           [&](const auto& hooks) { return Channel9::LoadTable(*frmComm, table, points, hooks); });
        if (StoppedFromOutside(progress, outcome))
            outcome.Notice.clear();
    }
    if (outcome.Complete) {
        // The points as the device got them: clamped to its amplitude range.
        QVector<double> written;
        written.reserve(points.size());
        for (const TVexoValue& point : std::as_const(points))
            written << std::clamp(point.ToFloat(), AmplitudeLow, AmplitudeHigh);
        if (table == Channel9::TTable::Short)
            written.resize(Channel9::ShortTablePoints, 0.0);
        RecordChannel9Table(written, QStringLiteral("Channel 9 %1 written to the Kelvor 9: %2 points, from %3")
                                         .arg(TableName(table))
                                         .arg(written.size())
                                         .arg(fileName));
    }
    if (!outcome.Notice.isEmpty())
        ShowChannel9Notice(outcome.Notice);
}

// Shown once the console is no longer busy: a box opened while the
// operator's input is held could never be answered.
void TfrmMain::ShowChannel9Notice(const QString& text)
{
    if (frmComm && frmComm->Busy()) {
        connect(
            frmComm, &TfrmComm::BusyEnded, this, Command([this, text] { ShowChannel9Notice(text); }),
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        return;
    }
    Dialogs().ShowMessage(this, text);
}

void TfrmMain::RecordChannel9Table(const QVector<double>& points, const QString& description)
{
    Channel9Session().Table = points;
    Channel9Session().TableDescription = description;
    if (Channel9Session().Waveform)
        Channel9Session().Waveform->SetDeviceTable(points, description);
}

void TfrmMain::ShowChannel9Waveform()
{
    TChannel9Session& session = Channel9Session();
    if (!session.Waveform) {
        session.Waveform = std::make_unique<TfrmWaveform>(this);
        session.Waveform->SetDeviceTable(session.Table, session.TableDescription);
        connect(session.Waveform.get(), &TfrmWaveform::PreviewRequested, this, Command([this] { PreviewChannel9Csv(); }));
    }
    WindowPlacement::ShowBeside(session.Waveform.get(), this, false);
}

// A file is shown as a load would read it: the same strict reader, the
// same limit for the table the current paradigm uses. Nothing is sent.
void TfrmMain::PreviewChannel9Csv()
{
    const QString fileName = AskCsvFile(Dialogs(), Channel9Session().Waveform.get(), Channel9Session().LastCsvFolder,
                                        TFileDialogKind::PreviewCsv);
    if (fileName.isEmpty())
        return;
    const Channel9::TTable table = Channel9::TableFor(Paradigm().Number);
    const Channel9Csv::TNumbers read = Channel9Csv::ReadFile(fileName, Channel9::PointLimit(table), QLocale());
    QString description = QStringLiteral("Preview of %1: %2 points, not loaded").arg(fileName).arg(read.Numbers.size());
    if (read.MoreLines)
        description += QStringLiteral(" (a load into the %1 uses only the first %2 lines of the file)")
                           .arg(TableName(table))
                           .arg(read.Numbers.size());
    Channel9Session().Waveform->ShowPreview(read.Numbers, description);
}
