#pragma once
// Small helpers for the tests: event processing with a deadline, file reading and writing.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

namespace testsupport {

// Processes Qt events until condition() holds or the timeout passes; returns condition().
bool WaitUntil(const std::function<bool()> &condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// Processes Qt events for the given time (for checks that something does NOT happen).
void ProcessEventsFor(std::chrono::milliseconds duration);

QByteArray ReadFileBytes(const QString &path);
void WriteFileBytes(const QString &path, const QByteArray &bytes);

} // namespace testsupport
