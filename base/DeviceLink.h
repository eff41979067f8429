#pragma once
// The narrow view of the device link that the model and the run engine use:
// a blocking command/reply exchange and a fire-and-forget send.
#include <QString>

class TDeviceLink {
public:
    virtual ~TDeviceLink() = default;

    // Sends Command as a dialogue (framed, with the reply request "R"
    // appended) and waits for the reply frame. Returns the payload, or an
    // empty text when no complete reply arrived in time or no device exists.
    // Port failures and a malformed length field raise EKelvorError.
    virtual QString Dialogue(const QString& command) = 0;

    // Sends Text in one frame without awaiting a reply.
    virtual void SendCommand(const QString& text) = 0;
};
