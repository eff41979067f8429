#pragma once
// A serial device that exists only in memory: the port component's system
// calls land here, and the test sets what each of them answers.
#include "link/SerialServices.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

class TFakeSerialServices final : public TSerialServices {
public:
    termios Line {};                // what the device holds
    std::vector<std::string> Calls; // the line-setting calls, in order
    int GetLineError = 0, SetLineError = 0, CustomSpeedError = 0;
    // ReadSome hands out Incoming, or answers ReadError when that is set.
    std::string Incoming;
    int ReadError = 0, WaitingError = 0;
    // WriteAll takes at most Room bytes; then it answers WriteError, where 0
    // means the time ran out while the line stayed full (EAGAIN throughout).
    std::string Written;
    int Room = INT_MAX, WriteError = 0, WriteTimeoutSeen = -1;

    // The event thread watches the descriptor: a quiet eventfd never wakes it.
    int OpenDevice(const QString&, int& fd) override
    {
        fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        return 0;
    }
    int CloseDevice(int fd) override { return ::close(fd); }
    bool IsCharacterDevice(int) override { return true; }
    int TakeExclusive(int) override { return 0; }

    int GetLine(int, termios& settings) override
    {
        Calls.push_back("GetLine");
        settings = Line;
        return GetLineError;
    }
    int SetLine(int, const termios& settings) override
    {
        Calls.push_back("SetLine");
        if (!SetLineError)
            Line = settings;
        return SetLineError;
    }
    int SetCustomSpeed(int, int bitsPerSecond) override
    {
        Calls.push_back("SetCustomSpeed " + std::to_string(bitsPerSecond));
        return CustomSpeedError;
    }

    int BytesWaiting(int, int& count) override
    {
        count = WaitingError ? 0 : int(Incoming.size());
        return WaitingError;
    }
    int ReadSome(int, char* buffer, int size, int& count) override
    {
        count = 0;
        if (ReadError)
            return ReadError;
        count = std::min(size, int(Incoming.size()));
        std::memcpy(buffer, Incoming.data(), size_t(count));
        Incoming.erase(0, size_t(count));
        return 0;
    }
    int WriteAll(int, const char* buffer, int size, int timeoutMs, int& count) override
    {
        WriteTimeoutSeen = timeoutMs;
        count = std::min(size, Room);
        Written.append(buffer, size_t(count));
        Room -= count;
        return count < size ? WriteError : 0;
    }
    int Purge(int) override { return 0; }
    int SetModemLine(int, int, bool) override { return 0; }
    int SetLowLatency(int) override { return 0; }
    bool HungUp(int) override { return false; }
};
