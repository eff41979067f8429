#pragma once
// The console's main window: the nine channels with their mode lists, the
// parameter grid, the link matrix, the paradigm buttons and the menus.
// Its concerns live in files of their own (layout, grid editing, channel
// operations, refresh, paradigm commands and files); this header ties them.
#include <QMainWindow>
#include <QPointer>
#include <QVector>
#include <memory>

#include "model/VexoClasses.h"

class QAction;
class QComboBox;
class QPrinter;
class TDesktopOpener;
class TfrmMonitor;
class QGroupBox;
class QLabel;
class QMenu;
class QShortcut;
class QToolButton;
class QPushButton;
class TfrmComm;
class TMantisaEdit;
class TExponentEdit;
class TValEdit;
class TModeComboBox;
class TShapeComboBox;
class TPowerSwitch;
class TSpeedButtonEX;
class TUserDialogs;
struct TChannel9Session;

// Who asked for a trigger, as the Triggered signal names it.
namespace TriggerSource {
inline const QString Operator = QStringLiteral("operator");
inline const QString Script = QStringLiteral("script");
inline const QString Remote = QStringLiteral("remote");
} // namespace TriggerSource

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int ChannelCount = 9;
    static constexpr int LinkColumns = 12;

    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Replaces the message boxes and file dialogs (tests answer them).
    void SetDialogs(std::shared_ptr<TUserDialogs> dialogs);
    TUserDialogs& Dialogs() const { return *FDialogs; }

    // Called by FormShow before the link exists, so tests and the command
    // line can configure it (port folder, time limits, arguments).
    void SetConfigureLink(std::function<void(TfrmComm&)> configure) { FConfigureLink = std::move(configure); }
    // Asked before the window (and with it the program) closes; false keeps
    // it open. The console's end uses it to ask about a running script.
    void SetCloseQuery(std::function<bool()> query) { FCloseQuery = std::move(query); }
    // Tells whether a script's run is active (its instructions would wait
    // while a long operation holds the console).
    void SetRunActiveQuery(std::function<bool()> query) { FRunActiveQuery = std::move(query); }

    TfrmComm* Comm() const { return frmComm; }
    // The link is inside an operation (never while there is no link).
    bool LinkBusy() const;
    // Runs action from the event loop once the link is idle (soon when there is
    // no link); an action whose context has ended is dropped.
    void CallWhenLinkIdle(QObject* context, std::function<void()> action);
    Tparadigm& Paradigm() { return *FParadigm; }

    // --- Refresh, device state and device replies
    // True when a port is open and the device answered the reading of its
    // state (a silent device leaves the window as the model holds it).
    bool RefreshConnection();
    // How long the last search and opening of the port took.
    qint64 LastConnectNs() const { return FLastConnectNs; }
    // True when the device answered any of the reads (it is there);
    // DeviceStateRead() tells whether it answered every one with its data.
    bool ReadDeviceState();
    // The last refresh read the device's whole state: the model holds what
    // the device holds, not only what the console last knew.
    bool DeviceStateRead() const { return FDeviceStateRead; }
    bool IsConnected() const;

    // --- Parameter grid
    void ShowValue(TValEdit* field, const TVexoValue& value);
    void ShowParameter(int channel, int index);
    void ShowChannelValues(int channel);
    void ShowAllValues();
    void ReadValueFromEdits(TValEdit* field, TVexoValue& value);
    // Returns the device's reply payload, or nothing when nothing was sent.
    std::optional<QString> SetChannelParameter(int channel, int index, QString& errorText, const TVexoValue& value);
    // The same for a value given as its nine-character device text, as a
    // script's instruction gives it; the device's refusal is in the payload.
    std::optional<QString> SetChannelParameterFromText(int channel, int index, const QString& valueText);
    void FocusNextRow(int channel, int row);
    void FocusPreviousRow(int channel, int row);

    // --- Channel operations
    void SwitchPowerOn();
    void SwitchPowerOff();
    // source says who asked: TriggerSource::Operator, Script or Remote.
    void TriggerChannel(int channel, const QString& source = TriggerSource::Operator);
    // Returns the device's reply payload, or nothing when nothing was sent
    // (the channel is already in that mode, or its power flag holds it).
    std::optional<QString> SetChannelMode(int channel, int mode);
    void SetChannelShape(int channel, int listIndex);
    void ShowChannelMode(int channel);
    void ShowAllModes();
    void ReadLinks();
    void ShowLinks();

    // --- Monitor, printing and help (PrintHelpCommands.cpp)
    TfrmMonitor* Monitor() const { return FMonitor.get(); }
    // The printer "P&rinter Setup..." chose and "&Print" prints on.
    QPrinter& Printer();
    // Replaces the desktop that opens the help (tests keep browsers shut).
    void SetDesktop(std::shared_ptr<TDesktopOpener> desktop);

    // --- Paradigm commands and files
    // Returns the reply payload to the select command (empty when none came).
    QString SelectParadigm(int number);
    void SaveParadigmToFile(const QString& fileName);
    // Returns the reply payload to the clear that starts the load (empty when none came).
    QString LoadParadigmFromFile(const QString& fileName);

    // --- Channel 9 table, its CSV files and waveform (Channel9Files.cpp)
    void SaveChannel9Csv();
    void LoadChannel9Csv();
    void ShowChannel9Waveform();

    // Status bar texts.
    void SetStatusText(const QString& text);
    QString StatusText() const;
    QString PortText() const;

