// Builds the main window: the controls of the window description at their
// pixel positions, the menus, and the controls the window makes for itself
// at start-up (link matrix, parameter grid, channel and trigger buttons).
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>

#include "Main.h"
#include "MainLayoutMetrics.h"
#include "Widgets.h"
#include "console/ProgramVersion.h"
#include "ui/KelvorApplication.h"
#include "ui/Named.h"
#include "ui/Pictures.h"
#include "ui/SettingsKeys.h"
#include "ui/UserDialogs.h"
#include "ui/ValEdit.h"

using namespace MainLayout;

namespace {

QLabel* MakeLabel(const QString& text, QWidget* parent, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

void TfrmMain::FormCreate()
{
    setWindowTitle(QStringLiteral("Kelvor 9  -  Version ") + QLatin1String(ProgramVersion));
    setWindowIcon(Pictures::ProgramIcon());
    setObjectName(QStringLiteral("frmMain"));
    menuBar()->setNativeMenuBar(false);

    auto* clientArea = new QWidget(this);
    clientArea->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(clientArea);
    // Every control sits on one plane under the cover panel, so that the
    // cover can switch them all off at once while no device is connected.
    Controls = new QWidget(clientArea);
    Controls->setObjectName(QStringLiteral("Controls"));
    Controls->setGeometry(0, 0, WindowWidth, WindowHeight);
    QWidget* client = Controls;

    BuildMenus();
    // Creation order is the keyboard's tab order: the power switch and the
    // mode lists, the parameter panel, then the links panel, which is
    // therefore the next control on the window after the parameter panel.
    BuildTopRow();
    BuildParameterPanel();
    BuildLinkPanel();
    BuildParadigmBox();
    BuildStatusBar();

    EditValue.Clear();
    BuildParameterGrid();
    for (int n = 1; n <= ChannelCount; ++n) {
        auto* channelButton = new QToolButton(client);
        channelButton->setAutoRaise(true);
        channelButton->setFocusPolicy(Qt::NoFocus);
        channelButton->setGeometry(ChannelButtonLeft(n), ChannelButtonTop, ChannelButtonSize, ChannelButtonSize);
        channelButton->setIconSize(QSize(18, 18));
        channelButton->setIcon(Pictures::Channel(true));
        channelButton->setToolTip(QStringLiteral("Enabled"));
        channelButton->setObjectName(QStringLiteral("ChannelButton%1").arg(n));
        connect(channelButton, &QToolButton::clicked, this, Command([this, n] { btnChannelClick(n); }));
        ChannelButtons[n] = channelButton;

        auto* triggerButton = new QToolButton(client);
        triggerButton->setAutoRaise(true);
        triggerButton->setFocusPolicy(Qt::NoFocus);
        triggerButton->setGeometry(TriggerButtonLeft(n), TriggerButtonTop, TriggerButtonWidth, TriggerButtonHeight);
        triggerButton->setIconSize(QSize(13, 18));
        triggerButton->setIcon(Pictures::Trigger());
        triggerButton->setLayoutDirection(Qt::RightToLeft); // the picture sits on the right side
        triggerButton->setToolTip(QStringLiteral("Trigger %1").arg(n));
        triggerButton->setObjectName(QStringLiteral("TriggerButton%1").arg(n));
        connect(triggerButton, &QToolButton::clicked, this, Command([this, n] { TriggerChannel(n); }));
        TriggerButtons[n] = triggerButton;

        ChannelLabels[n] = MakeLabel(QString::number(n), client, ChannelLabelLeft(n), ChannelLabelTop);
        ChannelLabels[n]->setObjectName(QStringLiteral("ChannelLabel%1").arg(n));
    }
    FParadigm = std::make_unique<Tparadigm>();
    HelpFile = QCoreApplication::applicationDirPath() + QStringLiteral("/Kelvor8.hlp");
    BuildCover();
    SetTabOrder();
    RowLabels[7]->setText(QStringLiteral("\u0394V"));

    BindPrintHelpCommands();
    QSettings settings;
    if (settings.contains(SettingsKeys::MainPosition))
        move(settings.value(SettingsKeys::MainPosition).toPoint());
    setFixedSize(WindowWidth, WindowHeight);
}

// Tab goes from the power switch through the mode lists, the grid channel
// by channel, the store controls, then on to the links panel (which holds no
// tab stop of its own) and the paradigm buttons. The exponent fields are
// not tab stops.
void TfrmMain::SetTabOrder()
{
    QList<QWidget*> chain{SwitchPower};
    for (int n = 1; n <= ChannelCount; ++n)
        chain << ModeLists[n];
    for (int n = 1; n <= ChannelCount; ++n) {
        for (int r = 1; r <= 7; ++r) {
            if (r == 6 && ShapeLists[n])
                chain << ShapeLists[n];
            else if (ParameterEdits[n][r])
                chain << ParameterEdits[n][r];
        }
    }
    chain << cboStoreMode << btnStore << PanelLinks;
    for (int n = 1; n <= ChannelCount; ++n)
        chain << ParadigmButtons[n];
    for (int i = 0; i + 1 < chain.size(); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
}

// A shortcut acts on the window even while its menu entry is hidden: the key
// is registered on the window, and the entry only shows it. The toolkit
// reports a hidden entry as disabled, so isEnabled() cannot tell; trigger()
// itself ignores an entry that was disabled on purpose.
void TfrmMain::BindShortcut(QAction* action, const QKeySequence& keys)
{
    action->setText(action->text() + QLatin1Char('\t') + keys.toString(QKeySequence::NativeText));
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, action, &QAction::trigger);
    FShortcuts.push_back(shortcut);
}

// The menus and the entries the window handles carry their names as object
// names (tests find them by these).
void TfrmMain::BuildMenus()
{
    File1 = Named(menuBar()->addMenu(QStringLiteral("&File")), "File1");
    PrintSetup1 = Named(File1->addAction(QStringLiteral("P&rinter Setup...")), "PrintSetup1");
    auto* scaleMenu = File1->addMenu(QStringLiteral("Print S&cale"));
    PrintSetup2 = Named(scaleMenu->menuAction(), "PrintSetup2");
    auto* scaleGroup = new QActionGroup(this);
    const QString scaleNames[] = {QStringLiteral("&None"), QStringLiteral("&Fit To Page "), QStringLiteral("&Screen Size")};
    for (int i = 0; i < 3; ++i) {
        ScaleItems[i] = scaleMenu->addAction(scaleNames[i]);
        ScaleItems[i]->setCheckable(true);
        scaleGroup->addAction(ScaleItems[i]);
    }
    ScaleItems[2]->setChecked(true);
    Print1 = Named(File1->addAction(QStringLiteral("&Print")), "Print1");
    BindShortcut(Print1, QKeySequence(Qt::CTRL | Qt::Key_P));
    File1->addSeparator();
    Exit1 = Named(File1->addAction(QStringLiteral("E&xit")), "Exit1");
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    Paradigm1 = Named(menuBar()->addMenu(QStringLiteral("&Paradigm")), "Paradigm1");
    SaveParadigm1 = Named(Paradigm1->addAction(QStringLiteral("&Save Paradigm...")), "SaveParadigm1");
    BindShortcut(SaveParadigm1, QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(SaveParadigm1, &QAction::triggered, this, Command([this] { SaveParadigm1Click(); }));
    LoadParadigm1 = Named(Paradigm1->addAction(QStringLiteral("&Load Paradigm...")), "LoadParadigm1");
    BindShortcut(LoadParadigm1, QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(LoadParadigm1, &QAction::triggered, this, Command([this] { LoadParadigm1Click(); }));
    Paradigm1->addSeparator();
    Clear1 = Named(Paradigm1->addAction(QStringLiteral("&Clear")), "Clear1");
    connect(Clear1, &QAction::triggered, this, Command([this] { Clear1Click(); }));
    MenuCopyToParadigm = Named(Paradigm1->addMenu(QStringLiteral("C&opy To Paradigm Number")), "MenuCopyToParadigm");
    for (int n = 1; n <= ChannelCount; ++n) {
        MenuCopyToParadigmItems[n] = MenuCopyToParadigm->addAction(QStringLiteral("&%1").arg(n));
        connect(MenuCopyToParadigmItems[n], &QAction::triggered, this, Command([this, n] { MenuCopyToParadigmClick(n); }));
    }
    Paradigm1->addSeparator();
    menuSaveCSVFile = Named(Paradigm1->addAction(QStringLiteral("Save Channel 9 to CSV file...")), "menuSaveCSVFile");
    menuLoadCSVFile = Named(Paradigm1->addAction(QStringLiteral("Load CSV file to Channel 9...")), "menuLoadCSVFile");
    connect(menuSaveCSVFile, &QAction::triggered, this, Command([this] { menuSaveCSVFileClick(); }));
    connect(menuLoadCSVFile, &QAction::triggered, this, Command([this] { menuLoadCSVFileClick(); }));

    Tools1 = Named(menuBar()->addMenu(QStringLiteral("&Tools")), "Tools1");
    Refresh1 = Named(Tools1->addAction(QStringLiteral("&Refresh")), "Refresh1");
    BindShortcut(Refresh1, QKeySequence(Qt::Key_F5));
    connect(Refresh1, &QAction::triggered, this, Command([this] { RefreshConnection(); }));
    ShowMonitor1 = Named(Tools1->addAction(QStringLiteral("&Show Monitor")), "ShowMonitor1");
    BindShortcut(ShowMonitor1, QKeySequence(Qt::CTRL | Qt::Key_M));
    Channel9Waveform1 = Named(Tools1->addAction(QStringLiteral("Channel 9 &Waveform")), "Channel9Waveform1");
    connect(Channel9Waveform1, &QAction::triggered, this, Command([this] { ShowChannel9Waveform(); }));

    Scheduler1 = Named(menuBar()->addAction(QStringLiteral("&Scheduler!")), "Scheduler1");
    connect(Scheduler1, &QAction::triggered, this, &TfrmMain::SchedulerChosen);

    Help1 = Named(menuBar()->addMenu(QStringLiteral("&Help")), "Help1");
    Contents1 = Named(Help1->addAction(QStringLiteral("&Contents")), "Contents1");
    BindShortcut(Contents1, QKeySequence(Qt::Key_F1));
    Contents1->setVisible(false);
    Help1->addSeparator()->setVisible(false);
    About1 = Named(Help1->addAction(QStringLiteral("&About...")), "About1");
}

void TfrmMain::BuildTopRow()
{
    QWidget* client = Controls;
    lblEnable = MakeLabel(QStringLiteral("Enable"), client, EnableLabelLeft, EnableLabelTop);
    lblEnable->setObjectName(QStringLiteral("lblEnable"));
    SwitchPower = new TPowerSwitch(client);
    SwitchPower->setObjectName(QStringLiteral("SwitchPower"));
    SwitchPower->setGeometry(SwitchLeft, SwitchTop, SwitchWidth, SwitchHeight);
    SwitchPower->setToolTip(QStringLiteral("Enable"));
    connect(SwitchPower, &QAbstractButton::clicked, this, Command([this](bool on) {
        if (on)
            SwitchPowerOn();
        else
            SwitchPowerOff();
    }));
    for (int n = 1; n <= ChannelCount; ++n) {
        auto* list = new TModeComboBox(client);
        list->setObjectName(QStringLiteral("ComboBox%1").arg(n));
        list->Tag = n;
        list->setGeometry(ModeListLeft(n), ModeListTop, ModeListWidth, ModeListHeight);
        list->setCurrentIndex(-1);
        connect(list, &QComboBox::activated, this, Command([this, n](int index) {
            if (index >= 0)
                SetChannelMode(n, index);
        }));
        ModeLists[n] = list;
    }
}

void TfrmMain::BuildParameterPanel()
{
    QWidget* client = Controls;
    auto* panel = new QFrame(client);
    panel->setObjectName(QStringLiteral("PanelParameters"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(ParametersLeft, ParametersTop, ParametersWidth, ParametersHeight);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(12);
    panel->setFont(font);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    palette.setColor(QPalette::Text, Qt::blue);
    panel->setPalette(palette);
    PanelParameters = panel;

    const QString rowLetters[] = {QStringLiteral("D"), QStringLiteral("L"), QStringLiteral("I"), QStringLiteral("N"),
                                  QStringLiteral("V"), QStringLiteral("S"), QStringLiteral("V")};
    for (int r = 1; r <= 7; ++r) {
        auto* label = MakeLabel(rowLetters[r - 1], client, RowLabelLeft, RowLabelTops[r - 1]);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        label->setGeometry(RowLabelLeft, RowLabelTops[r - 1], RowLabelWidth, label->sizeHint().height());
        label->setObjectName(QStringLiteral("RowLabel%1").arg(r));
        RowLabels[r] = label;
    }

    cboStoreMode = new TGuardedComboBox(panel);
    cboStoreMode->setObjectName(QStringLiteral("cboStoreMode"));
    cboStoreMode->addItems({QStringLiteral("Run"), QStringLiteral("Mem"), QStringLiteral("Save")});
    cboStoreMode->setGeometry(StoreModeLeft, StoreModeTop, StoreModeWidth, StoreModeHeight);
    cboStoreMode->setCurrentIndex(-1);
    connect(cboStoreMode, &QComboBox::activated, this, Command([this](int index) { cboStoreModeClick(index); }));
    btnRefresh = new QPushButton(QStringLiteral("Refresh"), client);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnRefresh->hide();
    connect(btnRefresh, &QPushButton::clicked, this, Command([this] { RefreshConnection(); }));
    btnStore = new QPushButton(QStringLiteral("Store"), panel);
    btnStore->setObjectName(QStringLiteral("btnStore"));
    btnStore->setGeometry(StoreButtonLeft, StoreButtonTop, StoreButtonWidth, StoreButtonHeight);
    connect(btnStore, &QPushButton::clicked, this, Command([this] { btnStoreClick(); }));
}

void TfrmMain::BuildParameterGrid()
{
    static const char rowLetters[] = "DLINVSv";
    for (int n = 1; n < ChannelCount; ++n) {
        auto* line = new QFrame(PanelParameters);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(GridColumnWidth * n, 0, 3, ParametersHeight);
    }
    for (int n = 1; n <= ChannelCount; ++n) {
        const int rows = n == ChannelCount ? 5 : 7;
        for (int r = 1; r <= rows; ++r) {
            const int left = CellLeft(n);
            const int top = CellTop(r);
            const QString hint = QLatin1Char(rowLetters[r - 1]) + QString::number(n);
            if (r == 6) {
                auto* shapes = new TShapeComboBox(PanelParameters);
                shapes->setObjectName(QStringLiteral("ShapeList%1").arg(n));
                shapes->Tag = n;
                shapes->setGeometry(left, ShapeListTop, ShapeListWidth, ShapeListHeight);
                shapes->setToolTip(QStringLiteral("Shape %1").arg(n));
                shapes->setCurrentIndex(1);
                shapes->setAutoFillBackground(false);
                shapes->OnArrowKey = [this, n](QKeyEvent* event) { return ShapeListKey(n, event); };
                connect(shapes, &QComboBox::activated, this, Command([this, n](int index) { SetChannelShape(n, index); }));
                ShapeLists[n] = shapes;
                continue;
            }
            auto* field = new TMantisaEdit(PanelParameters);
            field->setObjectName(QStringLiteral("Edit%1%2").arg(QLatin1Char(rowLetters[r - 1])).arg(n));
            field->Col = n;
            field->Row = r;
            field->setGeometry(left, top, MantissaWidth, FieldHeight);
            field->setToolTip(hint);
            field->SetMaxValue(SettingFieldMaximum(r - 1));
            BindMantissaHandlers(field);
            ParameterEdits[n][r] = field;
            if (r <= 3) {
                auto* exponent = new TExponentEdit(PanelParameters);
                exponent->setObjectName(QStringLiteral("Exp%1%2").arg(QLatin1Char(rowLetters[r - 1])).arg(n));
                exponent->Col = n;
                exponent->Row = r;
                exponent->resize(ExponentWidth, FieldHeight);
                exponent->setToolTip(hint);
                field->SetAttachedControl(exponent);
                BindExponentHandlers(exponent);
                ExponentEdits[n][r] = exponent;
            }
            if (r == 5 || r == 7) {
                auto* sign = new QLabel(PanelParameters);
                sign->setGeometry(left, top, SignLabelWidth, FieldHeight);
                sign->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                field->SetSignLabel(sign);
                field->move(left + SignLabelWidth, top);
                SignLabels[n][r] = sign;
            }
        }
    }
}

void TfrmMain::BuildLinkPanel()
{
    QWidget* client = Controls;
    auto* panel = new QFrame(client);
    panel->setObjectName(QStringLiteral("PanelLinks"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(LinksLeft, LinksTop, LinksWidth, LinksHeight);
    // Not a tab stop, but it can hold the focus: Enter on a zero in the
    // grid moves the focus here, out of the parameter panel.
    panel->setFocusPolicy(Qt::ClickFocus);
    PanelLinks = panel;
    static const char columnNames[] = "123456789ABC";
    for (int k = 1; k <= LinkColumns; ++k) {
        auto* label = new QLabel(QString(QLatin1Char(columnNames[k - 1])), client);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(LinksLeft + LinkButtonLeft(k), LinksTop - 15, LinkButtonSize, 14);
    }
    for (int r = 1; r <= ChannelCount; ++r) {
        auto* label = new QLabel(QString::number(r), client);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setGeometry(LinksLeft - 14, LinksTop + LinkButtonTop(r), 10, LinkButtonSize);
    }
    for (int r = 1; r <= ChannelCount; ++r) {
        for (int k = 1; k <= LinkColumns; ++k) {
            auto* button = new TSpeedButtonEX(k, r, panel);
            button->setObjectName(QStringLiteral("Link%1_%2").arg(r).arg(k));
            button->setGeometry(LinkButtonLeft(k), LinkButtonTop(r), LinkButtonSize, LinkButtonSize);
            button->setIcon(Pictures::Bulb(0));
            if (r == k) {
                button->setEnabled(false);
            } else {
                button->setToolTip(QStringLiteral("%1->%2").arg(r).arg(k));
                connect(button, &QToolButton::clicked, this, Command([this, r, k] { btnLinksClick(r, k); }));
            }
            LinkButtons[r][k] = button;
        }
    }
}

void TfrmMain::BuildParadigmBox()
{
    GroupBox2 = new QGroupBox(QStringLiteral("Paradigm"), Controls);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(ParadigmBoxLeft, ParadigmBoxTop, ParadigmBoxWidth, ParadigmBoxHeight);
    for (int n = 1; n <= ChannelCount; ++n) {
        auto* button = new QToolButton(GroupBox2);
        button->setObjectName(QStringLiteral("btnParadigm%1").arg(n));
        button->setText(QString::number(n));
        button->setCheckable(true);
        button->setGeometry(ParadigmButtonLeft(n), ParadigmButtonTop(n), ParadigmButtonSize, ParadigmButtonSize);
        connect(button, &QToolButton::clicked, this, Command([this, button] { btnParadigmClick(button); }));
        ParadigmButtons[n] = button;
    }
}

void TfrmMain::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    const QString texts[] = {QStringLiteral("Status"), QStringLiteral("Port")};
    const int widths[] = {StatusPanelWidth, PortPanelWidth};
    for (int i = 0; i < 2; ++i) {
        auto* panel = new QLabel(texts[i], bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // Device refusals are shown exactly as they came, never as markup.
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setFixedWidth(widths[i]);
        bar->addWidget(panel);
        StatusPanels[i] = panel;
    }
}

void TfrmMain::BuildCover()
{
    auto* cover = new QLabel(centralWidget());
    cover->setFocusPolicy(Qt::NoFocus);
    cover->setObjectName(QStringLiteral("PanelCover"));
    // The text carries a CR LF between its two lines; a label breaks on the LF.
    cover->setText(QString(CoverText).remove(QLatin1Char('\r')));
    cover->setAlignment(Qt::AlignCenter);
    cover->setAutoFillBackground(true);
    QFont font = cover->font();
    font.setBold(true);
    font.setPixelSize(16);
    cover->setFont(font);
    QPalette palette = cover->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    cover->setPalette(palette);
    cover->setGeometry(0, 0, WindowWidth, WindowHeight);
    cover->hide();
    PanelCover = cover;
}
