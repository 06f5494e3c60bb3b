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

}  // namespace karvo
