#pragma once
// The link's debug output ("Send:" and "Dialogue:" lines). Off by default;
// QT_LOGGING_RULES="kelvor9.link.debug=true" switches it on.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
