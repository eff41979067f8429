// The script editor's controls, actions and menu, built once with the window.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <variant>

#include "ScriptEditor.h"
#include "ScriptEditorMetrics.h"
#include "ScriptEditorWidgets.h"
#include "script/ScriptModel.h"
#include "ui/KelvorApplication.h"
#include "ui/Named.h"
#include "ui/ValEdit.h"

using namespace ScriptEditorMetrics;

namespace {

const QString FromStartHint = QStringLiteral("(HH:MM:SS from the Script Initialization time)");

QComboBox* NumberCombo(const char* name)
{
    auto* combo = Named(new QComboBox, name);
    for (int n = 1; n <= 9; ++n)
        combo->addItem(QString::number(n));
    combo->setFixedWidth(NumberComboWidth);
    return combo;
}

QComboBox* ListCombo(const char* name, const QStringList& items)
{
    auto* combo = Named(new QComboBox, name);
    combo->addItems(items);
    combo->setFixedWidth(ComboWidth);
    return combo;
}

QLineEdit* TimeField(const char* name, const QString& mask)
{
    auto* field = Named(new QLineEdit, name);
    field->setInputMask(mask + QStringLiteral(";_"));
    field->setFixedWidth(TimeFieldWidth);
    return field;
}

// A row of widgets (texts become labels), left-aligned.
QWidget* Row(const char* name, std::initializer_list<std::variant<QWidget*, QString>> items)
{
    auto* row = Named(new QWidget, name);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const auto& item : items) {
        if (std::holds_alternative<QString>(item))
            layout->addWidget(new QLabel(std::get<QString>(item)));
        else
            layout->addWidget(std::get<QWidget*>(item));
    }
    layout->addStretch(1);
    return row;
}

QToolButton* ToolButton(QAction* action)
{
    auto* button = new QToolButton;
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

} // namespace

void TfrmScriptEditor::FormCreate()
{
    setObjectName(QStringLiteral("frmScriptEditor"));
    resize(WindowWidth, WindowHeight);
    BuildActions();
    auto* layout = new QVBoxLayout(this);
    BuildMenu();
    layout->addWidget(BuildToolRow());
    layout->addWidget(BuildFileRow());
    layout->addWidget(BuildInstructionArea());
    layout->addWidget(BuildListArea(), 1);
    layout->addWidget(BuildBottomRow());
    // Enter belongs to the fields (it moves between mantissa and exponent):
    // no button is pressed by it.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
}

void TfrmScriptEditor::BuildActions()
{
    auto action = [this](const char* name, const QString& text, const QString& hint, const QKeySequence& keys,
                         QStyle::StandardPixmap icon, void (TfrmScriptEditor::*handler)()) {
        auto* a = Named(new QAction(style()->standardIcon(icon), text, this), name);
        a->setToolTip(hint);
        a->setStatusTip(hint);
        a->setShortcut(keys);
        connect(a, &QAction::triggered, this, Command([this, handler] { (this->*handler)(); }));
        addAction(a); // the keys act wherever the focus is in the window
        return a;
    };
    actNew = action("actNew", QStringLiteral("&New"), QStringLiteral("Create a new Script File"),
                    QKeySequence(Qt::CTRL | Qt::Key_N), QStyle::SP_FileIcon, &TfrmScriptEditor::NewClick);
    actOpen = action("actOpen", QStringLiteral("&Open"), QStringLiteral("Open a script file"),
                     QKeySequence(Qt::CTRL | Qt::Key_O), QStyle::SP_DialogOpenButton, &TfrmScriptEditor::OpenClick);
    actSave = action("actSave", QStringLiteral("&Save"), QStringLiteral("Save the current script"),
                     QKeySequence(Qt::CTRL | Qt::Key_S), QStyle::SP_DialogSaveButton, &TfrmScriptEditor::SaveClick);
    actSaveAs = action("actSaveAs", QStringLiteral("Save As..."),
                       QStringLiteral("Save the current script  with another file name"),
                       QKeySequence(Qt::CTRL | Qt::Key_A), QStyle::SP_DriveFDIcon, &TfrmScriptEditor::SaveAsClick);
    actDelete = action("actDelete", QStringLiteral("Delete"), QStringLiteral("Delete the Selected instruction"),
                       QKeySequence(), QStyle::SP_TrashIcon, &TfrmScriptEditor::DeleteClick);
    actClose = Named(new QAction(QStringLiteral("E&xit"), this), "actClose");
    actClose->setToolTip(QStringLiteral("Close the Script Editor"));
    actClose->setStatusTip(actClose->toolTip());
    actClose->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(actClose, &QAction::triggered, this, &QDialog::reject);
    addAction(actClose);
}

