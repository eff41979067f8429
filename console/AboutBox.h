#pragma once
// The about box: the program icon, the product name and the version, with
// OK to close it. A fixed dialog, centred on the screen. The version is the
// program's own (the one the caption and the package show).
#include "OtherWindows.h"

class TAboutBox : public TSecondaryWindow {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};
