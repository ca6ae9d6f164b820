#pragma once
// The kill loop: the real program, run from an install tree of its own with the meter
// simulator linked as one of the tree's COM ports, presses Start (tests/program/driver/
// PressStartMain.cpp) and downloads; it is killed with SIGKILL at a random moment, its result
// database is checked, and it is started again, over and over.
//
// After every kill the database must pass the engine's integrity check, keep every row it had,
// hold each received result at most once, and hold of this transfer's results exactly the
// first n that the simulator sent, each with the test number, date and values the simulator
// sent (its records are deterministic for a seed). Every start must come up and show its
// window even though the killed copy left its lock file and window socket behind.
//
// Shared by the short run of the program tests and the long run by hand (bench/kill_soak).
// Needs a QCoreApplication; runs on its thread.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>

namespace testsupport {

struct KillLoopOptions
{
    QString folder;      // an empty folder of the caller's for the tree, home and runtime folders
    QString program;     // the program with the Start-pressing driver
    QString meterSim;    // the meter simulator
    int kills = 30;
    int records = 30;             // results per transfer
    long byteMicroseconds = 300;  // the simulator's pace
    std::uint32_t seed = 1;       // picks the kill moments and the simulator's seeds
    // Share of kills made during start-up, before Start is pressed.
    double startUpShare = 0.1;
    // Called after each kill with a line about it; may be empty.
    std::function<void(const QString &)> progress;
};

struct KillLoopReport
{
    int kills = 0;
    // Where the kills landed (start-up, before the first byte, while bytes arrived, after the
    // last byte before the transfer's end, after the transfer's end) and how far the storing
    // had got (none, some or all of the transfer's results stored).
    std::map<QString, int> landings;
    std::map<QString, int> stored;
    int integrityChecks = 0;     // checks that answered "ok"
    int staleLockFiles = 0;      // kills after which the lock file was left behind
    int staleWindowSockets = 0;  // kills after which the window's socket was left behind
    int rowsAtEnd = 0;
    // Of the kills after Start, from the return of the Start click (which opens the port and
    // beeps; the simulator may already be sending by then).
    double meanMillisecondsAfterStart = 0;
    QStringList failures;        // empty when every check passed

    QString Summary() const;
};

// Runs the loop, then one last download left to finish on its own. Failures are collected (the
// loop stops at the first one, since later checks would only repeat it); an error in the setup
// (no simulator, no program) is a failure too.
KillLoopReport RunKillLoop(const KillLoopOptions &options);

} // namespace testsupport
