#include "support/killloop/KillLoop.h"

#include "program/WindowTitleBeacon.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "store/Statement.h"
#include "support/TestSupport.h"
#include "support/install/InstallTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

#include <exception>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <vector>

#include <csignal>
#include <sys/stat.h>

namespace testsupport {

namespace {

constexpr int kPort = 7;
// Bytes of one generated record: date line, ID, HB and HCT lines and the empty line.
constexpr int kRecordBytes = 56;

struct SentRecord
{
    QString recID;      // the number of the ID line, as the program stores it
    QString dateTime;   // the first line
    QString hb;         // the HB line
    QString hct;        // the HCT line
};

struct StoredRow
{
    QString recID, dateTime, hb, hct;
    bool hasDate = false;
    QString hbValue;

    bool operator==(const StoredRow &other) const
    {
        return recID == other.recID && dateTime == other.dateTime && hb == other.hb && hct == other.hct
               && hasDate == other.hasDate && hbValue == other.hbValue;
    }
};

class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString &text) : std::runtime_error(text.toStdString()) {}
};

// Runs the event loop until done() or the time is up; false on time-out.
bool Pump(const std::function<bool()> &done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() >= milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::usleep(500);
    }
    return true;
}

// A child whose standard output is read line by line.
class Child
{
public:
    Child(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
    {
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(program, arguments);
        if (!process_.waitForStarted(10000))
            throw Failure(program + QStringLiteral(" does not start: ") + process_.errorString());
    }
    ~Child()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    // The first line so far that starts with prefix.
    std::optional<QString> Line(const QString &prefix)
    {
        output_ += process_.readAllStandardOutput();
        for (const QByteArray &line : output_.split('\n')) {
            const QString text = QString::fromUtf8(line).trimmed();
            if (text.startsWith(prefix))
                return text;
        }
        return std::nullopt;
    }
    bool Has(const QString &prefix) { return Line(prefix).has_value(); }
    bool Running() const { return process_.state() != QProcess::NotRunning; }
    void Kill()
    {
        const qint64 pid = process_.processId();
        if (pid > 0)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        process_.waitForFinished(10000);
    }
    void Terminate()
    {
        process_.terminate();
        if (!process_.waitForFinished(10000))
            Kill();
    }
    QProcess &Process() { return process_; }
    QString Errors() { return QString::fromUtf8(process_.readAllStandardError()).trimmed(); }

private:
    QProcess process_;
    QByteArray output_;
};

QStringList GeneratorArguments(int records, std::uint32_t seed, int firstId)
{
    return {QStringLiteral("--count"), QString::number(records), QStringLiteral("--seed"), QString::number(seed),
            QStringLiteral("--first-id"), QString::number(firstId)};
}

// What the simulator sends for these options, read from its --print output.
std::vector<SentRecord> PrintedRecords(const QString &meterSim, const QStringList &generator)
{
    QProcess print;
    print.start(meterSim, QStringList{QStringLiteral("--print")} + generator);
    if (!print.waitForFinished(10000) || print.exitCode() != 0)
        throw Failure(QStringLiteral("meter-sim --print failed: ") + QString::fromUtf8(print.readAllStandardError()));
    std::vector<SentRecord> records;
    const QRegularExpression dateLine(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d"));
    for (const QByteArray &raw : print.readAllStandardOutput().split('\n')) {
        const QString line = QString::fromLatin1(raw).remove(u'\r');
        if (dateLine.match(line).hasMatch())
            records.push_back(SentRecord{{}, line, {}, {}});
        else if (records.empty())
            continue;
        else if (line.startsWith(QStringLiteral("ID: ")))
            records.back().recID = QString::number(line.mid(4).toInt());
        else if (line.startsWith(QStringLiteral("HB: ")))
            records.back().hb = line;
        else if (line.startsWith(QStringLiteral("HCT: ")))
            records.back().hct = line;
    }
    return records;
}

// The stored rows in the order they were stored, from a copy of the database and its write-ahead
// log (the next start of the program recovers the original itself), after the integrity check.
std::vector<StoredRow> CheckedRows(const QString &database, const QString &checkFolder)
{
    const QString copy = checkFolder + QStringLiteral("/HB_data1.dat");
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QFile::remove(copy + suffix);
        if (QFileInfo::exists(database + suffix) && !QFile::copy(database + suffix, copy + suffix))
            throw Failure(QStringLiteral("cannot copy ") + database + suffix);
    }
    QFile::remove(copy + QStringLiteral("-shm"));
    store::DatabaseConnection connection;
    connection.Open(copy, store::DatabasePassword());
    const QString integrity = connection.QueryText(QStringLiteral("PRAGMA integrity_check"));
    if (integrity != QStringLiteral("ok"))
        throw Failure(QStringLiteral("integrity check: ") + integrity);
    store::Statement select(connection, QStringLiteral("SELECT fRecID, fDateTime_Txt, fHB_Txt, fHCT_Txt, fDateTime, fHB "
                                                       "FROM result_log ORDER BY fID"));
    std::vector<StoredRow> rows;
    while (select.Step()) {
        rows.push_back(StoredRow{select.ColumnText(0), select.ColumnText(1), select.ColumnText(2),
                                 select.ColumnText(3), !select.ColumnIsNull(4), select.ColumnText(5)});
    }
    return rows;
}

QString Describe(const StoredRow &row)
{
    return QStringLiteral("[%1 | %2 | %3 | %4 | date %5 | HB %6]")
        .arg(row.recID, row.dateTime, row.hb, row.hct, row.hasDate ? QStringLiteral("set") : QStringLiteral("NULL"),
             row.hbValue);
}

class Loop
{
public:
    explicit Loop(const KillLoopOptions &options) : options_(options), random_(options.seed)
    {
        const QDir folder(options.folder);
        for (const char *name : {"home", "run", "check"}) {
            if (!folder.mkpath(QString::fromLatin1(name)))
                throw Failure(QStringLiteral("cannot make ") + folder.filePath(QString::fromLatin1(name)));
        }
        ::chmod(QFile::encodeName(Runtime()).constData(), 0700);
        InstallTree::Options treeOptions;
        treeOptions.program = options.program;
        tree_.emplace(folder.filePath(QStringLiteral("root")), treeOptions);
        // The simulator's port in the settings.
        QString text = QString::fromUtf8(ReadFileBytes(tree_->SettingsFile()));
        text.replace(QRegularExpression(QStringLiteral("(?m)^Port=\\d+")), QStringLiteral("Port=%1").arg(kPort));
        if (!text.contains(QStringLiteral("Port=%1").arg(kPort)))
            text += QStringLiteral("\n[COMM]\nPort=%1\n").arg(kPort);
        WriteFileBytes(tree_->SettingsFile(), text.toUtf8());

        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert(QStringLiteral("HOME"), folder.filePath(QStringLiteral("home")));
        environment_.remove(QStringLiteral("XDG_DATA_HOME"));
        environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), Runtime());
        environment_.insert(QStringLiteral("TMPDIR"), folder.filePath(QStringLiteral("home")));
        environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        AddChildSanitizerOptions(environment_, options.folder);
    }

    void Run()
    {
        double afterStart = 0;
        int afterStartKills = 0;
        for (int kill = 0; kill < options_.kills; ++kill) {
            const std::optional<double> milliseconds = KillOne(kill);
            if (milliseconds) {
                afterStart += *milliseconds;
                ++afterStartKills;
            }
            ++report.kills;
        }
        if (afterStartKills > 0)
            report.meanMillisecondsAfterStart = afterStart / afterStartKills;
        FinishOne(options_.kills);
    }

    KillLoopReport report;

