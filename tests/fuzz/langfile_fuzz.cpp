// Language files from outside: any bytes must decode into lines and a string table without a
// crash, and the table must hold, for every key, the value of its last line.
#include "i18n/WideStrToWideStrHashMap.h"
#include "i18n/WideStringList.h"

#include <QByteArrayView>
#include <QHash>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TWideStringList lines;
    lines.LoadFromBytes(bytes);

    // A small table grows many times on the way.
    TWideStrToWideStrHashMap table(2, 2);
    QHash<QString, QString> expected;
    for (const QString &line : lines.Lines()) {
        if (line.contains(u'\r') || line.contains(u'\n') || line.contains(QChar(u'\0')))
            __builtin_trap();
        const auto [key, value] = TWideStringList::SplitLine(line);
        table.Put(key, value);
        expected.insert(key, value);
    }
    if (table.Count() != expected.size())
        __builtin_trap();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString *found = table.Find(it.key());
        if (!found || *found != it.value())
            __builtin_trap();
    }
    (void)lines.Value(QStringLiteral("!LanguageID"));
    (void)lines.Value(QStringLiteral("!TranslationDefaultFont"));
    return 0;
}
