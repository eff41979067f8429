#pragma once
// Every key the console keeps in its settings store (QSettings; the
// organisation's and the program's name choose the file), in one place, so
// that no two windows share a key by accident and none is spelt twice. Keys
// already in the store of an earlier version keep their spelling.
#include <QString>

namespace SettingsKeys {

inline const QString MainPosition = QStringLiteral("Main/Position");
// Whether each entry of "Print S&cale" is checked, in the order of the menu
// (none, fit to page, screen size).
inline const QString PrintScaleChecked[3] = {QStringLiteral("Main/psNone.Checked"),
                                             QStringLiteral("Main/psFitToPage.Checked"),
                                             QStringLiteral("Main/psScreenSize.Checked")};
inline const QString MonitorPosition = QStringLiteral("Monitor/Position");
inline const QString MonitorSize = QStringLiteral("Monitor/Size");
inline const QString ScriptEditorPosition = QStringLiteral("ScriptEditor/Position");
// The script file the editor had open last.
inline const QString ScriptEditorFileName = QStringLiteral("ScriptEditor/FileName");
inline const QString SchedulerPosition = QStringLiteral("Scheduler/Position");

} // namespace SettingsKeys
