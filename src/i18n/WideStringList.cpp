#include "i18n/WideStringList.h"

#include "platform/CodePage.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString decodeText(QByteArrayView bytes)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
        return QString::fromUtf8(bytes.sliced(3));
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        // An odd last byte is half a code unit and is dropped.
        const qsizetype units = (bytes.size() - 2) / 2;
        QString text(units, Qt::Uninitialized);
        char16_t *out = reinterpret_cast<char16_t *>(text.data());
        for (qsizetype i = 0; i < units; ++i)
            out[i] = static_cast<char16_t>(byte(2 + 2 * i) | (byte(3 + 2 * i) << 8));
        return text;
    }
    return platform::FromAnsi(bytes);
}

} // namespace

QStringList TWideStringList::DecodeLines(QByteArrayView bytes)
{
    QString text = decodeText(bytes);
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);

    QStringList lines;
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

void TWideStringList::LoadFromBytes(QByteArrayView bytes)
{
    lines_ = DecodeLines(bytes);
}

bool TWideStringList::LoadFromFile(const QString &path)
{
    lines_.clear();
    // Only regular files: a FIFO or device under the language file's name would block or
    // never end.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxFileSize)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize || file.error() != QFileDevice::NoError)
        return false;
    LoadFromBytes(bytes);
    return true;
}

QString TWideStringList::Value(const QString &name) const
{
    for (const QString &line : lines_) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        if (QStringView(line).first(eq).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

std::pair<QString, QString> TWideStringList::SplitLine(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return {QString(), QString()};
    return {line.left(eq), line.mid(eq + 1)};
}
