#include "FileDialogKinds.h"

namespace {

struct TKindRow {
    TFileDialogKind kind;
    const char* caption;
    const char* filter; // "name|patterns|name|patterns"
    const char* defaultSuffix;
    bool confirmOverwrite;
};

// The captions and types exactly as the operators have always read them,
// blanks and spellings included.
const TKindRow Kinds[] = {
    {TFileDialogKind::SaveParadigm, "Save Paradigm", "Kelvor 9 Paradigm|*.kr9|All Files|*.*", "kr9", true},
    {TFileDialogKind::LoadParadigm, "Load Paradigm", "Kelvor9 Paradigm|*.kr9|All Files|*.*", "kr9", true},
    {TFileDialogKind::OpenScript, "Open Script File",
     "Kelvor9 Script Files|*.ks9|Kelvor8 Script Files|*.ks8|All Files|*.*", "ks8", true},
    // An existing script is replaced without a question.
    {TFileDialogKind::SaveScript, "Save Script File ", "Kelvor9 ScriptFile|*.ks9|All Files|*.*", "ks9", false},
    {TFileDialogKind::ScriptParadigm, "Select a Kelvor8 Paradigm File", "Kelvor9 Paradigm|*.kr9|All files (*.*)|*.*",
     "kr8", true},
    {TFileDialogKind::SaveCsv, "Save CSV File", "CSV Files (*.csv)|*.csv|All Files|*.*", "csv", true},
    {TFileDialogKind::LoadCsv, "Open CSV File", "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*", "", false},
    {TFileDialogKind::PreviewCsv, "Preview CSV File", "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*", "", false},
    {TFileDialogKind::SaveMonitorLog, "Save Monitor Log", "Text Files|*.txt|All Files|*.*", "txt", true},
    {TFileDialogKind::PrintToPdf, "Print to PDF File", "PDF Document|*.pdf|All Files|*.*", "pdf", true},
};

} // namespace

TFileDialogOptions FileDialogOptions(TFileDialogKind kind)
{
    TFileDialogOptions options;
    for (const TKindRow& row : Kinds) {
        if (row.kind != kind)
            continue;
        options.caption = QString::fromLatin1(row.caption);
        options.filter = QString::fromLatin1(row.filter);
        options.defaultSuffix = QString::fromLatin1(row.defaultSuffix);
        options.confirmOverwrite = row.confirmOverwrite;
    }
    return options;
}
