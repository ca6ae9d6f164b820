#pragma once
// The lines of a language file as UTF-16 texts, and the "key=value" reading of one line.
//
// Decoding, decided from the first bytes: EF BB BF is UTF-8, FF FE is UTF-16 little-endian
// (the marker is skipped in both cases); anything else is 8-bit text in the program's ANSI
// code page (so UTF-8 without the marker reads as ANSI, and FE FF is not recognised). The first
// NUL character ends the text. Lines end at CR LF, a lone CR or a lone LF; a line break after
// the last line adds no empty line.

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <utility>

class TWideStringList
{
public:
    // Files larger than this are refused as unreadable: no language file comes near it, and
    // reading one must not exhaust memory.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    // Replaces the lines with the decoded bytes.
    void LoadFromBytes(QByteArrayView bytes);
    // Replaces the lines with the file's text. False (and no lines) when path is not a
    // regular file that can be read.
    bool LoadFromFile(const QString &path);

    const QStringList &Lines() const { return lines_; }
    int Count() const { return static_cast<int>(lines_.size()); }
    bool IsEmpty() const { return lines_.isEmpty(); }

    // The value of the first line whose key equals name without regard to letter case;
    // empty when there is none.
    QString Value(const QString &name) const;

    // Text before the first "=" and text after it, both as they stand; a line without "="
    // gives an empty key and an empty value.
    static std::pair<QString, QString> SplitLine(const QString &line);

    static QStringList DecodeLines(QByteArrayView bytes);

private:
    QStringList lines_;
};
