#pragma once
// The checks a remote call's arguments pass before anything is queued or
// sent: the same ranges and names as the window and the scripts. Each
// returns the checked value and raises ERemoteError (InvalidArgument) with
// the message the caller and the status bar get.
#include <QString>

#include "model/VexoClasses.h"

namespace RemoteArguments {

// Channels and paradigms 1 to 9, as on the device.
int Channel(int channel);
int Paradigm(int number);
// A script setting name of a value the channel's grid has (not the shape;
// channel 9 has no DV); its index.
int Setting(int channel, const QString& name);
// Whether the channel's grid has the setting: channel 9's ends after its
// voltage, without DV.
bool ChannelHasSetting(int channel, int setting);
// value in the setting's unit (seconds, a count, volts) as the grid takes
// it: within its field's range, a whole count, no zero where the grid
// sends none; the device value it goes out as.
TVexoValue SettingValue(int setting, double value);
// A script mode name; its index.
int Mode(const QString& name);
// A dialogue's text the device can receive.
QString DialogueText(const QString& text);
// A file name; empty is none.
QString FileName(const QString& path);

} // namespace RemoteArguments
