#pragma once

#include <QString>

#include <exception>

namespace karvo {

// An error with a text for the user: raised by the log files, the settings file and the editors,
// and shown by whoever catches it (a message box, or the status line on the report path).
class KarvoError : public std::exception {
public:
    explicit KarvoError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// The text of any error for the user: a KarvoError's message, the what() of any other exception.
inline QString errorText(const std::exception& error) {
    if (const auto* karvoError = dynamic_cast<const KarvoError*>(&error))
        return karvoError->message();
    return QString::fromLocal8Bit(error.what());
}

}  // namespace karvo
