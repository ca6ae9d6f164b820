#include "platform/DateTime.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace platform {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// |value| beyond this many days is cut to it before decoding, so that the day count fits the
// integer arithmetic below; it is far beyond any year a date can be written with.
constexpr double kDayLimit = 1e11;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
constexpr std::int64_t daysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

DateParts civilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
    DateParts parts;
    parts.day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    parts.month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    parts.year = static_cast<int>(yearOfEra + era * 400 + (parts.month <= 2 ? 1 : 0));
    return parts;
}

constexpr std::int64_t kOleEpoch = daysFromCivil(1899, 12, 30);

// A value as a day number and the milliseconds of its time of day (0 .. kMsPerDay - 1).
struct Moment
{
    std::int64_t day = 0;
    std::int64_t ms = 0;
};

Moment split(OleDate value)
{
    if (!std::isfinite(value))
        value = 0;
    value = std::clamp(value, -kDayLimit, kDayLimit);
    const double whole = std::trunc(value);
    Moment moment;
    moment.day = static_cast<std::int64_t>(whole);
    moment.ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
    if (moment.ms >= kMsPerDay) {  // rounded up to the next midnight, in the value's direction
        moment.ms -= kMsPerDay;
        moment.day += value < 0 ? -1 : 1;
    }
    return moment;
}

