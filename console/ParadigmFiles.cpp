// Saving the current paradigm to a file and loading a file into the
// device's current paradigm.
#include <QComboBox>

#include "Main.h"
#include "Widgets.h"
#include "base/KelvorErrors.h"
#include "link/CommUnit.h"
#include "link/ReplyFrame.h"
#include "model/FileWriter.h"
#include "model/ParadigmFile.h"
#include "ui/FileDialogKinds.h"
#include "ui/KelvorApplication.h"
#include "ui/UserDialogs.h"

void TfrmMain::SaveParadigm1Click()
{
    const QString fileName = Dialogs().AskSaveFileName(this, FileDialogOptions(TFileDialogKind::SaveParadigm));
    if (!fileName.isEmpty())
        SaveParadigmToFile(fileName);
}

void TfrmMain::LoadParadigm1Click()
{
    if (!MayHoldUpTheRun())
        return;
    const QString fileName = Dialogs().AskOpenFileName(this, FileDialogOptions(TFileDialogKind::LoadParadigm));
    if (fileName.isEmpty())
        return;
    if (!Dialogs().Confirm(this, QStringLiteral("Loading a Paradigm from file ,deletes the old settings from the current "
                                                "paradigm.\r\nContinue Loading ?")))
        return;
    LoadParadigmFromFile(fileName);
}

void TfrmMain::SaveParadigmToFile(const QString& fileName)
{
    FileWriter::WriteAtomically(fileName, ParadigmFile::Text(Paradigm()));
}

// The whole file is read before anything is sent: a file that cannot be
// read leaves the device's current paradigm as it was.
QString TfrmMain::LoadParadigmFromFile(const QString& fileName)
{
    TOperation operation(frmComm);
    TBusyCursor busy;
    const QStringList lines = ParadigmFile::ReadLines(ParadigmFile::UnquoteFileName(fileName));
    const QString batch = ParadigmFile::LoadBatch(lines);
    // The frame's length field has four digits. Refuse before the current
    // paradigm is cleared, so that an absurd file changes nothing.
    if (batch.size() > ReplyFrame::LongestFramedText)
        throw EKelvorError(QStringLiteral("The paradigm file \"%1\" holds values too long to send to the Kelvor 9.")
                               .arg(fileName));
    const QString cleared = frmComm->Dialogue(QStringLiteral("E"));
    for (int n = 1; n <= ChannelCount; ++n) {
        TChannel& channel = Paradigm().Channel(n);
        channel.Enabled = 1;
        channel.PowerOn = 1;
        Paradigm().Sockets[n].PowerOn = 1;
    }
    Paradigm().PowerOn = 1;
    if (!SwitchPower->isChecked())
        SwitchPowerOn();
    frmComm->SendCommand(batch);
    frmComm->Wait(0.5);
    RefreshConnection();
    return cleared;
}
