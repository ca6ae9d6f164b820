#pragma once
// Small helpers for the tests: event processing with a deadline, file reading and writing.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace testsupport {

// Processes Qt events until condition() holds or the timeout passes; returns condition().
bool WaitUntil(const std::function<bool()> &condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// Processes Qt events for the given time (for checks that something does NOT happen).
void ProcessEventsFor(std::chrono::milliseconds duration);

QByteArray ReadFileBytes(const QString &path);
void WriteFileBytes(const QString &path, const QByteArray &bytes);

// For a Qt program that a test runs: under the thread sanitizer, the reports from Qt's own
// libraries are suppressed (its thread pool is not instrumented: its allocations and frees look
// like races); races with a frame in our code are still reported. The suppression file is
// written into folder. Does nothing in other builds.
void AddChildSanitizerOptions(QProcessEnvironment &environment, const QString &folder);

// Runs body in a child process as the user with that id, that group and those supplementary
// groups (the superuser passes every permission check, so tests of permissions run as someone
// else), and returns the bytes body returned. Empty optional when the child could not take on
// the user or did not finish normally. Needs root.
std::optional<QByteArray> RunAsUser(unsigned userId, unsigned groupId, const std::vector<unsigned> &groups,
                                    const std::function<QByteArray()> &body);

} // namespace testsupport
