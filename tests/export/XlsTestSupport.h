#pragma once
// Helpers for the .xls tests: hex literals, the file's record structure, a device that fails.

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <vector>

class MemoryGrid;

namespace xlstest {

// "09 08 0A" -> bytes (blanks and line breaks ignored).
QByteArray Hex(const char *text);

struct Record
{
    std::uint16_t id = 0;
    QByteArray body;

    std::uint16_t Word(int offset) const;  // little-endian word at offset within the body
    std::uint16_t Row() const { return Word(0); }
    std::uint16_t Col() const { return Word(2); }
    std::uint16_t Xf() const { return Word(4); }
    QByteArray LabelBytes() const { return body.mid(8); }
    double Number() const;
};

// Splits bytes into records; a truncated record fails the calling test.
std::vector<Record> Records(const QByteArray &bytes);

// Runs TDBGridExportAsXLS over grid into memory.
QByteArray ExportToBytes(MemoryGrid &grid, bool exportAll = true);

// A device that takes the first `limit` bytes and then fails every write.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 limit) : limit_(limit) {}
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    qint64 limit_;
};

} // namespace xlstest
