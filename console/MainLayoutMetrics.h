#pragma once
// Pixel positions of the main window's controls in the client area below
// the menu bar (left/top), as the operators know the window.
#include <QtGlobal>

namespace MainLayout {

inline constexpr const char* CoverText =
    "Communication with Kelvor9 is unavailable.\r\nPress F5 for searching again.";

inline constexpr int WindowWidth = 714;
inline constexpr int WindowHeight = 628;

inline constexpr int EnableLabelLeft = 8, EnableLabelTop = 10;
inline constexpr int SwitchLeft = 8, SwitchTop = 27, SwitchWidth = 57, SwitchHeight = 25;

// Mode lists: channel 1 at 82, channel 9 at 624.
inline constexpr int ModeListTop = 42, ModeListWidth = 67, ModeListHeight = 51;
inline constexpr int ModeListLeft(int n) { return 82 + ((n - 1) * 542 + 4) / 8; }

inline constexpr int ParametersLeft = 79, ParametersTop = 99, ParametersWidth = 610, ParametersHeight = 222;
inline constexpr int RowLabelLeft = 54, RowLabelWidth = 22; // right-aligned, ending left of the panel
inline constexpr int RowLabelTops[7] = {108, 139, 171, 202, 233, 265, 296};
inline constexpr int StoreModeLeft = 548, StoreModeTop = 162, StoreModeWidth = 57, StoreModeHeight = 22;
inline constexpr int StoreButtonLeft = 549, StoreButtonTop = 191, StoreButtonWidth = 55, StoreButtonHeight = 25;

// The parameter grid inside the parameter panel.
inline constexpr int GridColumnWidth = 68, GridRowHeight = 31;
inline constexpr int CellLeft(int n) { return (n - 1) * GridColumnWidth + 3; }
inline constexpr int CellTop(int r) { return (r - 1) * GridRowHeight + 10; }
inline constexpr int MantissaWidth = 40, ExponentWidth = 20, FieldHeight = 19, SignLabelWidth = 8;
inline constexpr int ShapeListTop = (6 - 1) * GridRowHeight + 4, ShapeListWidth = 60, ShapeListHeight = 27;

inline constexpr int LinksLeft = 105, LinksTop = 357, LinksWidth = 224, LinksHeight = 174;
inline constexpr int LinkButtonSize = 18;
inline constexpr int LinkButtonLeft(int column) { return (column - 1) * LinkButtonSize + 3; }
inline constexpr int LinkButtonTop(int row) { return (row - 1) * LinkButtonSize + 3; }

inline constexpr int ParadigmBoxLeft = 584, ParadigmBoxTop = 352, ParadigmBoxWidth = 105, ParadigmBoxHeight = 113;
inline constexpr int ParadigmButtonSize = 25;
inline constexpr int ParadigmButtonLeft(int n) { return 10 + ((n - 1) % 3) * 30; }
inline constexpr int ParadigmButtonTop(int n) { return 22 + ((n - 1) / 3) * 30; }

inline constexpr int ChannelButtonSize = 22, ChannelButtonTop = 18;
inline constexpr int ChannelButtonLeft(int n) { return n * 68 + 17; }
inline constexpr int TriggerButtonWidth = 18, TriggerButtonHeight = 24, TriggerButtonTop = 16;
inline constexpr int TriggerButtonLeft(int n) { return n * 68 + 48; }
inline constexpr int ChannelLabelTop = 22;
inline constexpr int ChannelLabelLeft(int n) { return n * 68 + 39; }

inline constexpr int StatusPanelWidth = 550, PortPanelWidth = 150;

} // namespace MainLayout
