// Reads arbitrary bytes as a settings file, then writes one key into it and checks that the
// write changed nothing but its own line (or added lines): every other line survives byte for
// byte, and the key reads back.
#include "platform/IniFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "settings file check failed: %s\n", what);
        std::abort();
    }
}

// Lines with their line ends (CR LF, LF or CR), after an optional byte-order mark.
QList<QByteArray> Lines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype position = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (position < bytes.size()) {
        qsizetype end = position;
        while (end < bytes.size() && bytes.at(end) != '\r' && bytes.at(end) != '\n')
            ++end;
        if (end < bytes.size())
            end += (bytes.at(end) == '\r' && end + 1 < bytes.size() && bytes.at(end + 1) == '\n') ? 2 : 1;
        lines.append(bytes.mid(position, end - position));
        position = end;
    }
    return lines;
}

QByteArray Content(const QByteArray &line)
{
    QByteArray content = line;
    while (content.endsWith('\n') || content.endsWith('\r'))
        content.chop(1);
    return content;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    Check(dir.isValid(), "temporary folder");
    const QString path = dir.path() + "/HBAPP.INI";
    const QByteArray before(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    {
        QFile file(path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(before) == before.size(), "seed");
    }

    const QString title = platform::GetPrivateProfileString("APPEARANCE", "Title", "<none>", path);
    const QString port = platform::GetPrivateProfileString("COMM", "Port", "<none>", path);
    Check(title.size() <= platform::kMaxProfileValueLength || title == "<none>", "value length");

    Check(platform::WritePrivateProfileString("LANGUAGE", "LanguageID", "1031", path), "write");
    QFile file(path);
    Check(file.open(QIODevice::ReadOnly), "read back");
    const QByteArray after = file.readAll();

    Check(platform::GetPrivateProfileString("language", "languageid", "<none>", path) == "1031", "key reads back");
    Check(platform::GetPrivateProfileString("APPEARANCE", "Title", "<none>", path) == title, "other key kept");
    Check(platform::GetPrivateProfileString("COMM", "Port", "<none>", path) == port, "other section kept");
    Check(before.startsWith("\xEF\xBB\xBF") == after.startsWith("\xEF\xBB\xBF"), "byte-order mark kept");

    // Lines common to both files at the start and at the end.
    const QList<QByteArray> old = Lines(before);
    const QList<QByteArray> now = Lines(after);
    qsizetype prefix = 0;
    while (prefix < old.size() && prefix < now.size() && old[prefix] == now[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
           old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    const qsizetype oldChanged = old.size() - prefix - suffix;
    const qsizetype newChanged = now.size() - prefix - suffix;
    Check(oldChanged <= 1, "at most one old line changed");
    // Writing the value the key already holds, as written, leaves the file as it was.
    Check(after == before || (newChanged >= 1 && newChanged <= 4), "a few new lines");
    if (oldChanged == 1) {
        const QByteArray &was = old[prefix];
        const QByteArray &is = now[prefix];
        if (Content(was) == was) {
            // The last line, which had no line end, either got one or was the key's line.
            const qsizetype equals = was.indexOf('=');
            Check(is.startsWith(was) || (equals >= 0 && is.startsWith(was.left(equals + 1))), "last line kept");
        } else {
            // The key's line: its text up to "=" and its line end stay.
            const qsizetype equals = was.indexOf('=');
            Check(equals >= 0 && is.startsWith(was.left(equals + 1)), "key text kept");
            Check(was.mid(Content(was).size()) == is.mid(Content(is).size()), "line end kept");
        }
    }
    return 0;
}