void TfrmScriptEditor::BuildMenu()
{
    auto* bar = Named(new QMenuBar(this), "MainMenu");
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(actNew);
    file->addAction(actOpen);
    file->addAction(actSave);
    file->addAction(actSaveAs);
    file->addSeparator();
    file->addAction(actClose);
    layout()->setMenuBar(bar);
}

QWidget* TfrmScriptEditor::BuildToolRow()
{
    auto* row = Named(new QWidget, "ToolRow");
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QAction* action : {actNew, actOpen, actSave, actDelete})
        layout->addWidget(ToolButton(action));
    auto* saveAs = Named(new QPushButton(QStringLiteral("Save As...")), "btnSaveAs");
    saveAs->setToolTip(actSaveAs->toolTip());
    connect(saveAs, &QPushButton::clicked, actSaveAs, &QAction::trigger);
    connect(actSaveAs, &QAction::enabledChanged, saveAs, &QWidget::setEnabled);
    layout->addWidget(saveAs);
    layout->addStretch(1);
    return row;
}

QWidget* TfrmScriptEditor::BuildFileRow()
{
    LabelFileName = Named(new QLabel, "LabelFileName");
    LabelFileName->setTextFormat(Qt::PlainText);
    LabelFileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return Row("FileRow", {QStringLiteral("FileName:"), LabelFileName});
}

QGroupBox* TfrmScriptEditor::BuildInstructionArea()
{
    GroupNewInstruction = Named(new QGroupBox(QStringLiteral("New Instruction")), "GroupNewInstruction");
    auto* layout = new QVBoxLayout(GroupNewInstruction);

    EventCombo = ListCombo("EventCombo", {QStringLiteral("Trigger"), QStringLiteral("Set Channel Parameters"),
                                          QStringLiteral("Set Channel Mode"), QStringLiteral("Switch To Paradigm"),
                                          QStringLiteral("Load Paradigm File"), QStringLiteral("Loop")});
    EventCombo->setPlaceholderText(QStringLiteral("Select an Event"));
    connect(EventCombo, &QComboBox::currentIndexChanged, this, Command([this](int index) { EventComboChange(index); }));
    layout->addWidget(Row("EventRow", {QStringLiteral("Instruction:"), EventCombo}));

    ChannelNumberCombo = NumberCombo("ChannelNumberCombo");
    PanelChannel = Row("PanelChannel", {QStringLiteral("Channel Number:"), ChannelNumberCombo});
    layout->addWidget(PanelChannel);

    Panel5 = BuildParameterPanel();
    ModeCombo = ListCombo("ModeCombo", ModeNames);
    ModeCombo->setPlaceholderText(QStringLiteral("Select Mode"));
    Panel4 = Row("Panel4", {QStringLiteral("Mode:"), ModeCombo});
    ParadigmNumberCombo = NumberCombo("ParadigmNumberCombo");
    Panel1 = Row("Panel1", {QStringLiteral("Paradigm Number:"), ParadigmNumberCombo});
    ParadigmFilenameEdit = Named(new TFileNameEdit, "ParadigmFilenameEdit");
    auto* choose = Named(new QToolButton, "btnChooseParadigmFile");
    choose->setText(QStringLiteral("..."));
    connect(choose, &QToolButton::clicked, this, Command([this] { ChooseParadigmFile(); }));
    Panel2 = Row("Panel2", {QStringLiteral("Paradigm File Name:"), ParadigmFilenameEdit, choose});
    static_cast<QHBoxLayout*>(Panel2->layout())->setStretchFactor(ParadigmFilenameEdit, 1);
    PanelChangeTime = BuildLoopPanel();
    QWidget* byType[6] = {nullptr, Panel5, Panel4, Panel1, Panel2, PanelChangeTime};
    for (int type = 0; type < 6; ++type) {
        Panels[type] = byType[type];
        if (Panels[type])
            layout->addWidget(Panels[type]);
    }

    InstructionTimeInterval = TimeField("InstructionTimeInterval", QStringLiteral("99:99:99"));
    layout->addWidget(Row("StartRow", {QStringLiteral("Instruction Start Interval:"), InstructionTimeInterval,
                                       FromStartHint}));
    auto* add = Named(new QPushButton(QStringLiteral("Add Instruction")), "btnAddInstruction");
    connect(add, &QPushButton::clicked, this, Command([this] { btnAddInstructionClick(); }));
    auto* reset = Named(new QPushButton(QStringLiteral("Cancel")), "btnReset");
    connect(reset, &QPushButton::clicked, this, Command([this] { ResetInstructionPanel(); }));
    layout->addWidget(Row("AddRow", {add, reset}));
    return GroupNewInstruction;
}

