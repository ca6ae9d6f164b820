#pragma once
// The base of the program's exceptions: an error with a message for the user. The
// application's default error box shows message() of anything derived from it (and what() of
// any other std::exception).

#include <QString>

#include <stdexcept>

namespace platform {

class Exception : public std::runtime_error
{
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString()), message_(message)
    {
    }
    const QString &message() const { return message_; }

private:
    QString message_;
};

} // namespace platform
