#include "platform/IniFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF", 3);

// One line of the file as byte offsets, with what it means.
struct Line
{
    enum class Kind { Other, Section, Key };

    qsizetype begin = 0;        // first byte of the line
    qsizetype contentEnd = 0;   // first byte of its line end (== end when it has none)
    qsizetype end = 0;          // first byte after its line end
    Kind kind = Kind::Other;
    QString name;               // section or key name, blanks removed
    qsizetype valueBegin = 0;   // Key: first byte after "=" and the blanks that follow it

    bool hasLineEnd() const { return contentEnd != end; }
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

Line ParseLine(const QByteArray &bytes, qsizetype begin, qsizetype contentEnd, qsizetype end)
{
    Line line;
    line.begin = begin;
    line.contentEnd = contentEnd;
    line.end = end;

    qsizetype first = begin;
    while (first < contentEnd && IsBlank(bytes.at(first)))
        ++first;
    if (first == contentEnd)
        return line;

    if (bytes.at(first) == '[') {
        // The name runs to the last "]"; a "[" line without one is read like any other line.
        const qsizetype close = bytes.lastIndexOf(']', contentEnd - 1);
        if (close > first) {
            line.kind = Line::Kind::Section;
            line.name = QString::fromUtf8(bytes.constData() + first + 1, close - first - 1).trimmed();
            return line;
        }
    }

    const qsizetype equals = bytes.indexOf('=', first);
    if (equals < 0 || equals >= contentEnd)
        return line;
    line.kind = Line::Kind::Key;
    line.name = QString::fromUtf8(bytes.constData() + first, equals - first).trimmed();
    line.valueBegin = equals + 1;
    while (line.valueBegin < contentEnd && IsBlank(bytes.at(line.valueBegin)))
        ++line.valueBegin;
    return line;
}

struct ParsedFile
{
    QList<Line> lines;
    QByteArray lineEnd;   // the first line end of the file; "\n" when it has none
};

ParsedFile Parse(const QByteArray &bytes)
{
    ParsedFile file;
    qsizetype position = bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (position < bytes.size()) {
        qsizetype contentEnd = position;
        while (contentEnd < bytes.size() && bytes.at(contentEnd) != '\r' && bytes.at(contentEnd) != '\n')
            ++contentEnd;
        qsizetype end = contentEnd;
        if (end < bytes.size()) {
            if (bytes.at(end) == '\r' && end + 1 < bytes.size() && bytes.at(end + 1) == '\n')
                end += 2;
            else
                end += 1;
            if (file.lineEnd.isEmpty())
                file.lineEnd = bytes.mid(contentEnd, end - contentEnd);
        }
        file.lines.append(ParseLine(bytes, position, contentEnd, end));
        position = end;
    }
    if (file.lineEnd.isEmpty())
        file.lineEnd = "\n";
    return file;
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the first line of the first section called section, or -1.
qsizetype FindSection(const ParsedFile &file, const QString &section)
{
    for (qsizetype i = 0; i < file.lines.size(); ++i) {
        const Line &line = file.lines.at(i);
        if (line.kind == Line::Kind::Section && SameName(line.name, section.trimmed()))
            return i;
    }
    return -1;
}

// Index one past the last line of the section whose header is at header.
qsizetype SectionEnd(const ParsedFile &file, qsizetype header)
{
    qsizetype i = header + 1;
    while (i < file.lines.size() && file.lines.at(i).kind != Line::Kind::Section)
        ++i;
    return i;
}

qsizetype FindKey(const ParsedFile &file, qsizetype header, const QString &key)
{
    const qsizetype sectionEnd = SectionEnd(file, header);
    for (qsizetype i = header + 1; i < sectionEnd; ++i) {
        const Line &line = file.lines.at(i);
        if (line.kind == Line::Kind::Key && SameName(line.name, key.trimmed()))
            return i;
    }
    return -1;
}

QString CleanValue(const QByteArray &bytes, const Line &line)
{
    QString value = QString::fromUtf8(bytes.constData() + line.valueBegin, line.contentEnd - line.valueBegin).trimmed();
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    if (value.size() > kMaxProfileValueLength) {
        value.truncate(kMaxProfileValueLength);
        // Never leave half of a surrogate pair at the cut.
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

// Reads the whole file; nullopt (errno set) when it exists but cannot be read, an empty
// array with exists == false when there is no file.
std::optional<QByteArray> ReadAll(const QString &fileName, bool &exists)
{
    exists = false;
    // Non-blocking, so that a FIFO in the file's place cannot stall the program.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT)
            return QByteArray();
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return std::nullopt;
    }
    exists = true;
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            errno = error;
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    ::close(fd);
    return bytes;
}

bool WriteAllTo(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += written;
    }
    return true;
}

mode_t DefaultFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The owner and group that a replacement must keep of the file it replaces.
struct Original
{
    uid_t owner;
    gid_t group;
};

// Why a write did not happen: a failure (errno set), or no rename being possible here (the
// folder takes no new file, or the file's owner and group cannot be given to one).
enum class Replaced { Done, Failed, NotPossible };

bool CannotCreateOrReplace(int error)
{
    return error == EACCES || error == EPERM;
}

// Replaces the file with bytes through a temporary file in the same folder and a rename, so a
// reader sees either the old or the new content and a failure leaves the old one in place. The
// replacement gets the original's owner and group (no original: the file is new and gets the
// writer's owner and the group the folder gives, a setgid folder's own) and mode.
Replaced ReplaceFile(const QByteArray &target, const QByteArray &bytes, const std::optional<Original> &original,
                     mode_t mode)
{
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return original && CannotCreateOrReplace(errno) ? Replaced::NotPossible : Replaced::Failed;
    Replaced result = Replaced::Done;
    int error = 0;
    auto fail = [&](Replaced why) {
        if (result == Replaced::Done) {
            result = why;
            error = errno;
        }
    };
    if (original) {
        // Ownership first: fchown may clear the setuid and setgid bits that fchmod then sets.
        struct stat own {};
        if (::fstat(fd, &own) != 0)
            fail(Replaced::Failed);
        else if ((own.st_uid != original->owner || own.st_gid != original->group)
                 && ::fchown(fd, original->owner, original->group) != 0)
            fail(CannotCreateOrReplace(errno) ? Replaced::NotPossible : Replaced::Failed);
    }
    if (result == Replaced::Done && !(WriteAllTo(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0))
        fail(Replaced::Failed);
    if (::close(fd) != 0)
        fail(Replaced::Failed);
    // A sticky folder refuses to let the file of another owner be replaced.
    if (result == Replaced::Done && ::rename(temporary.constData(), target.constData()) != 0)
        fail(original && CannotCreateOrReplace(errno) ? Replaced::NotPossible : Replaced::Failed);
    if (result != Replaced::Done) {
        ::unlink(temporary.constData());
        errno = error;
    }
    return result;
}

// Writes bytes over the file itself, for when no rename is possible: the new content from the
// start (no truncation first, so the old bytes stay until new ones cover them), then the file
// cut to the new length and flushed. Owner, group, mode and links stay as they are. Unlike a
// rename this is not atomic, so it is the last resort.
bool OverwriteFile(const QByteArray &target, const QByteArray &bytes)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat status {};
    bool ok = ::fstat(fd, &status) == 0;
    if (ok && !S_ISREG(status.st_mode)) {
        ok = false;
        errno = EINVAL;
    }
    ok = ok && WriteAllTo(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0
         && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    errno = error;
    return ok;
}

bool ContainsLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace

QString GetPrivateProfileString(const QString &section, const QString &key, const QString &defaultValue,
                                const QString &fileName)
{
    bool exists = false;
    const std::optional<QByteArray> bytes = ReadAll(fileName, exists);
    if (!bytes || !exists)
        return defaultValue;
    const ParsedFile file = Parse(*bytes);
    const qsizetype header = FindSection(file, section);
    if (header < 0)
        return defaultValue;
    const qsizetype keyLine = FindKey(file, header, key);
    if (keyLine < 0)
        return defaultValue;
    return CleanValue(*bytes, file.lines.at(keyLine));
}

bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &fileName)
{
    // Names and values that would change the file's structure (a line break, a "]" in a section
    // name, a "=" in a key, a key that reads as a section) cannot be written faithfully.
    if (section.trimmed().isEmpty() || key.trimmed().isEmpty() || ContainsLineBreak(section) ||
        ContainsLineBreak(key) || ContainsLineBreak(value) || section.contains(QLatin1Char(']')) ||
        key.contains(QLatin1Char('=')) || key.trimmed().startsWith(QLatin1Char('['))) {
        errno = EINVAL;
        return false;
    }

    // Write to the file a link points at, so the link stays a link.
    QString target = fileName;
    const QFileInfo info(fileName);
    if (info.isSymLink()) {
        target = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
        if (target.isEmpty()) {
            errno = ENOENT;
            return false;
        }
    }

    const QByteArray targetName = QFile::encodeName(target);
    mode_t mode = DefaultFileMode();
    std::optional<Original> original;
    struct stat status {};
    if (::stat(targetName.constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) {
            errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        // A file nobody may write counts as read-only, also for a privileged user: the rename
        // below would otherwise replace it silently.
        if ((status.st_mode & 0222) == 0 || ::access(targetName.constData(), W_OK) != 0) {
            errno = EACCES;
            return false;
        }
        mode = status.st_mode & 07777;
        original = Original{status.st_uid, status.st_gid};
    } else if (errno != ENOENT) {
        return false;
    }

    bool exists = false;
    const std::optional<QByteArray> read = ReadAll(target, exists);
    if (!read)
        return false;
    QByteArray bytes = *read;
    const ParsedFile file = Parse(bytes);
    const QByteArray keyLineText = key.trimmed().toUtf8() + '=' + value.toUtf8();

    const qsizetype header = FindSection(file, section);
    if (header >= 0) {
        const qsizetype keyLine = FindKey(file, header, key);
        if (keyLine >= 0) {
            // Keep the key as written and the blanks after "="; only the value changes.
            const Line &line = file.lines.at(keyLine);
            bytes.replace(line.valueBegin, line.contentEnd - line.valueBegin, value.toUtf8());
        } else {
            // After the section's last non-blank line, so blank lines stay before the next one.
            qsizetype last = header;
            const qsizetype sectionEnd = SectionEnd(file, header);
            for (qsizetype i = header + 1; i < sectionEnd; ++i) {
                const Line &line = file.lines.at(i);
                if (line.kind != Line::Kind::Other ||
                    !bytes.mid(line.begin, line.contentEnd - line.begin).trimmed().isEmpty())
                    last = i;
            }
            // The new line ends like the one before it, so it cannot merge with the next line's
            // bytes into a different line end.
            const Line &line = file.lines.at(last);
            if (line.hasLineEnd())
                bytes.insert(line.end, keyLineText + bytes.mid(line.contentEnd, line.end - line.contentEnd));
            else
                bytes.insert(line.end, file.lineEnd + keyLineText);
        }
    } else {
        if (!file.lines.isEmpty()) {
            const Line &lastLine = file.lines.back();
            if (!lastLine.hasLineEnd())
                bytes.append(file.lineEnd);
            // The blank line repeats the last line's own ending: after a lone CR, an LF would
            // merge with it into one line end.
            if (!bytes.mid(lastLine.begin, lastLine.contentEnd - lastLine.begin).trimmed().isEmpty())
                bytes.append(lastLine.hasLineEnd() ? bytes.mid(lastLine.contentEnd, lastLine.end - lastLine.contentEnd)
                                                   : file.lineEnd);
        }
        bytes.append('[' + section.trimmed().toUtf8() + ']' + file.lineEnd + keyLineText + file.lineEnd);
    }

    switch (ReplaceFile(targetName, bytes, original, mode)) {
    case Replaced::Done:
        return true;
    case Replaced::NotPossible:
        // A folder the writer may not add files to, or a file of another owner in a shared
        // folder: the file itself is writable (checked above), so it is written in place.
        return OverwriteFile(targetName, bytes);
    case Replaced::Failed:
        break;
    }
    return false;
}

} // namespace platform
