#pragma once
// The base of the program's exceptions: an error with a message for the user. The
// application's default error box shows message() of anything derived from it (and what() of
// any other std::exception).

#include <QString>

#include <exception>
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

// The text for the user of any exception: message() of the program's own, what() of another
// std::exception, "Unknown error" for anything else.
inline QString ErrorMessage(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const Exception *>(&error))
        return own->message();
    return QString::fromLocal8Bit(error.what());
}

inline QString ErrorMessage(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &caught) {
        return ErrorMessage(caught);
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

} // namespace platform