// "Parameter:" and "New Value:", the value entered as sign, mantissa and
// exponent like the main window's grid.
QWidget* TfrmScriptEditor::BuildParameterPanel()
{
    SettingsCombo = ListCombo("SettingsCombo", {QStringLiteral("Duration"), QStringLiteral("Delay"),
                                                QStringLiteral("Interval"), QStringLiteral("N"), QStringLiteral("V"),
                                                QStringLiteral("Delta V")});
    connect(SettingsCombo, &QComboBox::currentIndexChanged, this, Command([this](int index) { SettingsComboChange(index); }));
    auto* value = Named(new QWidget, "ValueBox");
    value->setFixedSize(ValueBoxWidth, ValueBoxHeight);
    LabelVoltSign = Named(new QLabel(QStringLiteral("+"), value), "LabelVoltSign");
    LabelVoltSign->setGeometry(SignLeft, 0, SignWidth, FieldHeight);
    MantisaEdit = Named(new TMantisaEdit(value), "MantisaEdit");
    MantisaEdit->setGeometry(MantissaLeft, 0, MantissaWidth, FieldHeight);
    MantisaEdit->setFrame(true);
    ExponentEdit = Named(new TExponentEdit(value), "ExponentEdit");
    ExponentEdit->resize(ExponentWidth, FieldHeight);
    ExponentEdit->setFrame(true);
    MantisaEdit->SetAttachedControl(ExponentEdit);
    MantisaEdit->OnKey = [this](QKeyEvent* event) { return MantisaKey(event); };
    MantisaEdit->OnEnter = [this] { MantisaEdit->selectAll(); };
    MantisaEdit->OnClick = [this] { MantisaEdit->selectAll(); };
    ExponentEdit->OnKey = [this](QKeyEvent* event) { return ExponentKey(event); };
    ExponentEdit->OnEnter = [this] { ExponentEdit->selectAll(); };
    return Row("Panel5", {QStringLiteral("Parameter:"), SettingsCombo, QStringLiteral("New Value:"), value});
}

QWidget* TfrmScriptEditor::BuildLoopPanel()
{
    auto* panel = Named(new QWidget, "PanelChangeTime");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    TimeMachineLabel = Named(new TBlinkingLabel(QStringLiteral("TIME MACHINE"), panel), "TimeMachineLabel");
    QFont bold = TimeMachineLabel->font();
    bold.setBold(true);
    TimeMachineLabel->setFont(bold);
    layout->addWidget(TimeMachineLabel);
    ChangeTimeToEdit = TimeField("ChangeTimeToEdit", QStringLiteral("99:99:99"));
    layout->addWidget(Row("JumpRow", {QStringLiteral("Jump To Time:"), ChangeTimeToEdit, FromStartHint}));
    CountingEdit = Named(new QSpinBox, "CountingEdit");
    CountingEdit->setRange(1, 999999);
    CountingEdit->setValue(1);
    CountingEdit->setFixedWidth(CountingWidth);
    layout->addWidget(Row("CountingRow", {QStringLiteral("Until Counting"), CountingEdit, QStringLiteral("Loops.")}));
    return panel;
}

QWidget* TfrmScriptEditor::BuildListArea()
{
    CommandList = Named(new QListWidget, "CommandList");
    CommandList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    CommandList->setContextMenuPolicy(Qt::CustomContextMenu);
    CommandList->installEventFilter(this);
    ListMenu = Named(new QMenu(this), "ListMenu");
    QAction* remove = ListMenu->addAction(QStringLiteral("Delete Instruction"));
    connect(remove, &QAction::triggered, actDelete, &QAction::trigger);
    // The press has made the line under the pointer the current one.
    connect(CommandList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ListMenu->popup(CommandList->viewport()->mapToGlobal(at)); });
    return CommandList;
}

QWidget* TfrmScriptEditor::BuildBottomRow()
{
    TimeInterval = TimeField("TimeInterval", QStringLiteral("99:99"));
    btnOK = Named(new QPushButton(QStringLiteral("Save and &Activate!")), "btnOK");
    connect(btnOK, &QPushButton::clicked, this, Command([this] { btnOKClick(); }));
    auto* close = Named(new QPushButton(QStringLiteral("&Close")), "BitBtn1");
    close->setToolTip(actClose->toolTip());
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    QWidget* row = Row("BottomRow", {QStringLiteral("Activation Time:"), TimeInterval,
                                     QStringLiteral("(HH:MM from the current time)")});
    auto* layout = static_cast<QHBoxLayout*>(row->layout());
    layout->addWidget(btnOK);
    layout->addWidget(close);
    return row;
}