OleDate join(std::int64_t day, std::int64_t ms)
{
    const double time = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
    return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

TimeParts timeParts(std::int64_t ms)
{
    TimeParts parts;
    parts.millisecond = static_cast<int>(ms % 1000);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.minute = static_cast<int>(ms / 60'000 % 60);
    parts.hour = static_cast<int>(ms / 3'600'000);
    return parts;
}

// Sunday 0 .. Saturday 6; day 0 (1899-12-30) was a Saturday.
int dayOfWeekIndex(std::int64_t day)
{
    return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

QString padded(int number, int width)
{
    return QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}

QString nameFrom(const QStringList &names, int index, const QString &fallback)
{
    return index >= 0 && index < names.size() ? names.at(index) : fallback;
}

bool startsWithAt(const QString &text, qsizetype at, QLatin1StringView word)
{
    return QStringView(text).mid(at).startsWith(word, Qt::CaseInsensitive);
}

// The length of the designator token at position at, or 0.
int designatorLength(const QString &format, qsizetype at)
{
    if (startsWithAt(format, at, QLatin1StringView("am/pm")))
        return 5;
    if (startsWithAt(format, at, QLatin1StringView("a/p")))
        return 3;
    if (startsWithAt(format, at, QLatin1StringView("ampm")))
        return 4;
    return 0;
}

qsizetype closingQuote(const QString &format, qsizetype openAt)
{
    const qsizetype close = format.indexOf(format.at(openAt), openAt + 1);
    return close < 0 ? format.size() : close;
}

bool usesTwelveHourClock(const QString &format)
{
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'"' || c == u'\'')
            i = closingQuote(format, i);
        else if ((c == u'a' || c == u'A') && designatorLength(format, i) > 0)
            return true;
    }
    return false;
}

class Formatter
{
public:
    Formatter(const RegionalSettings &settings, OleDate value)
        : settings_(settings), c_(QLocale::c())
    {
        const Moment moment = split(value);
        date_ = civilFromDays(moment.day + kOleEpoch);
        time_ = timeParts(moment.ms);
        dayOfWeek_ = dayOfWeekIndex(moment.day);
    }

    QString format(const QString &format)
    {
        append(format, 0);
        return out_;
    }

private:
    void append(const QString &format, int depth)
    {
        const bool twelveHour = usesTwelveHourClock(format);
        char16_t lastToken = 0;
        qsizetype i = 0;
        while (i < format.size()) {
            const QChar c = format.at(i);
            const char16_t letter = c.toUpper().unicode();
            const int run = letter >= u'A' && letter <= u'Z' ? sameLetterRun(format, i) : 1;
            int used = 1;
            switch (letter) {
            case u'"':
            case u'\'': {
                const qsizetype close = closingQuote(format, i);
                out_ += format.mid(i + 1, close - i - 1);
                used = static_cast<int>(std::min(close + 1, format.size()) - i);
                break;
            }
            case u'/':
                out_ += settings_.dateSeparator;
                break;
            case u':':
                out_ += settings_.timeSeparator;
                break;
            case u'C':
                // A short date or long time format naming "c" again is not expanded twice.
                if (depth == 0) {
                    append(settings_.shortDateFormat, depth + 1);
                    if (time_.hour || time_.minute || time_.second || time_.millisecond) {
                        out_ += u' ';
                        append(settings_.longTimeFormat, depth + 1);
                    }
                }
                lastToken = letter;
                break;
            case u'D':
                used = std::min(run, 4);
                appendDay(used);
                lastToken = letter;
                break;
            case u'M':
                used = std::min(run, 4);
                if (used <= 2 && lastToken == u'H') {
                    out_ += used == 1 ? QString::number(time_.minute) : padded(time_.minute, 2);
                    lastToken = u'N';
                } else {
                    appendMonth(used);
                    lastToken = letter;
                }
                break;
            case u'Y':
                used = std::min(run, 4);
                out_ += used <= 2 ? padded(((date_.year % 100) + 100) % 100, 2)
                                  : padded(date_.year, 4);
                lastToken = letter;
                break;
            case u'H': {
                used = std::min(run, 2);
                int hour = time_.hour;
                if (twelveHour) {
                    hour %= 12;
                    if (hour == 0)
                        hour = 12;
                }
                out_ += used == 1 ? QString::number(hour) : padded(hour, 2);
                lastToken = letter;
                break;
            }
            case u'N':
                used = std::min(run, 2);
                out_ += used == 1 ? QString::number(time_.minute) : padded(time_.minute, 2);
                lastToken = letter;
                break;
            case u'S':
                used = std::min(run, 2);
                out_ += used == 1 ? QString::number(time_.second) : padded(time_.second, 2);
                lastToken = letter;
                break;
            case u'Z':
                used = std::min(run, 3);
                out_ += used == 1 ? QString::number(time_.millisecond)
                                  : padded(time_.millisecond, 3);
                lastToken = letter;
                break;
            case u'A':
                used = designatorLength(format, i);
                if (used == 0) {
                    out_ += c;
                    used = 1;
                    break;
                }
                appendDesignator(format, i, used);
                lastToken = letter;
                break;
            default:
                out_ += c;
                break;
            }
            i += used;
        }
    }

    static int sameLetterRun(const QString &format, qsizetype from)
    {
        const QChar letter = format.at(from).toUpper();
        int run = 1;
        while (from + run < format.size() && format.at(from + run).toUpper() == letter)
            ++run;
        return run;
    }

    void appendDay(int count)
    {
        switch (count) {
        case 1: out_ += QString::number(date_.day); break;
        case 2: out_ += padded(date_.day, 2); break;
        case 3:
            out_ += nameFrom(settings_.shortDayNames, dayOfWeek_,
                             c_.dayName(dayOfWeek_ == 0 ? 7 : dayOfWeek_, QLocale::ShortFormat));
            break;
        default:
            out_ += nameFrom(settings_.longDayNames, dayOfWeek_,
                             c_.dayName(dayOfWeek_ == 0 ? 7 : dayOfWeek_, QLocale::LongFormat));
            break;
        }
    }

    void appendMonth(int count)
    {
        switch (count) {
        case 1: out_ += QString::number(date_.month); break;
        case 2: out_ += padded(date_.month, 2); break;
        case 3:
            out_ += nameFrom(settings_.shortMonthNames, date_.month - 1,
                             c_.monthName(date_.month, QLocale::ShortFormat));
            break;
        default:
            out_ += nameFrom(settings_.longMonthNames, date_.month - 1,
                             c_.monthName(date_.month, QLocale::LongFormat));
            break;
        }
    }

    void appendDesignator(const QString &format, qsizetype at, int length)
    {
        const bool afternoon = time_.hour >= 12;
        switch (length) {
        case 5:  // am/pm as written
            out_ += format.mid(afternoon ? at + 3 : at, 2);
            break;
        case 3:  // a/p as written
            out_ += format.at(afternoon ? at + 2 : at);
            break;
        default:  // ampm: the locale's
            out_ += afternoon ? settings_.pmDesignator : settings_.amDesignator;
            break;
        }
    }

    const RegionalSettings &settings_;
    const QLocale c_;
    DateParts date_;
    TimeParts time_;
    int dayOfWeek_ = 0;
    QString out_;
};

// Reads one or two ASCII digits at pos.
std::optional<int> readNumber(QStringView text, qsizetype &pos)
{
    int value = 0;
    int digits = 0;
    while (pos < text.size() && digits < 3 && text.at(pos) >= u'0' && text.at(pos) <= u'9') {
        value = value * 10 + (text.at(pos).unicode() - u'0');
        ++digits;
        ++pos;
    }
    if (digits == 0 || digits > 2)
        return std::nullopt;
    return value;
}

void skipBlanks(QStringView text, qsizetype &pos)
{
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
}

// 0 for AM, 1 for PM, nullopt for no designator at pos; pos moves past a designator.
std::optional<int> readDesignator(QStringView text, qsizetype &pos,
                                  const RegionalSettings &settings)
{
    struct Candidate { QString text; int half; };
    const Candidate candidates[] = {
        {settings.amDesignator, 0}, {settings.pmDesignator, 1},
        {QStringLiteral("AM"), 0}, {QStringLiteral("PM"), 1},
    };
    const Candidate *best = nullptr;
    for (const Candidate &candidate : candidates) {
        if (candidate.text.isEmpty()
            || !text.mid(pos).startsWith(candidate.text, Qt::CaseInsensitive))
            continue;
        if (!best || candidate.text.size() > best->text.size())
            best = &candidate;
    }
    if (!best)
        return std::nullopt;
    pos += best->text.size();
    return best->half;
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool IsValidDate(int year, int month, int day)
{
    static constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1)
        return false;
    const int last = kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    return day <= last;
}

bool IsValidTime(int hour, int minute, int second, int millisecond)
{
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60
           && millisecond >= 0 && millisecond < 1000;
}

std::optional<OleDate> EncodeDate(int year, int month, int day)
{
    if (!IsValidDate(year, month, day))
        return std::nullopt;
    return static_cast<double>(daysFromCivil(year, month, day) - kOleEpoch);
}

std::optional<OleDate> EncodeTime(int hour, int minute, int second, int millisecond)
{
    if (!IsValidTime(hour, minute, second, millisecond))
        return std::nullopt;
    const std::int64_t ms = ((hour * 60 + minute) * 60 + second) * 1000LL + millisecond;
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

std::optional<OleDate> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                      int second, int millisecond)
{
    const std::optional<OleDate> date = EncodeDate(year, month, day);
    const std::optional<OleDate> time = EncodeTime(hour, minute, second, millisecond);
    if (!date || !time)
        return std::nullopt;
    return CombineDateTime(*date, *time);
}

DateParts DecodeDate(OleDate value)
{
    return civilFromDays(split(value).day + kOleEpoch);
}

TimeParts DecodeTime(OleDate value)
{
    return timeParts(split(value).ms);
}

OleDate DatePart(OleDate value)
{
    return static_cast<double>(split(value).day);
}

OleDate TimeOfDay(OleDate value)
{
    return join(0, split(value).ms);
}

OleDate CombineDateTime(OleDate date, OleDate time)
{
    return join(split(date).day, split(time).ms);
}

int DayOfWeek(OleDate value)
{
    return dayOfWeekIndex(split(value).day) + 1;
}

OleDate Now()
{
    return FromQDateTime(QDateTime::currentDateTime());
}

OleDate FromQDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return 0;
    const QDateTime local = dateTime.toLocalTime();
    const QDate date = local.date();
    const std::int64_t day =
        daysFromCivil(date.year(), date.month(), date.day()) - kOleEpoch;
    return join(day, local.time().msecsSinceStartOfDay());
}