private:
    QString Runtime() const { return options_.folder + QStringLiteral("/run"); }
    QString CheckFolder() const { return options_.folder + QStringLiteral("/check"); }

    int FirstId(int transfer) const { return transfer * options_.records + 1; }

    std::unique_ptr<Child> StartSimulator(int transfer)
    {
        const QStringList generator =
            GeneratorArguments(options_.records, options_.seed * 7919u + static_cast<std::uint32_t>(transfer),
                               FirstId(transfer));
        for (const SentRecord &record : PrintedRecords(options_.meterSim, generator))
            sent_[record.recID] = record;
        auto simulator = std::make_unique<Child>(
            options_.meterSim,
            QStringList{QStringLiteral("--ports-dir"), tree_->PortsFolder(), QStringLiteral("--com"),
                        QString::number(kPort), QStringLiteral("--byte-us"), QString::number(options_.byteMicroseconds)}
                + generator,
            environment_);
        if (!Pump([&] { return simulator->Has(QStringLiteral("WAITING")) || !simulator->Running(); }, 10000)
            || !simulator->Running())
            throw Failure(QStringLiteral("the simulator does not wait for a reader: ") + simulator->Errors());
        return simulator;
    }

    // Waits until the program shows its window and has pressed Start; checks its window socket.
    void WaitForStart(Child &program, int transfer)
    {
        if (!Pump([&] { return program.Has(QStringLiteral("started")) || program.Has(QStringLiteral("not started"))
                                   || program.Has(QStringLiteral("ended")) || !program.Running(); },
                  60000))
            throw Failure(QStringLiteral("start %1: no window within a minute").arg(transfer + 1));
        if (!program.Running())
            throw Failure(QStringLiteral("start %1: the program ended instead of showing its window (exit %2): %3")
                              .arg(transfer + 1)
                              .arg(program.Process().exitCode())
                              .arg(program.Errors()));
        if (!program.Has(QStringLiteral("started")))
            throw Failure(QStringLiteral("start %1: Start did not switch reading on").arg(transfer + 1));
        const QString title = program.Line(QStringLiteral("window ")).value_or(QString()).mid(7);
        if (!QFileInfo::exists(WindowTitleBeacon::ServerNameFor(title, Runtime())))
            throw Failure(QStringLiteral("start %1: the window \"%2\" does not listen on its socket").arg(transfer + 1).arg(title));
        title_ = title;
    }

    // One start, download and kill; the time from Start to the kill, unless the kill came
    // during start-up.
    std::optional<double> KillOne(int transfer)
    {
        auto simulator = StartSimulator(transfer);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        const bool duringStartUp = unit(random_) < options_.startUpShare;
        const double sendMilliseconds = options_.records * kRecordBytes * options_.byteMicroseconds / 1000.0;

        Child program(tree_->Program(), {}, environment_);
        std::optional<double> afterStart;
        QString landing;
        if (duringStartUp) {
            const int delay = static_cast<int>(unit(random_) * 400);
            Pump([] { return false; }, delay);
            landing = program.Has(QStringLiteral("started")) ? QString() : QStringLiteral("start-up");
        } else {
            WaitForStart(program, transfer);
        }
        if (landing.isEmpty()) {
            QElapsedTimer sinceStart;
            sinceStart.start();
            const int delay = static_cast<int>(unit(random_) * (sendMilliseconds * 1.15 + 150));
            Pump([] { return false; }, delay);
            if (program.Has(QStringLiteral("ended")))
                landing = QStringLiteral("after the transfer's end");
            else if (simulator->Has(QStringLiteral("SENT")))
                landing = QStringLiteral("after the last byte");
            else if (simulator->Has(QStringLiteral("SENDING")))
                landing = QStringLiteral("while bytes arrived");
            else
                landing = QStringLiteral("before the first byte");
            afterStart = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;
        }
        if (!program.Running())
            throw Failure(QStringLiteral("kill %1: the program had ended by itself (exit %2): %3")
                              .arg(transfer + 1)
                              .arg(program.Process().exitCode())
                              .arg(program.Errors()));
        program.Kill();
        ++report.landings[landing];

        // The simulator sees the port closed and ends; one still waiting for a reader is told to.
        if (!Pump([&] { return !simulator->Running(); }, 3000))
            simulator->Terminate();

        if (QFileInfo::exists(tree_->LockFile()))
            ++report.staleLockFiles;
        if (!title_.isEmpty() && QFileInfo::exists(WindowTitleBeacon::ServerNameFor(title_, Runtime())))
            ++report.staleWindowSockets;

        const int before = static_cast<int>(rows_.size());
        CheckDatabase(transfer, QStringLiteral("kill %1 (%2)").arg(transfer + 1).arg(landing));
        const int stored = static_cast<int>(rows_.size()) - before;
        ++report.stored[stored == 0 ? QStringLiteral("none") : stored == options_.records ? QStringLiteral("all")
                                                                                           : QStringLiteral("some")];
        if (options_.progress) {
            options_.progress(QStringLiteral("kill %1: %2, %3 ms after the Start click returned, rows %4 -> %5")
                                  .arg(transfer + 1)
                                  .arg(landing)
                                  .arg(afterStart ? QString::number(*afterStart, 'f', 0) : QStringLiteral("-"))
                                  .arg(before)
                                  .arg(rows_.size()));
        }
        return afterStart;
    }

    // The last start: the download runs to its end and every result of it is stored; the
    // program then ends normally.
    void FinishOne(int transfer)
    {
        auto simulator = StartSimulator(transfer);
        Child program(tree_->Program(), {}, environment_);
        WaitForStart(program, transfer);
        if (!Pump([&] { return program.Has(QStringLiteral("ended")) || !program.Running(); }, 60000)
            || !program.Running())
            throw Failure(QStringLiteral("the last download did not end: ") + program.Errors());
        program.Terminate();
        if (program.Process().exitStatus() != QProcess::NormalExit || program.Process().exitCode() != 0)
            throw Failure(QStringLiteral("the program did not end normally after the last download: ") + program.Errors());
        if (!Pump([&] { return !simulator->Running(); }, 3000))
            simulator->Terminate();
        const int before = static_cast<int>(rows_.size());
        CheckDatabase(transfer, QStringLiteral("the last download"));
        if (static_cast<int>(rows_.size()) - before != options_.records)
            throw Failure(QStringLiteral("the last download stored %1 of %2 results")
                              .arg(static_cast<int>(rows_.size()) - before)
                              .arg(options_.records));
        report.rowsAtEnd = static_cast<int>(rows_.size());
    }

    void CheckDatabase(int transfer, const QString &when)
    {
        std::vector<StoredRow> rows;
        try {
            rows = CheckedRows(tree_->Database(), CheckFolder());
        } catch (const Failure &) {
            throw;
        } catch (const std::exception &error) {
            throw Failure(when + QStringLiteral(": the database does not open: ") + QString::fromUtf8(error.what()));
        }
        ++report.integrityChecks;
        if (rows.size() < rows_.size())
            throw Failure(QStringLiteral("%1: the row count went down from %2 to %3").arg(when).arg(rows_.size()).arg(rows.size()));
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (!(rows[i] == rows_[i]))
                throw Failure(QStringLiteral("%1: stored row %2 changed from %3 to %4")
                                  .arg(when)
                                  .arg(i + 1)
                                  .arg(Describe(rows_[i]), Describe(rows[i])));
        }
        std::set<QString> seen;
        for (const StoredRow &row : rows) {
            if (!seen.insert(row.recID).second)
                throw Failure(QStringLiteral("%1: result %2 is stored twice").arg(when, row.recID));
            const auto sent = sent_.find(row.recID);
            if (sent == sent_.end())
                throw Failure(QStringLiteral("%1: a stored row the simulator never sent: %2").arg(when, Describe(row)));
            const SentRecord &record = sent->second;
            if (row.dateTime != record.dateTime || row.hb != record.hb || row.hct != record.hct || !row.hasDate
                || row.hbValue.isEmpty())
                throw Failure(QStringLiteral("%1: row %2 differs from what was sent (%3 | %4 | %5)")
                                  .arg(when, Describe(row), record.dateTime, record.hb, record.hct));
        }
        // The rows of this transfer: the first n results sent, in order, none left out.
        for (std::size_t i = rows_.size(); i < rows.size(); ++i) {
            const QString expected = QString::number(FirstId(transfer) + static_cast<int>(i - rows_.size()));
            if (rows[i].recID != expected)
                throw Failure(QStringLiteral("%1: the transfer's row %2 is result %3, not %4")
                                  .arg(when)
                                  .arg(i - rows_.size() + 1)
                                  .arg(rows[i].recID, expected));
        }
        rows_ = std::move(rows);
    }

    const KillLoopOptions &options_;
    std::mt19937 random_;
    std::optional<InstallTree> tree_;
    QProcessEnvironment environment_;
    std::map<QString, SentRecord> sent_;
    std::vector<StoredRow> rows_;
    QString title_;
};

} // namespace

