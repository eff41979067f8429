#pragma once
// Errors raised by the console's operations. They carry the message that the
// application's top-level handler shows in an error box.
#include <QString>
#include <stdexcept>

class EKelvorError : public std::runtime_error {
public:
    explicit EKelvorError(const QString& message)
        : std::runtime_error(message.toStdString()), FMessage(message) {}
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};

// A text that does not convert to a number. The messages follow the wording
// the operators know: "'%s' is not a valid integer value" and
// "'%s' is not a valid floating point value".
class EConvertError : public EKelvorError {
public:
    using EKelvorError::EKelvorError;
    static EConvertError NotInteger(const QString& text)
    {
        return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    static EConvertError NotFloat(const QString& text)
    {
        return EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    }
};

// A file that cannot be opened, read or written.
class EFileError : public EKelvorError {
public:
    using EKelvorError::EKelvorError;
};

// Ends an operation without a box of its own: its message has been (or will
// be) shown another way, for instance the one box that reports a lost line.
// The top-level handler ignores it; code that records outcomes may read it.
class ESilentAbort : public EKelvorError {
public:
    using EKelvorError::EKelvorError;
};
