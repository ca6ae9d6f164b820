#include "meter/RecordFormat.h"

#include "shell/TextRoutines.h"

#include <algorithm>

namespace {

const QStringView kTerminator(kRecordTerminator);

// Index of the first character at or after from that is not part of a CR LF pair.
qsizetype SkipLineEnds(const QString &text, qsizetype from)
{
    while (text.size() - from >= 2 && text[from] == u'\r' && text[from + 1] == u'\n')
        from += 2;
    return from;
}

void DropNoise(QString &pending)
{
    const qsizetype lastLineEnd = pending.lastIndexOf(u"\r\n");
    if (lastLineEnd >= 0)
        pending.remove(0, lastLineEnd + 2);
    if (pending.size() > kMaxPendingText)
        pending = pending.endsWith(u'\r') ? QStringLiteral("\r") : QString();
}

} // namespace

int FrameReceivedText(QString &pending, QStringView text, TBufQuery &records)
{
    const qsizetype oldSize = pending.size();
    pending.append(text);

    qsizetype start = SkipLineEnds(pending, 0);
    // The old pending text held no terminator, so the first one ends in the new text: search
    // from three characters before it.
    qsizetype from = std::max(start, oldSize - 3);
    int pushed = 0;
    for (;;) {
        const qsizetype at = pending.indexOf(kTerminator, from);
        if (at < 0)
            break;
        const qsizetype end = at + kTerminator.size();
        records.Push(pending.mid(start, end - start));
        ++pushed;
        start = SkipLineEnds(pending, end);
        from = start;
    }
    if (start > 0)
        pending.remove(0, start);
    if (pending.size() > kMaxPendingText)
        DropNoise(pending);
    return pushed;
}

bool ParseRecordText(const QString &record, TMeterRecordQuery &entries)
{
    const QStringList pieces = SplitString(record, QStringLiteral("\r\n"));
    if (pieces.size() < 3)
        return false;

    const QString &first = pieces[0];
    QString date;
    QString time;
    const qsizetype blank = first.indexOf(u' ');
    if (blank >= 0) {
        date = first.left(blank);
        time = first.mid(blank + 1);
    }
    if (pieces.size() >= 4)
        entries.Push(date, time, pieces[1], pieces[2], pieces[3]);
    if (pieces.size() >= 5 && !pieces[4].isEmpty())
        entries.Push(date, time, pieces[1], pieces[2], pieces[4]);
    return true;
}
