#include "ScriptLines.h"

#include <algorithm>

TScriptLines::TScriptLines(const QStringList& lines)
    : FLines(lines)
{
    std::stable_sort(FLines.begin(), FLines.end(), Less);
}

int TScriptLines::Insert(const QString& line)
{
    const auto at = std::upper_bound(FLines.begin(), FLines.end(), line, Less);
    const int index = int(at - FLines.begin());
    FLines.insert(index, line);
    return index;
}

void TScriptLines::RemoveAt(int index)
{
    FLines.removeAt(index);
}

bool TScriptLines::Less(const QString& a, const QString& b)
{
    // Folding to lower case puts the digits and ':' before every letter.
    return a.compare(b, Qt::CaseInsensitive) < 0;
}
