// Whole-paradigm operations on the device: select, clear and copy.
#include <QAction>
#include <QToolButton>

#include "Main.h"
#include "link/CommUnit.h"
#include "ui/UserDialogs.h"

QString TfrmMain::SelectParadigm(int number)
{
    TOperation operation(frmComm);
    const QString payload = frmComm->Dialogue(QStringLiteral("Y") + QString::number(number));
    RefreshConnection();
    return payload;
}

// The paradigm buttons form one group in which at most one is down and the
// down one may be raised again. Raising the current paradigm's button
// selects that paradigm again, and the refresh puts the button down again.
void TfrmMain::btnParadigmClick(QToolButton* clicked)
{
    if (clicked->isChecked()) {
        for (int n = 1; n <= ChannelCount; ++n) {
            if (ParadigmButtons[n] != clicked)
                ParadigmButtons[n]->setChecked(false);
        }
    }
    int down = 0;
    for (int n = 1; n <= ChannelCount && down == 0; ++n) {
        if (ParadigmButtons[n]->isChecked())
            down = n;
    }
    if (down != Paradigm().Number)
        SelectParadigm(clicked->text().toInt());
}

void TfrmMain::Clear1Click()
{
    if (!Dialogs().Confirm(this, QStringLiteral("Do you realy want to clear the current Paradigm?")))
        return;
    TOperation operation(frmComm);
    frmComm->Dialogue(QStringLiteral("E"));
    RefreshConnection();
}

void TfrmMain::MenuCopyToParadigmClick(int number)
{
    if (!Dialogs().Confirm(this, QStringLiteral("This operation will clear the contents of Paradigm %1.").arg(number)))
        return;
    TOperation operation(frmComm);
    frmComm->Dialogue(QStringLiteral("C") + QString::number(Paradigm().Number) + QString::number(number));
}
