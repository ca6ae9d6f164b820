#include "shell/TextRoutines.h"

QStringList SplitString(const QString &text, const QString &separator)
{
    QStringList list;
    if (text.isEmpty())
        return list;
    // An empty separator occurs nowhere: the text stays whole.
    const auto position = [&](const QString &rest) -> qsizetype {
        return separator.isEmpty() ? -1 : rest.indexOf(separator);
    };

    QString rest = text;
    qsizetype p = position(rest);
    while (p >= 0) {
        list.append(rest.left(p));
        rest.remove(0, p + separator.size());
        // Runs of a one-character separator count as one, but the last character of the
        // rest is never taken this way (so "a,," still ends in an empty item).
        while (rest.size() >= 2 && separator.size() == 1 && rest[0] == separator[0])
            rest.remove(0, 1);
        p = position(rest);
    }
    if (!rest.isEmpty())
        list.append(rest);
    return list;
}

QString RightPart(const QString &text, int n)
{
    if (n <= 0)
        return QString();
    return text.right(n);
}

bool IsNumeric(const QString &text)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    const auto isDigit = [&](qsizetype at) { return at < size && text[at] >= u'0' && text[at] <= u'9'; };

    while (i < size && text[i] == u' ')
        ++i;
    if (i < size && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype remainder = i;
    while (isDigit(i))
        ++i;
    if (i < size && text[i] == u'.') {
        ++i;
        while (isDigit(i))
            ++i;
    }
    if (i < size && (text[i] == u'E' || text[i] == u'e')) {
        ++i;
        if (i < size && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (!isDigit(i))
            return false;
        while (isDigit(i))
            ++i;
    }
    return i > remainder && i == size;
}
