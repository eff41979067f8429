#pragma once
// The script editor: the operator picks an instruction type, fills in its
// parameters and start offset, and adds the line to the time-ordered list;
// deletes lines; keeps the script in a file; and finally "Save and
// &Activate!" checks the whole script, saves it and ends the window with
// "OK" (Accepted), which starts a run. Every other way of closing ends with
// "Cancel". Opened modally from the main window's "&Scheduler!", view-only
// while a run is active (and then showing the running lines).
//
// What is activated is exactly what the list shows and the check passed:
// the run gets these lines, never the file read again. A file that another
// program changed since it was loaded is written over only on the
// operator's word.
//
// Unsaved changes: every way of closing asks QuerySave first; after the
// window has closed Modified is cleared, and the next showing loads the file
// again. Errors raised by the handlers (the messages below, the reader's,
// file errors) reach the application's error box; the list stays as it was.
//
// Tests find the controls by their object names (the names below).
#include <QDialog>

#include <memory>
#include <optional>

#include "script/ScriptLines.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QSpinBox;
class QKeyEvent;
class TBlinkingLabel;
class TExponentEdit;
class TFileNameEdit;
class TMantisaEdit;
class TUserDialogs;

class TfrmScriptEditor : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScriptEditor(QWidget* parent = nullptr);
    ~TfrmScriptEditor() override;

    // Replaces the questions and file dialogs (tests answer them).
    void SetDialogs(std::shared_ptr<TUserDialogs> dialogs);

    QString FileName() const { return FFileName; }
    bool Modified() const { return FModified; }
    bool ReadOnly() const { return FReadOnly; }
    // The "Activation Time" field: "HH:MM" from the current time.
    QString ActivationTime() const;
    const TScriptLines& Lines() const { return FLines; }

    // FileName, the caption "Script Editor [name]" and the file row.
    void SetFileName(const QString& name);
    // Modified, and with it whether Save can act.
    void SetModified(bool flag);
    // The file's lines, sorted, without blank ones (each removal marks the
    // script modified). Raises EFileError; refuses what is not a regular file.
    void LoadScript(const QString& name);
    // Whether the caller may go on: asks to save unsaved changes.
    bool QuerySave();
    // No instruction type chosen; both time fields "00:00:00"; no panel shown.
    void ResetInstructionPanel();
    // View-only: nothing can be added, deleted, saved or activated.
    void SetReadOnly(bool flag);
    // The next showing lists these lines (the running script) instead of
    // reading the file, which may have changed since the run started.
    void ShowRunningScript(const TScriptLines& lines);

    // Every way of closing passes here: it asks QuerySave first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Layout (ScriptEditorLayout.cpp)
    void FormCreate();
    void BuildActions();
    void BuildMenu();
    QWidget* BuildToolRow();
    QWidget* BuildFileRow();
    QGroupBox* BuildInstructionArea();
    QWidget* BuildParameterPanel();
    QWidget* BuildLoopPanel();
    QWidget* BuildListArea();
    QWidget* BuildBottomRow();

    // Handlers (ScriptEditor.cpp)
    void EventComboChange(int index);
    void SettingsComboChange(int index);
    bool MantisaKey(QKeyEvent* event);
    bool ExponentKey(QKeyEvent* event);
    void btnAddInstructionClick();
    void btnOKClick();
    void DeleteClick();
    void NewClick();
    void OpenClick();
    void SaveClick();
    void SaveAsClick();
    void ChooseParadigmFile();
    QString NewInstructionText();
    void WriteScript();
    bool FileHoldsTheLines() const;
    void ShowLines();

    // Controls; the parameter panels by instruction type (none for "Trigger").
    QAction* actNew = nullptr;
    QAction* actOpen = nullptr;
    QAction* actSave = nullptr;
    QAction* actSaveAs = nullptr;
    QAction* actDelete = nullptr;
    QAction* actClose = nullptr;
    QLabel* LabelFileName = nullptr;
    QGroupBox* GroupNewInstruction = nullptr;
    QComboBox* EventCombo = nullptr;
    QWidget* PanelChannel = nullptr;
    QComboBox* ChannelNumberCombo = nullptr;
    QWidget* Panel5 = nullptr;
    QComboBox* SettingsCombo = nullptr;
    QLabel* LabelVoltSign = nullptr;
    TMantisaEdit* MantisaEdit = nullptr;
    TExponentEdit* ExponentEdit = nullptr;
    QWidget* Panel4 = nullptr;
    QComboBox* ModeCombo = nullptr;
    QWidget* Panel1 = nullptr;
    QComboBox* ParadigmNumberCombo = nullptr;
    QWidget* Panel2 = nullptr;
    TFileNameEdit* ParadigmFilenameEdit = nullptr;
    QWidget* PanelChangeTime = nullptr;
    TBlinkingLabel* TimeMachineLabel = nullptr;
    QLineEdit* ChangeTimeToEdit = nullptr;
    QSpinBox* CountingEdit = nullptr;
    QLineEdit* InstructionTimeInterval = nullptr;
    QListWidget* CommandList = nullptr;
    QMenu* ListMenu = nullptr;
    QLineEdit* TimeInterval = nullptr;
    QPushButton* btnOK = nullptr;
    QWidget* Panels[6] = {};

    TScriptLines FLines;
    std::optional<TScriptLines> FRunningLines;
    QString FFileName;
    bool FModified = false;
    bool FReadOnly = false;
    QWidget* FCurrentPanel = nullptr;
    std::shared_ptr<TUserDialogs> FDialogs;
};
