#pragma once
// The main window's controls as a test finds them: by their object names
// (the names the window gives them), or by the grid place a field carries,
// never through the window's members. A control that is not there fails the
// test with its name; only a place of the grid may hold none (channel 9 has
// five rows): that gives nullptr.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <memory>
#include <stdexcept>

#include "console/Main.h"
#include "console/Widgets.h"
#include "ui/ValEdit.h"

class TMainWindowView {
public:
    // Follows the fixture's window, which tests close and open again.
    explicit TMainWindowView(const std::unique_ptr<TfrmMain>& window) : FWindow(window) {}

    // The plane under the cover that holds every control.
    QWidget* Controls() const { return Find<QWidget>("Controls"); }
    QLabel* PanelCover() const { return Find<QLabel>("PanelCover"); }
    QWidget* PanelParameters() const { return Find<QWidget>("PanelParameters"); }
    QWidget* PanelLinks() const { return Find<QWidget>("PanelLinks"); }
    QGroupBox* GroupBox2() const { return Find<QGroupBox>("GroupBox2"); }
    TPowerSwitch* SwitchPower() const { return Find<TPowerSwitch>("SwitchPower"); }
    QLabel* lblEnable() const { return Find<QLabel>("lblEnable"); }
    QComboBox* cboStoreMode() const { return Find<QComboBox>("cboStoreMode"); }
    QPushButton* btnStore() const { return Find<QPushButton>("btnStore"); }

    // Channels 1..9.
    TModeComboBox* ModeLists(int channel) const { return Find<TModeComboBox>("ComboBox", channel); }
    TShapeComboBox* ShapeLists(int channel) const
    {
        return FWindow->findChild<TShapeComboBox*>(QStringLiteral("ShapeList%1").arg(channel));
    }
    QToolButton* ChannelButtons(int channel) const { return Find<QToolButton>("ChannelButton", channel); }
    QToolButton* TriggerButtons(int channel) const { return Find<QToolButton>("TriggerButton", channel); }
    QLabel* ChannelLabels(int channel) const { return Find<QLabel>("ChannelLabel", channel); }
    QToolButton* ParadigmButtons(int number) const { return Find<QToolButton>("btnParadigm", number); }
    // The grid's rows 1..7 and their labels.
    QLabel* RowLabels(int row) const { return Find<QLabel>("RowLabel", row); }
    TMantisaEdit* ParameterEdits(int channel, int row) const { return AtCell<TMantisaEdit>(channel, row); }
    TExponentEdit* ExponentEdits(int channel, int row) const { return AtCell<TExponentEdit>(channel, row); }
    QLabel* SignLabels(int channel, int row) const { return ParameterEdits(channel, row)->SignLabel(); }
    TSpeedButtonEX* LinkButtons(int row, int column) const
    {
        return Find<TSpeedButtonEX>(QStringLiteral("Link%1_%2").arg(row).arg(column));
    }
    // 0 the status, 1 the port.
    QLabel* StatusPanels(int index) const { return Find<QLabel>("StatusPanel", index); }

    // Menus and their entries.
    QMenu* Paradigm1() const { return Find<QMenu>("Paradigm1"); }
    QMenu* MenuCopyToParadigm() const { return Find<QMenu>("MenuCopyToParadigm"); }
    QAction* MenuCopyToParadigmItems(int number) const { return MenuCopyToParadigm()->actions().at(number - 1); }
    QAction* PrintSetup1() const { return Find<QAction>("PrintSetup1"); }
    QAction* PrintSetup2() const { return Find<QAction>("PrintSetup2"); }
    // 0 none, 1 fit to page, 2 screen size.
    QAction* ScaleItems(int index) const { return PrintSetup2()->menu()->actions().at(index); }
    QAction* Print1() const { return Find<QAction>("Print1"); }
    QAction* Exit1() const { return Find<QAction>("Exit1"); }
    QAction* SaveParadigm1() const { return Find<QAction>("SaveParadigm1"); }
    QAction* LoadParadigm1() const { return Find<QAction>("LoadParadigm1"); }
    QAction* Clear1() const { return Find<QAction>("Clear1"); }
    QAction* menuSaveCSVFile() const { return Find<QAction>("menuSaveCSVFile"); }
    QAction* menuLoadCSVFile() const { return Find<QAction>("menuLoadCSVFile"); }
    QAction* Refresh1() const { return Find<QAction>("Refresh1"); }
    QAction* ShowMonitor1() const { return Find<QAction>("ShowMonitor1"); }
    QAction* Channel9Waveform1() const { return Find<QAction>("Channel9Waveform1"); }
    QAction* Scheduler1() const { return Find<QAction>("Scheduler1"); }
    QAction* Contents1() const { return Find<QAction>("Contents1"); }
    QAction* About1() const { return Find<QAction>("About1"); }

private:
    template <typename T>
    T* Find(const QString& name) const
    {
        if (T* found = FWindow->findChild<T*>(name))
            return found;
        throw std::runtime_error("the main window has no control named " + name.toStdString());
    }
    template <typename T>
    T* Find(const char* stem, int number) const
    {
        return Find<T>(QLatin1String(stem) + QString::number(number));
    }
    template <typename T>
    T* AtCell(int channel, int row) const
    {
        for (T* field : FWindow->findChildren<T*>())
            if (field->Col == channel && field->Row == row)
                return field;
        return nullptr;
    }

    const std::unique_ptr<TfrmMain>& FWindow;
};
