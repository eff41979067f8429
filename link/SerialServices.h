#pragma once
// The operating system's serial device services, behind one small interface so
// that the port component holds no system calls of its own. Every call returns
// 0 on success or the system error number (errno) on failure.
#include <QString>
#include <termios.h>

class TSerialServices {
public:
    virtual ~TSerialServices() = default;

    // Opens the device for reading and writing, non-blocking, without making it
    // the controlling terminal. Returns the descriptor in fd.
    virtual int OpenDevice(const QString& path, int& fd) = 0;
    virtual int CloseDevice(int fd) = 0;
    virtual bool IsCharacterDevice(int fd) = 0;
    // Takes the line for this process alone: TIOCEXCL (ignored where the
    // terminal does not know it) and a non-blocking exclusive flock.
    virtual int TakeExclusive(int fd) = 0;

    virtual int GetLine(int fd, termios& settings) = 0;
    virtual int SetLine(int fd, const termios& settings) = 0;
    // Speeds without a Bnnn constant (14400, 56000, 128000, 256000).
    virtual int SetCustomSpeed(int fd, int bitsPerSecond) = 0;

    virtual int BytesWaiting(int fd, int& count) = 0;
    // Reads what is waiting, at most size bytes; count 0 when nothing waits.
    virtual int ReadSome(int fd, char* buffer, int size, int& count) = 0;
    // Writes size bytes, waiting for room at most timeoutMs at a time: a long
    // frame at line speed takes as long as the wire needs, while a line that
    // takes nothing for timeoutMs ends the write. count is what was written
    // (less than size when the line stopped taking bytes).
    virtual int WriteAll(int fd, const char* buffer, int size, int timeoutMs, int& count) = 0;
    // Discards both queues.
    virtual int Purge(int fd) = 0;
    // Raises or lowers one modem line (TIOCM_DTR, TIOCM_RTS).
    virtual int SetModemLine(int fd, int line, bool on) = 0;
    // Asks the driver to deliver received bytes without its latency timer.
    virtual int SetLowLatency(int fd) = 0;
    // True when the other end is gone (POLLHUP seen right now).
    virtual bool HungUp(int fd) = 0;
};

// The POSIX implementation the console uses.
TSerialServices& PosixSerialServices();