QString KillLoopReport::Summary() const
{
    QString text = QStringLiteral("kills: %1, integrity checks ok: %2, rows at the end: %3\n").arg(kills).arg(integrityChecks).arg(rowsAtEnd);
    text += QStringLiteral("landed:");
    for (const auto &[where, count] : landings)
        text += QStringLiteral(" %1 %2;").arg(where).arg(count);
    text += QStringLiteral("\nresults of the killed transfer stored:");
    for (const auto &[how, count] : stored)
        text += QStringLiteral(" %1 %2;").arg(how).arg(count);
    text += QStringLiteral("\nmean time from the Start click's return to the kill: %1 ms\n").arg(meanMillisecondsAfterStart, 0, 'f', 0);
    text += QStringLiteral("left behind: lock file %1 times, window socket %2 times\n").arg(staleLockFiles).arg(staleWindowSockets);
    text += failures.isEmpty() ? QStringLiteral("failures: none\n")
                               : QStringLiteral("failures:\n  ") + failures.join(QStringLiteral("\n  ")) + u'\n';
    return text;
}

KillLoopReport RunKillLoop(const KillLoopOptions &options)
{
    KillLoopReport report;
    try {
        Loop loop(options);
        try {
            loop.Run();
        } catch (const std::exception &error) {
            loop.report.failures << QString::fromUtf8(error.what());
        }
        report = loop.report;
    } catch (const std::exception &error) {
        report.failures << QString::fromUtf8(error.what());
    }
    return report;
}

} // namespace testsupport