signals:
    // The top-level operations (refresh, a paradigm load) ended.
    void RefreshFinished();
    // The operator chose "&Scheduler!" (the program opens the scheduler's
    // script editor).
    void SchedulerChosen();
    // A channel's trigger went out: when its frame was written (microseconds
    // since the epoch), and who asked for it.
    void Triggered(int channel, qint64 unixMicroseconds, const QString& source);
    // The line to the device was lost. Emitted inside the serial hand-over:
    // a listener that does more than note it connects queued.
    void DeviceLost();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Controls. All of them lie on the Controls plane, under the cover
    // panel; tests find them by their object names.
    QWidget* Controls = nullptr;
    QPushButton* btnRefresh = nullptr;
    TPowerSwitch* SwitchPower = nullptr;
    QLabel* lblEnable = nullptr;
    TModeComboBox* ModeLists[ChannelCount + 1] = {};
    QWidget* PanelParameters = nullptr;
    QComboBox* cboStoreMode = nullptr;
    QPushButton* btnStore = nullptr;
    QLabel* RowLabels[8] = {};
    QWidget* PanelLinks = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QToolButton* ParadigmButtons[ChannelCount + 1] = {};
    QWidget* PanelCover = nullptr;
    QLabel* StatusPanels[2] = {};
    TSpeedButtonEX* LinkButtons[ChannelCount + 1][LinkColumns + 1] = {};
    QToolButton* ChannelButtons[ChannelCount + 1] = {};
    QToolButton* TriggerButtons[ChannelCount + 1] = {};
    QLabel* ChannelLabels[ChannelCount + 1] = {};
    TMantisaEdit* ParameterEdits[ChannelCount + 1][8] = {};
    TExponentEdit* ExponentEdits[ChannelCount + 1][4] = {};
    QLabel* SignLabels[ChannelCount + 1][8] = {};
    TShapeComboBox* ShapeLists[ChannelCount + 1] = {};

    // Menu entries.
    QMenu* File1 = nullptr;
    QAction* PrintSetup1 = nullptr;
    QAction* PrintSetup2 = nullptr;
    QAction* Print1 = nullptr;
    QAction* ScaleItems[3] = {};
    QAction* Exit1 = nullptr;
    QMenu* Paradigm1 = nullptr;
    QAction* SaveParadigm1 = nullptr;
    QAction* LoadParadigm1 = nullptr;
    QAction* Clear1 = nullptr;
    QMenu* MenuCopyToParadigm = nullptr;
    QAction* MenuCopyToParadigmItems[ChannelCount + 1] = {};
    QAction* menuSaveCSVFile = nullptr;
    QAction* menuLoadCSVFile = nullptr;
    QMenu* Tools1 = nullptr;
    QAction* Refresh1 = nullptr;
    QAction* ShowMonitor1 = nullptr;
    QAction* Channel9Waveform1 = nullptr;
    QAction* Scheduler1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* About1 = nullptr;

    // Layout (MainLayout.cpp)
    void FormCreate();
    void BuildMenus();
    void BuildTopRow();
    void BuildParameterPanel();
    void BuildParameterGrid();
    void BuildLinkPanel();
    void BuildParadigmBox();
    void BuildStatusBar();
    void BuildCover();
    void SetTabOrder();
    void BindShortcut(QAction* action, const QKeySequence& keys);

    // Events
    void FormShow();
    void FormDestroy();
    void ConnectionLost();
    void ShowLossBox();
    void CloseLossBox();
    // Asks before a long operation of the operator's holds up a running
    // script; true to go on.
    bool MayHoldUpTheRun();
    // The operator's input held while the console was busy (HeldInput.cpp).
    void BindInputHold();
    void ShowConnectionState();

    // Grid editing (GridEditing.cpp)
    void BindMantissaHandlers(TMantisaEdit* field);
    void BindExponentHandlers(TExponentEdit* field);
    bool MantissaKey(TMantisaEdit* field, QKeyEvent* event);
    bool ExponentKey(TExponentEdit* field, QKeyEvent* event);
    void MantissaEnter(TMantisaEdit* field);
    void ExponentEnter(TExponentEdit* field);
    void FocusField(int channel, int row);
    void FocusPastParameterPanel();
    bool ShapeListKey(int channel, QKeyEvent* event);

    // Channel operations (ChannelOperations.cpp)
    void btnChannelClick(int channel);
    void btnLinksClick(int row, int column);
    void cboStoreModeClick(int index);
    void btnStoreClick();
    void TakeStoreModeReply(const QString& reply);
    void ShowStoreMode();
    void SetChannelButton(int channel, bool on, const QString& hint);

    // Monitor, printing, help and about (PrintHelpCommands.cpp)
    void BindPrintHelpCommands();
    void CreateMonitor();
    void ShowMonitor1Click();
    void PrintSetup1Click();
    void PrinterScaleClick();
    void Print1Click();
    void Contents1Click();
    void About1Click();

    // Paradigm commands and files (ParadigmCommands.cpp, ParadigmFiles.cpp)
    void btnParadigmClick(QToolButton* clicked);
    void Clear1Click();
    void MenuCopyToParadigmClick(int number);
    void SaveParadigm1Click();
    void LoadParadigm1Click();
    void ShowParadigmNumber();

    // Channel 9 table and CSV files (Channel9Files.cpp)
    void menuSaveCSVFileClick();
    void menuLoadCSVFileClick();
    void PreviewChannel9Csv();
    TChannel9Session& Channel9Session();
    void ShowChannel9Notice(const QString& text);
    void RecordChannel9Table(const QVector<double>& points, const QString& description);

    TfrmComm* frmComm = nullptr;
    std::function<void(TfrmComm&)> FConfigureLink;
    std::function<bool()> FCloseQuery;
    std::function<bool()> FRunActiveQuery;
    // The value the grid's fields and a script's setting go out as.
    TVexoValue EditValue;
    QString HelpFile; // the help file beside the program
    qint64 FLastConnectNs = 0;
    bool FDeviceStateRead = false;
    // How far a transfer came when the line was lost: said in the loss box.
    QString FLossAccount;
    // The loss box's text while it is on the screen.
    QString FLossBoxText;
    // A refresh is redrawing the window: the field being typed in keeps its text.
    bool FRedrawingFromDevice = false;
    std::unique_ptr<Tparadigm> FParadigm;
    std::shared_ptr<TUserDialogs> FDialogs;
    std::unique_ptr<TChannel9Session> FChannel9;
    QVector<QShortcut*> FShortcuts;
    bool FShown = false;
    std::unique_ptr<TfrmMonitor> FMonitor;
    std::unique_ptr<QPrinter> FPrinter;
    std::shared_ptr<TDesktopOpener> FDesktop;
    int FPrintScale = 2; // the scale item last found checked (screen size)
};
