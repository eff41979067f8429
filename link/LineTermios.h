#pragma once
// How the port's line settings become a terminal's settings. Pure: it only
// computes; the port component reads the device's settings and applies these.
#include "CommInt.h"

#include <termios.h>

// The port's settings that shape the line.
struct TLineSettings {
    TBaudrate BaudRate;
    TParity Parity;
    TStopbits Stopbits;
    TDatabits Databits;
    TFlowControl FlowControl;
    TCommOptions Options;
    char XonChar, XoffChar, EofChar;
};

struct TLineTermios {
    termios Settings {};
    // A rate without a Bnnn constant, to be set after Settings (they keep the
    // device's current rate); 0 when Settings carry the rate.
    int CustomSpeed = 0;
    // EINVAL when the line cannot carry the framing; nothing is applied then.
    int Error = 0;
};

// current is what the device holds now: the starting point, and the
// handshake that fcDefault keeps.
TLineTermios LineTermios(const termios& current, const TLineSettings& wanted);
