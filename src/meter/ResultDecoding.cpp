#include "meter/ResultDecoding.h"

#include "platform/RegionalSettings.h"

namespace {

bool IsNumberCharacter(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'.';
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool ReadsAsFloat(const QString &text, QChar decimalSeparator)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == decimalSeparator) {
        ++i;
        while (i < n && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        while (i < n && IsDigit(text[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    while (i < n && text[i] == u' ')
        ++i;
    return i == n;
}

void SplitValue(const QString &S, const QString &Label, QString &Flag, QString &Number, QString &Unit)
{
    Number = S;
    Flag.clear();
    Unit.clear();

    const qsizetype at = S.indexOf(Label);
    if (at < 0)
        return;
    QString rest = S.mid(at + Label.size());

    qsizetype blanks = 0;
    while (blanks < rest.size() && rest[blanks] == u' ')
        ++blanks;
    rest.remove(0, blanks);
    if (rest.isEmpty()) {
        Number.clear();
        return;
    }

    qsizetype first = 0;
    while (first < rest.size() && !IsNumberCharacter(rest[first]))
        ++first;
    Flag = rest.left(first);
    rest.remove(0, first);

    qsizetype last = rest.size() - 1;
    while (last >= 0 && !IsNumberCharacter(rest[last]))
        --last;
    if (last < 0) {
        Number.clear();
        Unit.clear();
        return;
    }
    Unit = rest.mid(last + 1);
    Number = rest.left(last + 1);
    Unit.remove(QStringLiteral("--"));

    QString localised = Number;
    localised.replace(u'.', platform::CurrentRegionalSettings().decimalSeparator);
    if (ReadsAsFloat(localised, platform::CurrentRegionalSettings().decimalSeparator))
        Number = localised;
}
