// The refresh: connect when no port is open, show the connection state,
// read the device's current paradigm, links and store mode into the model,
// and redraw the window from the model.
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "Main.h"
#include "link/CommUnit.h"
#include "ui/KelvorApplication.h"

bool TfrmMain::RefreshConnection()
{
    if (!frmComm)
        return false;
    TBusyCursor busy;
    // Whoever waits for the refresh learns that it ended, also when an
    // error ended it.
    auto finished = qScopeGuard([this] { emit RefreshFinished(); });
    TOperation operation(frmComm);
    FDeviceStateRead = false;
    if (frmComm->Port() <= 0) {
        QElapsedTimer connecting;
        connecting.start();
        frmComm->Connect();
        FLastConnectNs = connecting.nsecsElapsed();
    }
    ShowConnectionState();
    if (!IsConnected())
        return false;
    auto redraw = [this] {
        const QScopedValueRollback keepTyping(FRedrawingFromDevice, true);
        ShowLinks();
        ShowAllValues();
        ShowAllModes();
        ShowStoreMode();
        ShowParadigmNumber();
    };
    // A request that ends the read with an error (a broken reply, a lost
    // line) comes after others that may have changed the model: the window
    // shows what was read all the same, never less than the model holds.
    bool answered = false;
    try {
        answered = ReadDeviceState();
    } catch (...) {
        redraw();
        throw;
    }
    redraw();
    if (answered)
        CloseLossBox();
    return answered;
}

// Cover panel, menu entries and the port panel follow the connection. The
// entries' shortcuts stay registered on the window, so they act while the
// entries are hidden.
void TfrmMain::ShowConnectionState()
{
    const bool connected = IsConnected();
    PanelCover->setVisible(!connected);
    if (!connected)
        PanelCover->raise();
    // Behind the cover nothing may take keys: a control there would only
    // talk to a port that is not open.
    Controls->setEnabled(connected);
    Paradigm1->menuAction()->setVisible(connected);
    ShowMonitor1->setVisible(connected);
    PrintSetup1->setVisible(connected);
    PrintSetup2->setVisible(connected);
    Print1->setVisible(connected);
    Scheduler1->setVisible(connected);
    const int port = frmComm ? frmComm->Port() : 0;
    if (port <= 0)
        StatusPanels[1]->setText(QStringLiteral("Connection: Unavilable"));
    else if (port > 2)
        StatusPanels[1]->setText(QStringLiteral("Connection:USB"));
    else
        StatusPanels[1]->setText(QStringLiteral("Connection: COM") + QString::number(port));
}

bool TfrmMain::ReadDeviceState()
{
    const QString state = frmComm->Dialogue(QStringLiteral("GP,4"));
    if (!state.isEmpty())
        Paradigm().ParseState(state);
    const QString links = frmComm->Dialogue(QStringLiteral("GC"));
    if (!links.isEmpty())
        Paradigm().ParseLinks(links);
    const QString storeMode = frmComm->Dialogue(QStringLiteral("GT"));
    TakeStoreModeReply(storeMode);
    FDeviceStateRead = IsSuccessReply(state) && IsSuccessReply(links) && IsSuccessReply(storeMode);
    return !state.isEmpty() || !links.isEmpty() || !storeMode.isEmpty();
}

// Paradigm button p down (raising the others) and copy item p the only
// disabled one, so that a paradigm is never copied onto itself.
void TfrmMain::ShowParadigmNumber()
{
    const int p = Paradigm().Number;
    if (p < 1 || p > ChannelCount)
        return;
    for (int n = 1; n <= ChannelCount; ++n)
        ParadigmButtons[n]->setChecked(n == p);
    QCoreApplication::processEvents();
    for (int n = 1; n <= ChannelCount; ++n)
        MenuCopyToParadigmItems[n]->setEnabled(n != p);
}
