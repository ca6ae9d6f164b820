#include "MeterRecords.h"

#include <QTime>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

const QByteArray kCrLf("\r\n");

struct Unit
{
    const char *name;
    double factor;   // from g/dL
    int decimals;
};

Unit UnitFor(const QString &name)
{
    if (name == QLatin1String("g/dL"))
        return {"g/dL", 1.0, 1};
    if (name == QLatin1String("mmol/L"))
        return {"mmol/L", 0.6206, 1};
    if (name == QLatin1String("g/L"))
        return {"g/L", 10.0, 0};
    throw std::invalid_argument("unknown HB unit: " + name.toStdString() + " (use g/dL, mmol/L or g/L)");
}

class Generator
{
public:
    explicit Generator(const GeneratorOptions &options) : options_(options), random_(options.seed) {}

    double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool chance(double rate) { return rate > 0 && uniform(0.0, 1.0) < rate; }

    QByteArray flag()
    {
        if (options_.flags.isEmpty() || !chance(options_.flagRate))
            return {};
        return options_.flags.at(between(0, static_cast<int>(options_.flags.size()) - 1)).toLatin1();
    }

    QByteArray dateLine(const QDate &date)
    {
        const QTime time(between(0, 23), between(0, 59), options_.seconds ? between(0, 59) : 0);
        const QString format = options_.seconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
        return date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1() + ' ' + time.toString(format).toLatin1();
    }

    // A value in [low, high] that fits its flag: H high, L low, ">" above and "<" below the
    // measuring range (the value is then the range's end).
    double valueFor(const QByteArray &flag, double low, double high, double normalLow, double normalHigh)
    {
        if (flag == "H")
            return uniform(normalHigh, high);
        if (flag == "L")
            return uniform(low, normalLow);
        if (flag == ">")
            return high;
        if (flag == "<")
            return low;
        return uniform(normalLow, normalHigh);
    }

    QByteArray record(const QDate &date, int id)
    {
        const QByteArray hbFlag = flag();
        const double hb = valueFor(hbFlag, 4.0, 25.6, 11.0, 17.0); // g/dL, the meter's range
        const Unit unit = UnitFor(options_.units.at(between(0, static_cast<int>(options_.units.size()) - 1)));
        const QByteArray hbText = QByteArray::number(hb * unit.factor, 'f', unit.decimals);
        auto hctLine = [&] {
            const QByteArray hctFlag = flag();
            const int hct = static_cast<int>(valueFor(hctFlag, 12, 75, 33, 54) + 0.5);
            return "HCT: " + hctFlag + QByteArray::number(hct) + "%" + kCrLf;
        };

        QByteArray text = dateLine(date) + kCrLf;
        text += "ID: " + QByteArray::number(id).rightJustified(4, '0') + kCrLf;
        text += "HB: " + hbFlag + hbText + unit.name + kCrLf;
        text += hctLine();
        if (chance(options_.secondHctRate))
            text += hctLine();
        return text + kCrLf;
    }

    // Damaged input of the kinds a receiving side must survive.
    QByteArray malformed(const QDate &date, int id)
    {
        const QByteArray idLine = "ID: " + QByteArray::number(id).rightJustified(4, '0') + kCrLf;
        switch (between(0, 7)) {
        case 0: return dateLine(date) + kCrLf + kCrLf;                             // one line only
        case 1: return dateLine(date) + kCrLf + idLine + kCrLf;                    // no values
        case 2: return "24-5-1 10:00" + kCrLf + idLine + "HB: 12.0g/dL" + kCrLf + "HCT: 35%" + kCrLf + kCrLf;
        case 3: return dateLine(date) + kCrLf + idLine + "HB: ---" + kCrLf + "HCT: --" + kCrLf + kCrLf;
        case 4: return date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1() + "10:00" + kCrLf + idLine +
                       "HB: 12.0g/dL" + kCrLf + "HCT: 35%" + kCrLf + kCrLf;         // no blank in line 1
        case 5: return dateLine(date) + kCrLf + idLine + "HB: \xB0\xFF" "12.3g/dL" + kCrLf + "HCT: 3\x01" "5%" +
                       kCrLf + kCrLf;                                                  // stray bytes
        case 6: return kCrLf + kCrLf + kCrLf;                                       // empty lines between records
        default:                                                                       // lines beyond the fifth
            return dateLine(date) + kCrLf + idLine + "HB: 12.0g/dL" + kCrLf + "HCT: 35%" + kCrLf + "HCT: 36%" +
                   kCrLf + "EXTRA" + kCrLf + "MORE" + kCrLf + kCrLf;
        }
    }

private:
    const GeneratorOptions &options_;
    std::mt19937 random_;
};

} // namespace

QByteArray GenerateRecords(const GeneratorOptions &options)
{
    if (!options.from.isValid() || !options.to.isValid() || options.to < options.from)
        throw std::invalid_argument("the date range is empty");
    if (options.units.isEmpty())
        throw std::invalid_argument("no HB unit given");
    for (const QString &unit : options.units)
        UnitFor(unit);

    Generator generator(options);
    const int total = std::max(0, options.count) + std::max(0, options.malformed);
    const qint64 days = options.from.daysTo(options.to);

    // Which positions carry a malformed record, and the dates in ascending order.
    std::vector<bool> isMalformed(static_cast<std::size_t>(total), false);
    for (int i = 0; i < options.malformed; ++i)
        isMalformed[static_cast<std::size_t>(i)] = true;
    std::vector<qint64> offsets;
    for (int i = 0; i < total; ++i)
        offsets.push_back(static_cast<qint64>(generator.uniform(0.0, static_cast<double>(days) + 0.999)));
    std::sort(offsets.begin(), offsets.end());
    std::mt19937 shuffler(options.seed ^ 0x5EEDu);
    std::shuffle(isMalformed.begin(), isMalformed.end(), shuffler);

    QByteArray stream;
    int id = options.firstId;
    for (int i = 0; i < total; ++i) {
        const QDate date = options.from.addDays(offsets[static_cast<std::size_t>(i)]);
        stream += isMalformed[static_cast<std::size_t>(i)] ? generator.malformed(date, id) : generator.record(date, id);
        ++id;
    }
    return stream;
}

QByteArray RecordsFromFile(const QByteArray &contents, bool raw)
{
    if (raw)
        return contents;
    QByteArray stream;
    qsizetype start = 0;
    while (start < contents.size()) {
        qsizetype end = contents.indexOf('\n', start);
        const bool last = end < 0;
        if (last)
            end = contents.size();
        QByteArray line = contents.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        stream += line + kCrLf;
        start = end + 1;
    }
    return stream;
}
