// The script editor's logic: building instructions, the list, the files and
// the unsaved-changes flow, the activation check, the view-only state.
#include "ScriptEditor.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include "ScriptEditorWidgets.h"
#include "model/FileReader.h"
#include "model/FileWriter.h"
#include "script/InstructionText.h"
#include "script/ScriptFile.h"
#include "script/ScriptReader.h"
#include "ui/FileDialogKinds.h"
#include "ui/KelvorApplication.h"
#include "ui/OutsideEnd.h"
#include "ui/SettingsKeys.h"
#include "ui/UserDialogs.h"
#include "ui/ValEdit.h"
#include "ui/ValueFromEdits.h"

namespace {

enum TEventType { EventTrigger, EventSetting, EventMode, EventParadigm, EventLoadFile, EventLoop };
// The "Parameter:" list holds the model's settings up to the voltage in their
// order, then "Delta V" (the shape is no choice there).
enum { SettingDeltaVChoice = SettingVoltage + 1 };

bool IsEnter(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Where the file dialogs start when there is no file yet: the user's home
// (the program's own folder is not the user's to write in on Linux).
QString StartPath(const QString& fileName)
{
    return fileName.isEmpty() ? QDir::homePath() : fileName;
}

} // namespace

TfrmScriptEditor::TfrmScriptEditor(QWidget* parent)
    : QDialog(parent)
    , FDialogs(std::make_shared<TUserDialogs>())
{
    FormCreate();
    for (QWidget* panel : Panels)
        if (panel)
            panel->hide();
    PanelChannel->hide();
    SettingsComboChange(SettingsCombo->currentIndex());
    const QSettings settings;
    if (settings.contains(SettingsKeys::ScriptEditorPosition))
        move(settings.value(SettingsKeys::ScriptEditorPosition).toPoint());
    SetFileName(settings.value(SettingsKeys::ScriptEditorFileName).toString());
    SetModified(false);
}

TfrmScriptEditor::~TfrmScriptEditor() = default;

void TfrmScriptEditor::SetDialogs(std::shared_ptr<TUserDialogs> dialogs)
{
    FDialogs = std::move(dialogs);
}

QString TfrmScriptEditor::ActivationTime() const
{
    return TimeInterval->text();
}

void TfrmScriptEditor::SetFileName(const QString& name)
{
    FFileName = name;
    setWindowTitle(QStringLiteral("Script Editor [") + (name.isEmpty() ? QStringLiteral("New Script") : name)
                   + QLatin1Char(']'));
    LabelFileName->setText(name);
    QSettings().setValue(SettingsKeys::ScriptEditorFileName, name);
}

void TfrmScriptEditor::SetModified(bool flag)
{
    FModified = flag;
    actSave->setEnabled(flag && !FReadOnly);
}

void TfrmScriptEditor::LoadScript(const QString& name)
{
    TBusyCursor busy;
    // Read in full first: a file that cannot be read leaves the list as it was.
    FLines = ScriptFile::Read(name);
    SetModified(false);
    for (int i = FLines.Count() - 1; i >= 0; --i) {
        if (FLines.At(i).trimmed().isEmpty()) {
            FLines.RemoveAt(i);
            SetModified(true);
        }
    }
    ShowLines();
    if (CommandList->currentRow() < 0 && CommandList->count() > 0)
        CommandList->setCurrentRow(0);
    SetFileName(name);
}

bool TfrmScriptEditor::QuerySave()
{
    if (!FModified)
        return true;
    const QString name = FFileName.isEmpty() ? QStringLiteral("New File") : FFileName;
    switch (FDialogs->Ask(this, QStringLiteral("Save Changes to ") + name + QLatin1Char('?'),
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        SaveClick();
        return !FModified;
    case QMessageBox::No: return true;
    default: return false;
    }
}

void TfrmScriptEditor::ResetInstructionPanel()
{
    EventCombo->setCurrentIndex(-1);
    InstructionTimeInterval->setText(QStringLiteral("00:00:00"));
    ChangeTimeToEdit->setText(QStringLiteral("00:00:00"));
    if (FCurrentPanel)
        FCurrentPanel->hide();
    FCurrentPanel = nullptr;
    PanelChannel->hide();
}

void TfrmScriptEditor::SetReadOnly(bool flag)
{
    FReadOnly = flag;
    GroupNewInstruction->setEnabled(!flag);
    btnOK->setVisible(!flag);
    for (QAction* action : {actDelete, actNew, actOpen, actSaveAs})
        action->setEnabled(!flag);
    SetModified(FModified);
    TimeInterval->setEnabled(!flag);
}

void TfrmScriptEditor::ShowRunningScript(const TScriptLines& lines)
{
    FRunningLines = lines;
}

void TfrmScriptEditor::done(int result)
{
    // An end asked for from outside (a signal, the session's end) asks
    // nothing: unsaved lines go, as a killed program's would.
    if (!TOutsideEnd::Instance().Requested() && !QuerySave())
        return;
    QDialog::done(result);
    // The next showing loads the file again.
    SetModified(false);
    FRunningLines.reset();
}

void TfrmScriptEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored after being minimised
    if (FRunningLines) {
        FLines = *FRunningLines;
        ShowLines();
        SetModified(false);
    } else {
        try {
            LoadScript(FFileName);
        } catch (const EKelvorError&) {
            // A script that is gone (or no longer a regular file) starts anew, silently.
            NewClick();
        }
    }
    ResetInstructionPanel();
    TimeInterval->setText(QStringLiteral("00:00"));
}

void TfrmScriptEditor::hideEvent(QHideEvent* event)
{
    QSettings().setValue(SettingsKeys::ScriptEditorPosition, pos());
    QDialog::hideEvent(event);
}

// The Delete key acts on its release in the list.
bool TfrmScriptEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == CommandList && event->type() == QEvent::KeyRelease
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        actDelete->trigger();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmScriptEditor::EventComboChange(int index)
{
    if (FCurrentPanel)
        FCurrentPanel->hide();
    FCurrentPanel = index >= 0 && index < 6 ? Panels[index] : nullptr;
    PanelChannel->setVisible(index >= EventTrigger && index <= EventMode);
    if (FCurrentPanel)
        FCurrentPanel->show();
    if (index == EventLoop)
        TimeMachineLabel->Start();
    else
        TimeMachineLabel->Stop();
}

// Times take an exponent (ms, us); amplitudes a sign; the pulse count neither.
void TfrmScriptEditor::SettingsComboChange(int index)
{
    const bool time = index >= 0 && index < SettingPulseCount;
    const bool amplitude = index >= SettingVoltage;
    LabelVoltSign->setVisible(amplitude);
    MantisaEdit->SetSignLabel(amplitude ? LabelVoltSign : nullptr);
    ExponentEdit->setVisible(time);
    MantisaEdit->SetAttachedControl(time ? ExponentEdit : nullptr);
    MantisaEdit->SetMaxValue(SettingFieldMaximum(index));
    MantisaEdit->SetValue(0);
}

bool TfrmScriptEditor::MantisaKey(QKeyEvent* event)
{
    if (IsEnter(event)) {
        if (MantisaEdit->AttachedControl() && MantisaEdit->Value() != 0)
            MantisaEdit->AttachedControl()->setFocus(Qt::OtherFocusReason);
        return true;
    }
    const QString text = event->text();
    if (MantisaEdit->SignLabel() && (text == QStringLiteral("+") || text == QStringLiteral("-"))) {
        LabelVoltSign->setText(text);
        return true;
    }
    return false;
}

bool TfrmScriptEditor::ExponentKey(QKeyEvent* event)
{
    if (!IsEnter(event))
        return false;
    MantisaEdit->setFocus(Qt::OtherFocusReason);
    return true;
}

QString TfrmScriptEditor::NewInstructionText()
{
    const int channel = ChannelNumberCombo->currentIndex() + 1;
    switch (EventCombo->currentIndex()) {
    case EventTrigger: return InstructionText::Trigger(channel);
    case EventSetting: {
        TVexoValue value;
        ReadValueFromEdits(MantisaEdit, value);
        const int choice = SettingsCombo->currentIndex();
        // "Delta V" is written "DV", the name without a blank.
        const int setting = choice == SettingDeltaVChoice ? int(SettingDeltaV) : choice;
        return InstructionText::Setting(channel, setting, value.ToDeviceText());
    }
    case EventMode:
        if (channel >= 3 && ModeCombo->currentIndex() == ModeGate)
            throw EKelvorError(QStringLiteral("Gate mode is not available for Channel>2."));
        return InstructionText::Mode(channel, ModeCombo->currentIndex());
    case EventParadigm: return InstructionText::Paradigm(ParadigmNumberCombo->currentIndex() + 1);
    case EventLoadFile: return InstructionText::LoadParadigm(ParadigmFilenameEdit->text());
    case EventLoop: return InstructionText::Jump(ChangeTimeToEdit->text(), CountingEdit->cleanText());
    default: throw EKelvorError(QStringLiteral("Please Select an Instruction from the list!"));
    }
}

void TfrmScriptEditor::btnAddInstructionClick()
{
    const QString line = InstructionText::Line(InstructionTimeInterval->text(), NewInstructionText());
    const int at = FLines.Insert(line);
    CommandList->insertItem(at, line);
    SetModified(true);
    ResetInstructionPanel();
}

void TfrmScriptEditor::btnOKClick()
{
    const TCommandsArray commands = ScriptReader::ParseScript(FLines.Lines());
    for (const TCommand& command : commands) {
        if (command.Kind == KindInvalid)
            throw EScriptError(QStringLiteral("Unrecognized command in line %1! \r\n\"%2\" is not a valid command.")
                                   .arg(command.Index + 1)
                                   .arg(FLines.At(command.Index)));
    }
    if (FModified) {
        SaveClick();
        if (FModified)
            return; // the save was cancelled: nothing is activated
    } else if (!FFileName.isEmpty() && !FileHoldsTheLines()) {
        if (!FDialogs->AskWarning(this, QStringLiteral("The script file was changed on disk. Save the editor's lines "
                                                       "over it and activate?")))
            return;
        WriteScript(); // a file that cannot be written says why; nothing is activated
    }
    done(Accepted);
}

// Compares the bytes: the file as this editor would write the list.
bool TfrmScriptEditor::FileHoldsTheLines() const
{
    try {
        return FileReader::ReadRegularFile(FFileName) == ScriptFile::Bytes(FLines);
    } catch (const EKelvorError&) {
        return false; // gone or unreadable: it no longer holds them
    }
}

void TfrmScriptEditor::DeleteClick()
{
    for (int i = CommandList->count() - 1; i >= 0; --i) {
        if (!CommandList->item(i)->isSelected())
            continue;
        FLines.RemoveAt(i);
        delete CommandList->takeItem(i);
        SetModified(true);
    }
}

void TfrmScriptEditor::NewClick()
{
    if (!QuerySave())
        return;
    SetFileName(QString());
    FLines.Clear();
    ShowLines();
    SetModified(false);
}

void TfrmScriptEditor::OpenClick()
{
    if (!QuerySave())
        return;
    TFileDialogOptions options = FileDialogOptions(TFileDialogKind::OpenScript);
    options.startPath = StartPath(FFileName);
    const QString name = FDialogs->AskOpenFileName(this, options);
    if (!name.isEmpty())
        LoadScript(name);
}

void TfrmScriptEditor::SaveClick()
{
    if (FFileName.isEmpty()) {
        SaveAsClick();
        return;
    }
    WriteScript();
    SetModified(false);
}

// An existing file is replaced without a question; a file that cannot be
// written leaves the name and the unsaved state as they were.
void TfrmScriptEditor::SaveAsClick()
{
    TFileDialogOptions options = FileDialogOptions(TFileDialogKind::SaveScript);
    options.startPath = StartPath(FFileName);
    const QString name = FDialogs->AskSaveFileName(this, options);
    if (name.isEmpty())
        return;
    const QString previous = FFileName;
    FFileName = name;
    try {
        WriteScript();
    } catch (...) {
        FFileName = previous;
        throw;
    }
    SetFileName(name);
    SetModified(false);
}

void TfrmScriptEditor::WriteScript()
{
    TBusyCursor busy;
    FileWriter::WriteAtomically(FFileName, ScriptFile::Bytes(FLines));
}

void TfrmScriptEditor::ChooseParadigmFile()
{
    TFileDialogOptions options = FileDialogOptions(TFileDialogKind::ScriptParadigm);
    options.startPath = StartPath(ParadigmFilenameEdit->text());
    const QString name = FDialogs->AskOpenFileName(this, options);
    if (!name.isEmpty())
        ParadigmFilenameEdit->setText(name);
}

void TfrmScriptEditor::ShowLines()
{
    CommandList->clear();
    CommandList->addItems(FLines.Lines());
}
