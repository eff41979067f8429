#pragma once
// Every file dialog the windows open, with its caption, file types, default
// suffix and overwrite question, in one table (FileDialogKinds.cpp). Some
// texts keep the spellings the operators know from the console's earlier
// versions on purpose: "Kelvor9 Paradigm" beside "Kelvor 9 Paradigm", the
// script editor's paradigm choice suggesting "kr8", "Kelvor8" script files.
#include "UserDialogs.h"

enum class TFileDialogKind {
    SaveParadigm,
    LoadParadigm,
    OpenScript,
    SaveScript,
    ScriptParadigm, // the paradigm file a script instruction loads
    SaveCsv,
    LoadCsv,
    PreviewCsv, // the waveform window's preview of a CSV file
    SaveMonitorLog,
    PrintToPdf,
};

// The dialog's options; the caller adds where it starts (startPath).
TFileDialogOptions FileDialogOptions(TFileDialogKind kind);
