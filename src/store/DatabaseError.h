#pragma once
// The error of the result database: a failed open, a wrong key, a damaged file, a missing
// column, a failed write. The message names what failed and carries the engine's own reason.

#include "platform/Exception.h"

namespace store {

class DatabaseError : public platform::Exception
{
public:
    // resultCode: the engine's extended result code, or 0 when the error is the program's own
    // (a schema check, an operation in the wrong state). reason: the engine's own words for
    // the failure ("database or disk is full"), empty for the program's own errors.
    explicit DatabaseError(const QString &message, int resultCode = 0, const QString &reason = QString())
        : platform::Exception(message), resultCode_(resultCode), reason_(reason)
    {
    }
    int resultCode() const { return resultCode_; }
    const QString &reason() const { return reason_; }

private:
    int resultCode_;
    QString reason_;
};

} // namespace store
