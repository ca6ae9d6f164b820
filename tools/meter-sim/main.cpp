// meter-sim: a stand-in for the hemoglobin meter. It offers a pseudo-terminal (optionally
// linked as <ports folder>/COMn, where the program looks for its COM ports) or writes to a
// real serial port, and sends meter records at the pace of a 9600 baud line once a reader
// has opened the port, on a key press, or at once.
//
// Status lines on standard output, one per event, for people and for tests:
//   PORT <device>      the pseudo-terminal to open
//   LINK <path>        the link made to it
//   WAITING            waiting for a reader (or a key)
//   SENDING <n>        starting to send n bytes
//   SENT <n>           all n bytes are written
//   CLOSED             the reader closed the port
// Exit status: 0 done or interrupted, 1 the reader closed the port before everything was
// sent, 2 bad options or a port that cannot be used.

#include "MeterRecords.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace {

enum class Start { Open, Key, Now };

struct Options
{
    QByteArray stream;
    QString device;     // real serial port; empty: a pseudo-terminal
    QString link;       // link to the pseudo-terminal; empty: none
    Start start = Start::Open;
    long byteMicroseconds = 1042; // 10 bits at 9600 baud
    int settleMs = 1000;
    bool repeat = false;
};

void Status(const QString &line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

[[noreturn]] void Fail(const QString &message)
{
    std::fprintf(stderr, "meter-sim: %s\n", qPrintable(message));
    std::exit(2);
}

std::int64_t NowMicroseconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Everything that must be undone on the way out.
struct Session
{
    int port = -1;
    bool isPty = false;
    int signalFd = -1;
    int closeWatch = -1; // inotify on the pseudo-terminal: every close of the reader's side
    QString link;
    QString ptyPath;

    ~Session()
    {
        removeLink();
        if (port >= 0)
            ::close(port);
        if (closeWatch >= 0)
            ::close(closeWatch);
    }

    void removeLink()
    {
        // Only a link that still points to this run's pseudo-terminal is ours to remove.
        if (!link.isEmpty() && QFileInfo(link).isSymLink() && QFileInfo(link).symLinkTarget() == ptyPath)
            QFile::remove(link);
        link.clear();
    }
};

enum class Wake { Signal, Port, Input, Closed, Timeout };

// Waits for the port (events), standard input (when asked) or a signal, at most timeoutMs
// (-1: no limit).
Wake WaitFor(const Session &s, short events, bool input, int timeoutMs, short *revents = nullptr)
{
    pollfd fds[4] = {{s.signalFd, POLLIN, 0},
                     {events ? s.port : -1, events, 0},
                     {input ? 0 : -1, POLLIN, 0},
                     {s.closeWatch, POLLIN, 0}};
    for (;;) {
        const int r = ::poll(fds, 4, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            Fail(QStringLiteral("poll: ") + ErrorText(errno));
        if (r == 0)
            return Wake::Timeout;
        if (fds[0].revents)
            return Wake::Signal;
        if (revents)
            *revents = fds[1].revents;
        if (fds[3].revents)
            return Wake::Closed;
        if (fds[1].revents)
            return Wake::Port;
        return Wake::Input;
    }
}

// Reads what the pseudo-terminal's master holds: control packets (the reader flushed its
// input) and bytes the reader wrote, which are dropped. True when a flush of the reader's
// input was seen.
bool DrainMaster(const Session &s)
{
    bool flushed = false;
    unsigned char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(s.port, buffer, sizeof buffer);
        if (n <= 0)
            return flushed;
        if (buffer[0] != TIOCPKT_DATA && (buffer[0] & TIOCPKT_FLUSHREAD))
            flushed = true;
    }
}

// Reads the queued close notifications; true when the reader's side was closed since the last
// look. Unlike the master's hang-up state, these are not missed when a reader closes and
// reopens the port quickly.
bool ReaderClosedSince(const Session &s)
{
    bool closed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(s.closeWatch, buffer, sizeof buffer);
        if (n <= 0)
            return closed;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->mask & IN_CLOSE)
                closed = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

bool ReaderPresent(const Session &s)
{
    pollfd p{s.port, 0, 0};
    ::poll(&p, 1, 0);
    return !(p.revents & POLLHUP);
}

// Waits until a reader has the pseudo-terminal open and has flushed its input (as a port
// opened by the program does), or the settle time has passed after the open. False on a
// signal.
bool WaitForReader(const Session &s, int settleMs)
{
    for (;;) {
        // No reader: the master reports a hang-up continuously, so look again every 5 ms.
        while (!ReaderPresent(s)) {
            DrainMaster(s); // stale packets and notifications of an earlier reader
            ReaderClosedSince(s);
            if (WaitFor(s, 0, false, 5) == Wake::Signal)
                return false;
        }
        ReaderClosedSince(s); // closes before this reader's open are of no interest
        const std::int64_t deadline = NowMicroseconds() + static_cast<std::int64_t>(settleMs) * 1000;
        for (;;) {
            const std::int64_t left = (deadline - NowMicroseconds()) / 1000;
            if (left <= 0)
                return true;
            short revents = 0;
            const Wake wake = WaitFor(s, POLLIN, false, static_cast<int>(left), &revents);
            if (wake == Wake::Signal)
                return false;
            if (wake == Wake::Timeout)
                return true;
            if (wake == Wake::Closed) {
                ReaderClosedSince(s);
                DrainMaster(s);
                break; // the reader went away again
            }
            if (DrainMaster(s))
                return true;
            if (revents & POLLHUP)
                break;
        }
    }
}

bool WaitForKey(const Session &s)
{
    std::fprintf(stderr, "meter-sim: press Enter to send\n");
    for (;;) {
        const Wake wake = WaitFor(s, s.isPty ? POLLIN : 0, true, -1);
        if (wake == Wake::Signal)
            return false;
        if (wake == Wake::Closed) {
            ReaderClosedSince(s);
            continue;
        }
        if (wake == Wake::Port) {
            if (!ReaderPresent(s))
                WaitFor(s, 0, true, 5); // nobody there: do not spin on the hang-up
            DrainMaster(s);
            continue;
        }
        char line[256];
        if (::read(0, line, sizeof line) <= 0)
            return false; // end of input
        return true;
    }
}

enum class SendResult { Done, ReaderClosed, Signal };

SendResult Send(const Session &s, const QByteArray &stream, long byteMicroseconds)
{
    Status(QStringLiteral("SENDING %1").arg(stream.size()));
    const std::int64_t start = NowMicroseconds();
    qsizetype sent = 0;
    while (sent < stream.size()) {
        qsizetype due = stream.size();
        std::int64_t nextDue = -1;
        if (byteMicroseconds > 0) {
            const std::int64_t elapsed = NowMicroseconds() - start;
            due = std::min<qsizetype>(stream.size(), static_cast<qsizetype>(elapsed / byteMicroseconds) + 1);
            nextDue = start + static_cast<std::int64_t>(due) * byteMicroseconds;
        }
        bool blocked = false;
        if (sent < due) {
            const ssize_t n = ::write(s.port, stream.constData() + sent, static_cast<size_t>(due - sent));
            if (n > 0)
                sent += n;
            else if (n < 0 && (errno == EAGAIN || errno == EINTR))
                blocked = errno == EAGAIN;
            else if (n < 0 && errno == EIO && s.isPty)
                return SendResult::ReaderClosed;
            else if (n < 0)
                Fail(QStringLiteral("write: ") + ErrorText(errno));
        }
        if (sent >= stream.size())
            break;
        if (s.isPty && !ReaderPresent(s))
            return SendResult::ReaderClosed;

        int timeoutMs = 0;
        short events = s.isPty ? POLLIN : 0;
        if (blocked) {
            events |= POLLOUT;
            timeoutMs = -1;
        } else if (sent >= due && nextDue >= 0) {
            timeoutMs = static_cast<int>(std::max<std::int64_t>(0, (nextDue - NowMicroseconds() + 999) / 1000));
        }
        if (timeoutMs != 0) {
            const Wake wake = WaitFor(s, events, false, timeoutMs);
            if (wake == Wake::Signal)
                return SendResult::Signal;
            if (wake == Wake::Closed && ReaderClosedSince(s))
                return SendResult::ReaderClosed;
            if (s.isPty)
                DrainMaster(s);
        }
    }
    if (!s.isPty)
        ::tcdrain(s.port);
    Status(QStringLiteral("SENT %1").arg(stream.size()));
    return SendResult::Done;
}

// After sending, the pseudo-terminal stays until the reader closes it: closing it earlier
// would throw away whatever the reader has not read yet.
bool WaitForClose(const Session &s)
{
    for (;;) {
        // The packets still queued belong to the closing reader (its last input flush), or
        // to a reader that has already opened again: either way they are dropped, and the
        // next reader is then sent to after the settle time at the latest.
        if (ReaderClosedSince(s) || !ReaderPresent(s)) {
            DrainMaster(s);
            Status(QStringLiteral("CLOSED"));
            return true;
        }
        const Wake wake = WaitFor(s, POLLIN, false, -1);
        if (wake == Wake::Signal)
            return false;
        if (wake == Wake::Port)
            DrainMaster(s);
    }
}

void OpenPty(Session &s)
{
    termios raw{};
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&raw, B9600);
    int slave = -1;
    char name[256] = {};
    if (::openpty(&s.port, &slave, name, &raw, nullptr) != 0)
        Fail(QStringLiteral("cannot create a pseudo-terminal: ") + ErrorText(errno));
    ::close(slave); // the reader opens it by name
    ::fcntl(s.port, F_SETFL, ::fcntl(s.port, F_GETFL) | O_NONBLOCK);
    ::fcntl(s.port, F_SETFD, FD_CLOEXEC);
    int on = 1;
    ::ioctl(s.port, TIOCPKT, &on);
    s.isPty = true;
    s.ptyPath = QString::fromLocal8Bit(name);
    s.closeWatch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (s.closeWatch < 0 || ::inotify_add_watch(s.closeWatch, name, IN_CLOSE) < 0)
        Fail(QStringLiteral("cannot watch the pseudo-terminal: ") + ErrorText(errno));
    Status(QStringLiteral("PORT ") + s.ptyPath);
}

