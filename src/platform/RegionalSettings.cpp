#include "platform/RegionalSettings.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

namespace {

// One element of a Qt format: a field already written as program token, a designator, the
// time zone, or one literal character (quoted in the Qt format or not).
struct Piece
{
    enum Kind { Field, Designator, TimeZone, Literal } kind;
    QString token;      // Field and Designator: the program token
    QChar character;    // Literal
    bool quoted = false;

    bool isField() const { return kind == Field || kind == Designator; }
};

int runLength(const QString &text, qsizetype from)
{
    int count = 1;
    while (from + count < text.size() && text.at(from + count) == text.at(from))
        ++count;
    return count;
}

// Splits a Qt format as Qt's own formatter reads it.
std::vector<Piece> readQtFormat(const QString &format)
{
    std::vector<Piece> pieces;
    auto literal = [&pieces](QChar c, bool quoted) {
        pieces.push_back({Piece::Literal, {}, c, quoted});
    };
    auto field = [&pieces](QString token) { pieces.push_back({Piece::Field, token, {}, false}); };

    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            ++i;
            if (i < format.size() && format.at(i) == u'\'') {  // '' outside quotes: one quote
                literal(u'\'', true);
                ++i;
                continue;
            }
            while (i < format.size()) {
                if (format.at(i) == u'\'') {
                    if (i + 1 < format.size() && format.at(i + 1) == u'\'') {
                        literal(u'\'', true);
                        i += 2;
                        continue;
                    }
                    ++i;  // closing quote
                    break;
                }
                literal(format.at(i), true);
                ++i;
            }
            continue;
        }
        const int run = runLength(format, i);
        int used = 1;
        switch (c.unicode()) {
        case u'd':
            used = std::min(run, 4);
            field(QString(used, u'd'));
            break;
        case u'M':
            used = std::min(run, 4);
            field(QString(used, u'm'));
            break;
        case u'y':
            if (run >= 4) {
                used = 4;
                field(QStringLiteral("yyyy"));
            } else if (run >= 2) {
                used = 2;
                field(QStringLiteral("yy"));
            } else {
                literal(c, false);  // Qt prints a lone y as it stands
            }
            break;
        case u'h':
        case u'H':
            used = std::min(run, 2);
            field(QString(used, u'h'));
            break;
        case u'm':
            used = std::min(run, 2);
            field(QString(used, u'n'));
            break;
        case u's':
            used = std::min(run, 2);
            field(QString(used, u's'));
            break;
        case u'z':
            used = run >= 3 ? 3 : 1;
            field(QStringLiteral("zzz"));
            break;
        case u'a':
        case u'A':
            used = (i + 1 < format.size() && (format.at(i + 1) == u'p' || format.at(i + 1) == u'P'))
                       ? 2 : 1;
            pieces.push_back({Piece::Designator, QStringLiteral("ampm"), {}, false});
            break;
        case u't':
            pieces.push_back({Piece::TimeZone, {}, {}, false});
            break;
        default:
            literal(c, false);
            break;
        }
        i += used;
    }
    return pieces;
}

// Blanks, commas and brackets; not the marks of a word (Thai vowel signs are marks).
bool isFraming(const Piece &piece)
{
    const QChar c = piece.character;
    return piece.kind == Piece::Literal
           && (c.isSpace() || c.isPunct() || c.category() == QChar::Other_Format);
}

// Takes out every time-zone field with the blanks, commas and brackets around it, so that
// "h:mm:ss AP t", "H:mm:ss (t)" and "t HH:mm:ss" keep only the time.
void dropTimeZone(std::vector<Piece> &pieces)
{
    for (std::size_t i = 0; i < pieces.size();) {
        if (pieces[i].kind != Piece::TimeZone) {
            ++i;
            continue;
        }
        std::size_t begin = i;
        std::size_t end = i + 1;
        while (begin > 0 && isFraming(pieces[begin - 1]))
            --begin;
        while (end < pieces.size() && isFraming(pieces[end]))
            ++end;
        bool fieldBefore = false;
        bool fieldAfter = false;
        for (std::size_t k = 0; k < begin; ++k)
            fieldBefore = fieldBefore || pieces[k].kind != Piece::Literal;
        for (std::size_t k = end; k < pieces.size(); ++k)
            fieldAfter = fieldAfter || pieces[k].kind != Piece::Literal;
        bool hadBlank = false;
        for (std::size_t k = begin; k < end; ++k)
            hadBlank = hadBlank || pieces[k].character.isSpace();
        pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(begin),
                     pieces.begin() + static_cast<std::ptrdiff_t>(end));
        if (fieldBefore && fieldAfter && hadBlank) {  // between two fields: keep them apart
            pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(begin),
                          Piece{Piece::Literal, {}, u' ', false});
            ++begin;
        }
        i = begin;
    }
}

// The first punctuation character that stands unquoted between two fields.
QChar findSeparator(const std::vector<Piece> &pieces, QChar fallback)
{
    bool fieldSeen = false;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece &piece = pieces[i];
        if (piece.isField()) {
            fieldSeen = true;
            continue;
        }
        if (!fieldSeen || piece.kind != Piece::Literal || piece.quoted)
            continue;
        const QChar c = piece.character;
        if (!(c.isPunct() || c.isSymbol()) || c == u'\'')
            continue;
        for (std::size_t k = i + 1; k < pieces.size(); ++k)
            if (pieces[k].isField())
                return c;
        return fallback;
    }
    return fallback;
}

bool needsQuotes(QChar c)
{
    return c.isLetter() || c.isMark() || c == u'"' || c == u'\'' || c == u'/' || c == u':';
}

