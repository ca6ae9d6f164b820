#include "comm/MeterPortSearch.h"

#include "platform/ParseInteger.h"

std::vector<int> MeterPortNumbers(const QStringList &portList)
{
    std::vector<int> numbers;
    for (const QString &line : portList) {
        if (!line.contains(QLatin1String("Silabser")))
            continue;
        const qsizetype separator = line.indexOf(QLatin1String("##"));
        if (separator < 0)
            continue;
        const QStringView data = QStringView(line).mid(separator + 2);
        const qsizetype com = data.indexOf(QLatin1String("COM"));
        if (com < 0)
            continue;
        if (const auto number = platform::ParseInteger(data.mid(com + 3)))
            numbers.push_back(*number);
    }
    return numbers;
}
