// Operations on channels and on the device as a whole: the power switch,
// channel on/off, modes, shapes, triggers, the link matrix and the store
// mode. Each sends its command and then redraws from the model.
#include <QComboBox>
#include <QToolButton>

#include "Main.h"
#include "Widgets.h"
#include "link/CommUnit.h"
#include "ui/KelvorApplication.h"
#include "ui/Pictures.h"

void TfrmMain::SetChannelButton(int channel, bool on, const QString& hint)
{
    ChannelButtons[channel]->setIcon(Pictures::Channel(on));
    ChannelButtons[channel]->setToolTip(hint);
}

void TfrmMain::SwitchPowerOn()
{
    TOperation operation(frmComm);
    TBusyCursor busy;
    SwitchPower->setChecked(true);
    Paradigm().SetPowerOn(true);
    QString batch = QStringLiteral("B");
    for (int n = 1; n <= ChannelCount; ++n)
        batch += QStringLiteral("M") + ModeLetter(Paradigm().Channel(n).Mode) + QString::number(n);
    frmComm->SendCommand(batch);
    for (int n = 1; n <= ChannelCount; ++n) {
        const bool enabled = Paradigm().Channel(n).Enabled;
        SetChannelButton(n, enabled, enabled ? QStringLiteral("Enabled") : QStringLiteral("Disabled"));
    }
}

void TfrmMain::SwitchPowerOff()
{
    TOperation operation(frmComm);
    SwitchPower->setChecked(false);
    Paradigm().SetPowerOn(false);
    for (int n = 1; n <= ChannelCount; ++n)
        SetChannelButton(n, false, QStringLiteral("Disabled"));
}

void TfrmMain::btnChannelClick(int channel)
{
    if (!SwitchPower->isChecked())
        return;
    TOperation operation(frmComm);
    TChannel& model = Paradigm().Channel(channel);
    model.SetEnabled(!model.Enabled);
    SetChannelButton(channel, model.Enabled, model.Enabled ? QStringLiteral("Enabled") : QStringLiteral("Disabled"));
    ReadLinks();
    ShowLinks();
}

void TfrmMain::TriggerChannel(int channel, const QString& source)
{
    TOperation operation(frmComm);
    frmComm->SendCommand(QStringLiteral("T") + QString::number(channel));
    emit Triggered(channel, frmComm->LastFrameWrittenUs(), source);
}

std::optional<QString> TfrmMain::SetChannelMode(int channel, int mode)
{
    if (channel < 1 || channel > ChannelCount)
        return std::nullopt;
    TChannel& model = Paradigm().Channel(channel);
    if (mode == model.Mode)
        return std::nullopt;
    TOperation operation(frmComm);
    if (Paradigm().PowerOn && mode != 6)
        model.Enabled = 1;
    std::optional<QString> payload;
    // The list shows the channel's mode again however the exchange ends.
    try {
        payload = model.SetMode(mode);
    } catch (...) {
        ShowChannelMode(channel);
        throw;
    }
    ShowChannelMode(channel);
    ReadLinks();
    ShowLinks();
    return payload;
}

void TfrmMain::ShowChannelMode(int channel)
{
    const TChannel& model = Paradigm().Channel(channel);
    ModeLists[channel]->setCurrentIndex(model.Mode <= 6 ? model.Mode : -1);
    if (!Paradigm().PowerOn)
        return;
    const bool off = model.Mode == 6;
    if (!model.Enabled || off)
        SetChannelButton(channel, false, QStringLiteral("Disabled"));
    else
        SetChannelButton(channel, true, QStringLiteral("Enabled"));
    ChannelButtons[channel]->setEnabled(!off);
    if (off)
        ChannelButtons[channel]->setToolTip(QStringLiteral("Off"));
}

void TfrmMain::ShowAllModes()
{
    for (int channel = 1; channel <= ChannelCount; ++channel)
        ShowChannelMode(channel);
}

void TfrmMain::SetChannelShape(int channel, int listIndex)
{
    if (listIndex < 0)
        return;
    const int shape = listIndex == 1 ? 1 : listIndex == 2 ? 2 : 0;
    TChannel& model = Paradigm().Channel(channel);
    if (shape != model.Settings.Shape) {
        TOperation operation(frmComm);
        model.SetShape(shape);
    }
}

void TfrmMain::btnLinksClick(int row, int column)
{
    TOperation operation(frmComm);
    if (Paradigm().Links[row][column] != 0)
        Paradigm().RemoveLink(row, column);
    else
        Paradigm().AddLink(row, column);
    ReadLinks();
    ShowLinks();
}

void TfrmMain::ReadLinks()
{
    if (!Paradigm().PowerOn)
        return;
    TOperation operation(frmComm);
    const QString reply = frmComm->Dialogue(QStringLiteral("GC"));
    if (!reply.isEmpty())
        Paradigm().ParseLinks(reply);
}

// Each button remembers the state it shows, so a redraw touches only the
// buttons whose cell changed.
void TfrmMain::ShowLinks()
{
    if (!Paradigm().PowerOn)
        return;
    for (int r = 1; r <= ChannelCount; ++r) {
        for (int k = 1; k <= LinkColumns; ++k) {
            const int state = Paradigm().Links[r][k];
            TSpeedButtonEX* button = LinkButtons[r][k];
            if (button->Tag != state + 1) {
                button->Tag = state + 1;
                button->setIcon(Pictures::Bulb(state));
            }
        }
    }
}

// The store-mode list's items "Run", "Mem" and "Save" stand for these letters.
static const QString StoreModeLetters = QStringLiteral("RMS");

void TfrmMain::cboStoreModeClick(int index)
{
    if (index < 0 || index >= StoreModeLetters.size())
        return;
    TOperation operation(frmComm);
    TakeStoreModeReply(frmComm->Dialogue(QStringLiteral("U") + StoreModeLetters.at(index)));
}

// A store-mode reply carries the device's store mode in its fourth character.
void TfrmMain::TakeStoreModeReply(const QString& reply)
{
    if (reply.length() > 3 && reply.startsWith(QLatin1Char('O')))
        Paradigm().StoreMode = reply.at(3).toLatin1();
}

void TfrmMain::ShowStoreMode()
{
    const int index = StoreModeLetters.indexOf(QLatin1Char(Paradigm().StoreMode));
    if (index >= 0)
        cboStoreMode->setCurrentIndex(index);
}

void TfrmMain::btnStoreClick()
{
    TOperation operation(frmComm);
    frmComm->Dialogue(QStringLiteral("R"));
}