QDateTime ToQDateTime(OleDate value)
{
    const Moment moment = split(value);
    const DateParts date = civilFromDays(moment.day + kOleEpoch);
    return QDateTime(QDate(date.year, date.month, date.day),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(moment.ms)));
}

QString FormatDateTime(const QString &format, OleDate value, const RegionalSettings &settings)
{
    return Formatter(settings, value).format(format);
}

std::optional<OleDate> TryParseTime(const QString &text, const RegionalSettings &settings)
{
    const QStringView view(text);
    qsizetype pos = 0;
    skipBlanks(view, pos);

    std::optional<int> half = readDesignator(view, pos, settings);
    if (half)
        skipBlanks(view, pos);

    const std::optional<int> hour = readNumber(view, pos);
    if (!hour || pos >= view.size())
        return std::nullopt;
    const QChar separator = view.at(pos);
    if (separator != settings.timeSeparator && separator != u':')
        return std::nullopt;
    ++pos;
    const std::optional<int> minute = readNumber(view, pos);
    if (!minute)
        return std::nullopt;
    int second = 0;
    if (pos < view.size() && view.at(pos) == separator) {
        ++pos;
        const std::optional<int> seconds = readNumber(view, pos);
        if (!seconds)
            return std::nullopt;
        second = *seconds;
    }

    skipBlanks(view, pos);
    if (!half) {
        half = readDesignator(view, pos, settings);
        skipBlanks(view, pos);
    }
    if (pos != view.size())
        return std::nullopt;

    int hour24 = *hour;
    if (half) {
        if (hour24 < 1 || hour24 > 12)
            return std::nullopt;
        hour24 = hour24 % 12 + (*half == 1 ? 12 : 0);
    }
    return EncodeTime(hour24, *minute, second);
}

} // namespace platform
