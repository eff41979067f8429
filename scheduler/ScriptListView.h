#pragma once
// The running script as the scheduler window shows it: one row per line,
// the next instruction to act marked with a blue triangle and blue text,
// and each jump followed in red by " [ NOW n ]", how many times it has been
// taken in the current pass (for the jump the alarm is armed for: the pass
// that its firing would start, or 0 when it will be passed over).
#include <QStyledItemDelegate>

#include "RunEngine.h"

struct TScriptRow {
    QString Text;    // the script line
    QString Counter; // " [ NOW n ]" for a jump, else empty
    bool Next = false;
};

TScriptRow ScriptRow(const TRunEngine& engine, int row);

// Draws the rows of a list whose items are the engine's lines, on the
// tooltip background colour.
class TScriptRowDelegate : public QStyledItemDelegate {
public:
    TScriptRowDelegate(const TRunEngine& engine, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TRunEngine& FEngine;
};
