#pragma once
// Helpers for the simulator's tests: a private port folder and a raw client on
// the pseudo-terminal, as a console would open it.

#include <functional>
#include <string>
#include <string_view>

namespace simtest {

// A fresh folder under /tmp, removed with its contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class PtyClient {
public:
    explicit PtyClient(const std::string& path);  // opens raw, non-blocking
    ~PtyClient();
    bool isOpen() const { return fd_ >= 0; }
    void send(std::string_view bytes);
    // Writes what the line takes of bytes, waiting up to timeoutMs for room;
    // 0 when it took nothing in that time.
    size_t sendSome(std::string_view bytes, int timeoutMs);
    // "=" and then the frame ">" + 4-digit length + text, as the console sends a command.
    void sendCommand(std::string_view text);
    // Reads until done(received) holds or the deadline passes; returns all received.
    std::string readUntil(const std::function<bool(const std::string&)>& done, int timeoutMs = 5000);
    // Reads until a complete reply frame ("<" + 4 digits + payload) has arrived.
    std::string readReplyFrame(int timeoutMs = 5000);
    // Waits for the line to hang up (POLLHUP or EIO); false on timeout.
    bool waitForHangup(int timeoutMs = 5000);

private:
    int fd_ = -1;
    std::string received_;
};

// Payload of the first complete reply frame in bytes, or "" when none.
std::string firstPayload(const std::string& bytes);

}  // namespace simtest
