#pragma once
// The progress window of one channel 9 transfer and the ways to stop it
// between two sectors: Escape or closing the window (the operator), or an
// end asked for from outside (a signal, the desktop session ending). The
// window is created for the transfer, owned here and closed however the
// transfer ends.
//
// While the window shows, the operator's input goes to it alone: the main
// window is blocked (the window is modal to it), Escape stops wherever it
// is pressed, and input to other windows is held like any input while the
// console is busy.
#include <QPointer>
#include <QString>

#include <memory>

#include "link/InputDeferral.h"
#include "model/Channel9Table.h"

class QEvent;
class QObject;
class QWidget;
class TfrmComm;
class TfrmProgressBar;

class TTransferProgress {
public:
    enum class TKind { Load, Save };

    TTransferProgress(QWidget* owner, TfrmComm& link, TKind kind);
    ~TTransferProgress();
    TTransferProgress(const TTransferProgress&) = delete;
    TTransferProgress& operator=(const TTransferProgress&) = delete;

    Channel9::TTransferHooks Hooks();

    // An end from outside asked the transfer to stop.
    bool EndedFromOutside() const { return FOutside; }
    // How far a transfer that stopped half way came ("Loading stopped after
    // 3 of 32 sectors: ..."); empty before its sector count was known.
    QString Account() const;

private:
    TInputDeferral::TRoute Route(QObject* receiver, QEvent* event);

    QPointer<QWidget> FOwner;
    TfrmComm& FLink;
    std::unique_ptr<TfrmProgressBar> FWindow;
    TKind FKind;
    bool FStop = false;
    bool FOutside = false;
    int FSectors = 0;
    int FDone = 0;
};
