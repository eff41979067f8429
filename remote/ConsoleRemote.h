#pragma once
// The remote calls' operations on the running console: the main window's
// operations, each a top-level operation of its own, and the scheduler's
// activation and stop. What the window shows afterwards is what the
// operator's own action shows.
#include <QObject>

#include <functional>

#include "RemoteConsole.h"

class TfrmMain;
class TfrmScheduler;

class TConsoleRemote final : public TRemoteConsole {
public:
    // Both windows must outlive it; the main window has been shown (its
    // link exists).
    TConsoleRemote(TfrmMain& frmMain, TfrmScheduler& frmScheduler);

    bool Busy() const override;
    void CallWhenIdle(std::function<void()> action) override;
    void ShowStatus(const QString& text) override;

    void Trigger(int channel) override;
    std::optional<QString> SetSetting(int channel, int setting, const TVexoValue& value) override;
    std::optional<QString> SetMode(int channel, int mode) override;
    QChar ModeLetterOf(int channel) override;
    QString SelectParadigm(int number) override;
    QString LoadParadigmFile(const QString& path) override;
    void SaveParadigmFile(const QString& path) override;
    void Refresh() override;
    QString StartScript(const QString& path) override;
    void StopScript() override;
    QString Exchange(const QString& text) override;
    TRemoteChannelList Channels() override;

    // A lone trigger command ("T3") went out through Exchange: its channel
    // and the moment its frame was written.
    std::function<void(int channel, qint64 unixMicroseconds)> OnExchangedTrigger;

private:
    void RequireConnected() const;

    TfrmMain& FMain;
    TfrmScheduler& FScheduler;
    QObject FContext; // ends the pending idle calls with the object
};
