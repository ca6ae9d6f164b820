#include "XlsTestSupport.h"

#include "MemoryGrid.h"
#include "export/TDBGridExportAsXLS.h"

#include <QBuffer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <bit>

namespace xlstest {

QByteArray Hex(const char *text)
{
    QByteArray digits(text);
    digits.replace(' ', "").replace('\n', "");
    return QByteArray::fromHex(digits);
}

std::uint16_t Record::Word(int offset) const
{
    return qFromLittleEndian<std::uint16_t>(body.constData() + offset);
}

double Record::Number() const
{
    return std::bit_cast<double>(qFromLittleEndian<quint64>(body.constData() + 6));
}

std::vector<Record> Records(const QByteArray &bytes)
{
    std::vector<Record> records;
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4) {
            ADD_FAILURE() << "truncated record header at offset " << at;
            break;
        }
        const auto id = qFromLittleEndian<std::uint16_t>(bytes.constData() + at);
        const auto length = qFromLittleEndian<std::uint16_t>(bytes.constData() + at + 2);
        if (bytes.size() - at - 4 < length) {
            ADD_FAILURE() << "truncated record body at offset " << at;
            break;
        }
        records.push_back({id, bytes.mid(at + 4, length)});
        at += 4 + length;
    }
    return records;
}

QByteArray ExportToBytes(MemoryGrid &grid, bool exportAll)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TDBGridExportAsXLS exporter;
    exporter.SetGrid(&grid);
    exporter.ExportToStream(buffer, exportAll);
    return buffer.data();
}

qint64 FailingDevice::writeData(const char *data, qint64 size)
{
    const qint64 room = limit_ - written.size();
    if (room < size) {
        setErrorString(QStringLiteral("the medium is full"));
        return -1;
    }
    written.append(data, size);
    return size;
}

} // namespace xlstest
