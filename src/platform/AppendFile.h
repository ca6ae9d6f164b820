#pragma once
// Appending to a file that no other program may write meanwhile.

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

struct AppendFailure
{
    // True when the file could not be opened or held, false when writing failed.
    bool opening = false;
    // The system's reason, as the user reads it ("The file is in use by another program.").
    QString reason;
};

// Appends bytes to the file at path (made when missing), holding the file exclusively until
// done; a file that another program holds is refused, not waited for. Nothing when every
// byte was written.
std::optional<AppendFailure> AppendExclusively(const QString &path, const QByteArray &bytes);

} // namespace platform
