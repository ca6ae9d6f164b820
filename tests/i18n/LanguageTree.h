#pragma once
// A temporary language root for the tests: folders with language files written in a chosen
// encoding, removed again with the object.

#include "platform/CodePage.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <stdexcept>

namespace i18ntest {

enum class Encoding { Utf8Bom, Utf16LeBom, Ansi };

inline QByteArray Encode(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LeBom: {
        QByteArray bytes("\xFF\xFE");
        for (const QChar c : text) {
            bytes.append(char(c.unicode() & 0xFF));
            bytes.append(char(c.unicode() >> 8));
        }
        return bytes;
    }
    case Encoding::Ansi:
        return platform::ToAnsi(text, 1252);
    }
    return {};
}

class LanguageTree
{
public:
    LanguageTree()
    {
        if (!dir_.isValid())
            throw std::runtime_error("cannot create a temporary folder");
    }

    // The root with a trailing "/".
    QString Root() const { return dir_.path() + u'/'; }

    // Writes <root>/<folder>/<fileName> with the given text.
    QString Write(const QString &folder, const QString &text, Encoding encoding = Encoding::Utf8Bom,
                  const QString &fileName = QStringLiteral("KELO_HB_METER.txt"))
    {
        return WriteBytes(folder, Encode(text, encoding), fileName);
    }

    QString WriteBytes(const QString &folder, const QByteArray &bytes,
                       const QString &fileName = QStringLiteral("KELO_HB_METER.txt"))
    {
        QDir().mkpath(Root() + folder);
        const QString path = Root() + folder + u'/' + fileName;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write " + path.toStdString());
        return path;
    }

private:
    QTemporaryDir dir_;
};

} // namespace i18ntest