void MakeLink(Session &s, const QString &link)
{
    const QFileInfo info(link);
    if (info.isSymLink())
        QFile::remove(link); // left over from an earlier run
    else if (info.exists())
        Fail(link + QStringLiteral(" exists and is not a link; not replacing it"));
    QDir().mkpath(info.absolutePath());
    if (::symlink(QFile::encodeName(s.ptyPath).constData(), QFile::encodeName(link).constData()) != 0)
        Fail(QStringLiteral("cannot create the link ") + link + QStringLiteral(": ") + ErrorText(errno));
    s.link = link;
    Status(QStringLiteral("LINK ") + link);
}

void OpenDevice(Session &s, const QString &device)
{
    s.port = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s.port < 0)
        Fail(QStringLiteral("cannot open ") + device + QStringLiteral(": ") + ErrorText(errno) +
             (errno == EACCES ? QStringLiteral(" (add the user to the dialout group)") : QString()));
    termios t{};
    if (::tcgetattr(s.port, &t) != 0)
        Fail(device + QStringLiteral(" is not a serial port"));
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    ::cfsetspeed(&t, B9600);
    ::tcsetattr(s.port, TCSANOW, &t);
    Status(QStringLiteral("PORT ") + device);
}

Options ParseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates the hemoglobin meter: sends meter records over a pseudo-terminal or a serial port.\n"
        "By default it creates a pseudo-terminal, prints its device (PORT line), waits until a reader\n"
        "opens it and sends 10 generated records at 9600 baud pace, then waits for the reader to close\n"
        "the port. Ctrl+C ends it at any time and removes the link it made.\n\n"
        "Example: meter-sim --ports-dir build/default/KELODATA/ports --com 5 --count 25 --second-hct 0.3"));
    parser.addHelpOption();
    const QCommandLineOption deviceOption(QStringLiteral("device"),
                                          QStringLiteral("Send through this serial port instead of a pseudo-terminal."),
                                          QStringLiteral("path"));
    const QCommandLineOption linkOption(QStringLiteral("link"),
                                        QStringLiteral("Make a link <path> to the pseudo-terminal (removed on exit)."),
                                        QStringLiteral("path"));
    const QCommandLineOption portsOption(QStringLiteral("ports-dir"),
                                         QStringLiteral("Ports folder for --com (the program's KELODATA/ports)."),
                                         QStringLiteral("folder"));
    const QCommandLineOption comOption(QStringLiteral("com"), QStringLiteral("Link the pseudo-terminal as COM<n> in --ports-dir."),
                                       QStringLiteral("n"));
    const QCommandLineOption startOption(
        QStringLiteral("start"),
        QStringLiteral("When to send: open (a reader opened the port; pseudo-terminal only), key (Enter pressed), "
                       "now. Default: open for a pseudo-terminal, key for a serial port."),
        QStringLiteral("when"));
    const QCommandLineOption settleOption(QStringLiteral("settle-ms"),
                                          QStringLiteral("With --start open: longest wait for the reader to flush its "
                                                         "input after opening (default 1000)."),
                                          QStringLiteral("ms"));
    const QCommandLineOption byteOption(QStringLiteral("byte-us"),
                                        QStringLiteral("Microseconds per byte (default 1042, 9600 baud; 0 = full speed)."),
                                        QStringLiteral("us"));
    const QCommandLineOption fastOption(QStringLiteral("fast"), QStringLiteral("Send at full speed (same as --byte-us 0)."));
    const QCommandLineOption repeatOption(QStringLiteral("repeat"),
                                          QStringLiteral("Send again each time a reader opens the port (or a key is pressed)."));
    const QCommandLineOption printOption(QStringLiteral("print"),
                                         QStringLiteral("Write the records to standard output and exit."));
    const QCommandLineOption fileOption(QStringLiteral("file"),
                                        QStringLiteral("Send the records in this file (each line gets CR LF; an empty "
                                                       "line ends a record)."),
                                        QStringLiteral("path"));
    const QCommandLineOption rawOption(QStringLiteral("raw"), QStringLiteral("With --file: send the bytes unchanged."));
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Generated records (default 10)."),
                                         QStringLiteral("n"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Random seed (default 1)."),
                                        QStringLiteral("n"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QStringLiteral("First test date (default 2024-01-01)."),
                                        QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption toOption(QStringLiteral("to"), QStringLiteral("Last test date (default 2024-12-31)."),
                                      QStringLiteral("yyyy-mm-dd"));
    const QCommandLineOption firstIdOption(QStringLiteral("first-id"),
                                           QStringLiteral("Test number of the first record (default 1)."),
                                           QStringLiteral("n"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Times with seconds."));
    const QCommandLineOption flagsOption(QStringLiteral("flags"),
                                         QStringLiteral("Comma-separated value flags (default H,L,<,>; empty: none)."),
                                         QStringLiteral("list"));
    const QCommandLineOption flagRateOption(QStringLiteral("flag-rate"),
                                            QStringLiteral("Share of values with a flag, 0 to 1 (default 0.1)."),
                                            QStringLiteral("rate"));
    const QCommandLineOption unitsOption(QStringLiteral("units"),
                                         QStringLiteral("Comma-separated HB units to pick from: g/dL, mmol/L, g/L "
                                                        "(default g/dL). HCT is always in %."),
                                         QStringLiteral("list"));
    const QCommandLineOption secondHctOption(QStringLiteral("second-hct"),
                                             QStringLiteral("Share of records with a second HCT line (default 0)."),
                                             QStringLiteral("rate"));
    const QCommandLineOption malformedOption(QStringLiteral("malformed"),
                                             QStringLiteral("Malformed records to mix in (default 0)."),
                                             QStringLiteral("n"));
    parser.addOptions({deviceOption, linkOption, portsOption, comOption, startOption, settleOption, byteOption,
                       fastOption, repeatOption, printOption, fileOption, rawOption, countOption, seedOption,
                       fromOption, toOption, firstIdOption, secondsOption, flagsOption, flagRateOption, unitsOption,
                       secondHctOption, malformedOption});
    if (!parser.parse(app.arguments()))
        Fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        Fail(QStringLiteral("unexpected argument ") + parser.positionalArguments().first() +
             QStringLiteral(" (see --help)"));

    auto number = [&](const QCommandLineOption &option, long low, long high, long fallback) {
        if (!parser.isSet(option))
            return fallback;
        bool ok = false;
        const long value = parser.value(option).toLong(&ok);
        if (!ok || value < low || value > high)
            Fail(QStringLiteral("--%1 needs a number from %2 to %3").arg(option.names().first()).arg(low).arg(high));
        return value;
    };
    auto rate = [&](const QCommandLineOption &option, double fallback) {
        if (!parser.isSet(option))
            return fallback;
        bool ok = false;
        const double value = parser.value(option).toDouble(&ok);
        if (!ok || value < 0 || value > 1)
            Fail(QStringLiteral("--%1 needs a share from 0 to 1").arg(option.names().first()));
        return value;
    };
    auto date = [&](const QCommandLineOption &option, QDate fallback) {
        if (!parser.isSet(option))
            return fallback;
        const QDate value = QDate::fromString(parser.value(option), QStringLiteral("yyyy-MM-dd"));
        if (!value.isValid())
            Fail(QStringLiteral("--%1 needs a date as yyyy-mm-dd").arg(option.names().first()));
        return value;
    };

    Options options;
    if (parser.isSet(fileOption)) {
        QFile file(parser.value(fileOption));
        if (!file.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("cannot read ") + file.fileName() + QStringLiteral(": ") + file.errorString());
        options.stream = RecordsFromFile(file.readAll(), parser.isSet(rawOption));
    } else {
        GeneratorOptions g;
        g.count = static_cast<int>(number(countOption, 0, 1000000, g.count));
        g.seed = static_cast<std::uint32_t>(number(seedOption, 0, 0xFFFFFFFFL, g.seed));
        g.from = date(fromOption, g.from);
        g.to = date(toOption, g.to);
        g.firstId = static_cast<int>(number(firstIdOption, 0, 99999999, g.firstId));
        g.seconds = parser.isSet(secondsOption);
        if (parser.isSet(flagsOption))
            g.flags = parser.value(flagsOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
        g.flagRate = rate(flagRateOption, g.flagRate);
        if (parser.isSet(unitsOption))
            g.units = parser.value(unitsOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
        g.secondHctRate = rate(secondHctOption, g.secondHctRate);
        g.malformed = static_cast<int>(number(malformedOption, 0, 1000000, 0));
        try {
            options.stream = GenerateRecords(g);
        } catch (const std::invalid_argument &e) {
            Fail(QString::fromStdString(e.what()));
        }
    }

    if (parser.isSet(printOption)) {
        std::fwrite(options.stream.constData(), 1, static_cast<size_t>(options.stream.size()), stdout);
        std::fflush(stdout);
        std::exit(0);
    }

    options.device = parser.value(deviceOption);
    options.link = parser.value(linkOption);
    if (parser.isSet(comOption) != parser.isSet(portsOption))
        Fail(QStringLiteral("--com and --ports-dir go together"));
    if (parser.isSet(comOption)) {
        if (!options.link.isEmpty())
            Fail(QStringLiteral("use either --link or --com with --ports-dir"));
        const long com = number(comOption, 1, 255, 1);
        options.link = QDir(parser.value(portsOption)).filePath(QStringLiteral("COM%1").arg(com));
    }
    if (!options.device.isEmpty() && !options.link.isEmpty())
        Fail(QStringLiteral("links are for the pseudo-terminal; --device takes none"));

    options.start = options.device.isEmpty() ? Start::Open : Start::Key;
    if (parser.isSet(startOption)) {
        const QString when = parser.value(startOption);
        if (when == QLatin1String("open"))
            options.start = Start::Open;
        else if (when == QLatin1String("key"))
            options.start = Start::Key;
        else if (when == QLatin1String("now"))
            options.start = Start::Now;
        else
            Fail(QStringLiteral("--start takes open, key or now"));
    }
    if (options.start == Start::Open && !options.device.isEmpty())
        Fail(QStringLiteral("--start open needs a pseudo-terminal (a serial port does not tell when it is opened)"));
    options.settleMs = static_cast<int>(number(settleOption, 0, 600000, options.settleMs));
    options.byteMicroseconds = parser.isSet(fastOption) ? 0 : number(byteOption, 0, 10000000, options.byteMicroseconds);
    options.repeat = parser.isSet(repeatOption);
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("meter-sim"));
    const Options options = ParseOptions(app);

    // Ctrl+C, termination and a closed terminal end the run through the wait loops, so that the
    // link is removed on the way out.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    Session session;
    session.signalFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (session.signalFd < 0)
        Fail(QStringLiteral("signalfd: ") + ErrorText(errno));

    if (options.device.isEmpty()) {
        OpenPty(session);
        if (!options.link.isEmpty())
            MakeLink(session, options.link);
    } else {
        OpenDevice(session, options.device);
    }

    for (;;) {
        Status(QStringLiteral("WAITING"));
        bool go = true;
        switch (options.start) {
        case Start::Open: go = WaitForReader(session, options.settleMs); break;
        case Start::Key: go = WaitForKey(session); break;
        case Start::Now: break;
        }
        if (!go)
            return 0;
        const SendResult result = Send(session, options.stream, options.byteMicroseconds);
        if (result == SendResult::Signal)
            return 0;
        if (result == SendResult::ReaderClosed) {
            std::fprintf(stderr, "meter-sim: the reader closed the port before everything was sent\n");
            Status(QStringLiteral("CLOSED"));
            if (!options.repeat)
                return 1;
            continue;
        }
        if (session.isPty && options.start != Start::Key && !WaitForClose(session))
            return 0;
        if (!options.repeat)
            return 0;
    }
}
