// Framing and parsing of meter text, fed in chunks whose sizes come from the input itself:
// each chunk is one length byte (1 to 64 data bytes follow) and its data. Also decodes the
// value lines of every entry. Checks the invariants the rest of the program relies on.
#include "meter/BufQuery.h"
#include "meter/MeterRecordQuery.h"
#include "meter/RecordFormat.h"
#include "meter/ResultDecoding.h"
#include "platform/CodePage.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace {

void Check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "framing invariant broken: %s\n", what);
        std::abort();
    }
}

bool HasNumberCharacter(const QString &text)
{
    for (QChar c : text)
        if ((c >= u'0' && c <= u'9') || c == u'.')
            return true;
    return false;
}

void CheckValue(const QString &line, const QString &label)
{
    QString flag, number, unit;
    SplitValue(line, label, flag, number, unit);
    if (!line.contains(label)) {
        Check(number == line && flag.isEmpty() && unit.isEmpty(), "text without label kept whole");
        return;
    }
    Check(!HasNumberCharacter(flag), "flag holds no digit or point");
    Check(!HasNumberCharacter(unit), "unit holds no digit or point");
    Check(!unit.contains(QStringLiteral("--")), "unit without double dash");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString pending;
    TBufQuery raw;
    QString whole;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at] % 64 + 1, size - at - 1);
        ++at;
        const QString text = platform::FromAnsi(
            QByteArrayView(reinterpret_cast<const char *>(data + at), static_cast<qsizetype>(length)), 1252);
        at += length;
        whole += text;
        FrameReceivedText(pending, text, raw);
        Check(pending.size() <= kMaxPendingText, "waiting text within its bound");
        Check(!pending.contains(QStringView(kRecordTerminator)), "no record end left waiting");
        Check(!pending.startsWith(QStringLiteral("\r\n")), "waiting text starts past line ends");
    }

    // Below the bound, chunking changes nothing: the same text in one piece gives the same.
    QString onePending;
    TBufQuery oneRaw;
    if (whole.size() <= kMaxPendingText) {
        FrameReceivedText(onePending, whole, oneRaw);
        Check(onePending == pending, "same waiting text in one piece");
        Check(oneRaw.Count() == raw.Count(), "same record count in one piece");
    }

    TMeterRecordQuery entries;
    int records = 0;
    QString record;
    while (raw.Pop(record)) {
        ++records;
        QString again;
        if (whole.size() <= kMaxPendingText) {
            Check(oneRaw.Pop(again) && again == record, "same records in one piece");
        }
        Check(record.endsWith(QStringView(kRecordTerminator)), "record ends with its terminator");
        Check(record.indexOf(QStringView(kRecordTerminator)) == record.size() - 4, "one terminator");
        Check(!record.startsWith(QStringLiteral("\r\n")), "record does not start with a line end");
        const int before = entries.Count();
        ParseRecordText(record, entries);
        Check(entries.Count() - before <= 2, "at most two entries a record");
    }
    Check(entries.Count() <= 2 * records, "entries <= 2 x records");

    QString d, t, i, h, c;
    while (entries.Pop(d, t, i, h, c)) {
        Check(!d.contains(u' '), "date holds no blank");
        CheckValue(i, QStringLiteral("ID:"));
        CheckValue(h, QStringLiteral("HB:"));
        CheckValue(c, QStringLiteral("HCT:"));
    }
    return 0;
}