void appendQuoted(QString &out, const QString &text)
{
    if (text.isEmpty())
        return;
    const bool hasDouble = text.contains(u'"');
    const bool hasSingle = text.contains(u'\'');
    if (hasDouble && hasSingle) {
        for (QChar c : text)
            appendQuoted(out, QString(c));
        return;
    }
    const QChar quote = hasDouble ? u'\'' : u'"';
    out += quote;
    out += text;
    out += quote;
}

// A date written for a medical record must not leave the century to guessing: the two-digit
// year of a short date format becomes the four-digit one, everything else stays as written.
void widenYears(std::vector<Piece> &pieces)
{
    for (Piece &piece : pieces)
        if (piece.kind == Piece::Field && piece.token == u"yy")
            piece.token = QStringLiteral("yyyy");
}

QString convert(std::vector<Piece> pieces, QChar separator, QChar separatorToken)
{
    dropTimeZone(pieces);
    QString out;
    QString pendingQuoted;
    for (const Piece &piece : pieces) {
        if (piece.kind == Piece::Literal && !(!piece.quoted && piece.character == separator)
            && needsQuotes(piece.character)) {
            pendingQuoted += piece.character;
            continue;
        }
        appendQuoted(out, pendingQuoted);
        pendingQuoted.clear();
        if (piece.kind != Piece::Literal)
            out += piece.token;
        else if (!piece.quoted && piece.character == separator)
            out += separatorToken;
        else
            out += piece.character;
    }
    appendQuoted(out, pendingQuoted);
    return out;
}

QChar firstCharacter(const QString &text, QChar fallback)
{
    return text.isEmpty() ? fallback : text.at(0);
}

// Settings once in force are kept for the life of the process, so that references handed
// out by CurrentRegionalSettings() never dangle. Equal settings share one entry, which keeps
// the store small however often tests switch between a few locales. Never destroyed: a
// static destructor may still format a date.
std::mutex storeMutex;
std::vector<std::unique_ptr<const RegionalSettings>> *store =
    new std::vector<std::unique_ptr<const RegionalSettings>>;
std::atomic<const RegionalSettings *> current{nullptr};

const RegionalSettings *keep(RegionalSettings settings)
{
    std::lock_guard lock(storeMutex);
    for (const auto &kept : *store)
        if (*kept == settings)
            return kept.get();
    store->push_back(std::make_unique<const RegionalSettings>(std::move(settings)));
    return store->back().get();
}

} // namespace

QString ConvertQtDateFormat(const QString &qtFormat, QChar dateSeparator)
{
    return convert(readQtFormat(qtFormat), dateSeparator, u'/');
}

QString ConvertQtTimeFormat(const QString &qtFormat, QChar timeSeparator)
{
    return convert(readQtFormat(qtFormat), timeSeparator, u':');
}

RegionalSettings RegionalSettings::FromLocale(const QLocale &locale)
{
    RegionalSettings settings;
    std::vector<Piece> shortDate = readQtFormat(locale.dateFormat(QLocale::ShortFormat));
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    settings.dateSeparator = findSeparator(shortDate, u'/');
    settings.timeSeparator = findSeparator(readQtFormat(shortTime), u':');
    widenYears(shortDate);
    settings.shortDateFormat = convert(std::move(shortDate), settings.dateSeparator, u'/');
    settings.longDateFormat =
        ConvertQtDateFormat(locale.dateFormat(QLocale::LongFormat), settings.dateSeparator);
    settings.shortTimeFormat = ConvertQtTimeFormat(shortTime, settings.timeSeparator);
    settings.longTimeFormat =
        ConvertQtTimeFormat(locale.timeFormat(QLocale::LongFormat), settings.timeSeparator);
    settings.decimalSeparator = firstCharacter(locale.decimalPoint(), u'.');
    settings.listSeparator =
        settings.decimalSeparator == u',' ? QStringLiteral(";") : QStringLiteral(",");
    settings.amDesignator = locale.amText();
    settings.pmDesignator = locale.pmText();
    settings.shortMonthNames.clear();
    settings.longMonthNames.clear();
    for (int month = 1; month <= 12; ++month) {
        settings.shortMonthNames << locale.monthName(month, QLocale::ShortFormat);
        settings.longMonthNames << locale.monthName(month, QLocale::LongFormat);
    }
    // Qt counts Monday as 1 and Sunday as 7; the lists start with Sunday.
    settings.shortDayNames.clear();
    settings.longDayNames.clear();
    for (int day : {7, 1, 2, 3, 4, 5, 6}) {
        settings.shortDayNames << locale.dayName(day, QLocale::ShortFormat);
        settings.longDayNames << locale.dayName(day, QLocale::LongFormat);
    }
    return settings;
}

const RegionalSettings &CurrentRegionalSettings()
{
    const RegionalSettings *settings = current.load(std::memory_order_acquire);
    if (!settings) {
        const RegionalSettings *fromSystem = keep(RegionalSettings::FromLocale(QLocale::system()));
        const RegionalSettings *expected = nullptr;
        // Another thread may have set the settings meanwhile; its choice wins.
        if (current.compare_exchange_strong(expected, fromSystem, std::memory_order_acq_rel))
            settings = fromSystem;
        else
            settings = expected;
    }
    return *settings;
}

void SetRegionalLocale(const QLocale &locale)
{
    current.store(keep(RegionalSettings::FromLocale(locale)), std::memory_order_release);
}

void SetRegionalSettings(const RegionalSettings &settings)
{
    current.store(keep(settings), std::memory_order_release);
}

void ResetRegionalLocale()
{
    current.store(nullptr, std::memory_order_release);
}

} // namespace platform
