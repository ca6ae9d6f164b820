// The export writers' cell texts: a small table built from the input goes through the .xls
// writer, and every row of it through the CSV line writer. The .xls bytes are read back record
// by record (cells in row-major order, each text the code page's bytes of its first 255 units,
// numbers bit for bit); each CSV line is split again by a plain reader and must give back the
// fields' bytes.
//
// Input: byte 0 picks the code page, byte 1 the separator, byte 2 the column count (1..6) and
// whether titles and a footer row are shown; then one byte per column for its kind, then the
// cells (titles first when shown), each a flags byte (a number follows / a null field) and a
// text: a length byte (127 takes one more byte n for 127 + 4n) and its data; a length byte with
// the high bit set takes its data as UTF-16 units (any character, lone surrogates too), else as
// bytes in code page 1252.
#include "export/CsvExport.h"
#include "export/ExportSource.h"
#include "export/TDBGridExportAsXLS.h"
#include "platform/CodePage.h"

#include <QBuffer>
#include <QStringList>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

void Check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "export check failed: %s\n", what);
        std::abort();
    }
}

class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    bool AtEnd() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    QString Text()
    {
        const std::uint8_t head = Byte();
        std::size_t length = head & 0x7F;
        if (length == 0x7F)
            length += 4 * std::size_t(Byte());
        length = std::min(length, size_ - std::min(at_, size_));
        const auto *start = reinterpret_cast<const char *>(data_ + at_);
        at_ += length;
        if (head & 0x80) {
            QString text;
            for (std::size_t i = 0; i + 1 < length; i += 2)
                text += QChar(char16_t(std::uint8_t(start[i]) | std::uint8_t(start[i + 1]) << 8));
            return text;
        }
        return platform::FromAnsi(QByteArrayView(start, static_cast<qsizetype>(length)), 1252);
    }
    double Number()
    {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = bits << 8 | Byte();
        return std::bit_cast<double>(bits);
    }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// An integer column's value: the low 32 bits of the cell's number.
std::int32_t AsInteger(double number)
{
    return static_cast<std::int32_t>(std::bit_cast<std::uint64_t>(number));
}

class Table : public ExportSource
{
public:
    struct Cell
    {
        std::optional<QString> text;  // none: a null field
        double number = 0;
    };

    std::vector<ExportColumn> columns;
    std::vector<std::vector<Cell>> rows;
    bool titles = true;
    int footers = 0;
    std::size_t current = 0;

    std::vector<ExportColumn> Columns() const override { return columns; }
    bool ShowsTitleRow() const override { return titles; }
    int FooterRowCount() const override { return footers; }
    void SuspendDisplayUpdates() override {}
    void ResumeDisplayUpdates() override {}
    Bookmark CurrentPosition() const override { return QVariant(qulonglong(current)); }
    void MoveTo(const Bookmark &position) override { current = position.toULongLong(); }
    void SortByStorageOrder() override {}
    int RecordCount() const override { return static_cast<int>(rows.size()); }
    bool NumbersRecordsSequentially() const override { return true; }
    int RecordNumber() const override { return static_cast<int>(current) + 1; }
    void First() override { current = 0; }
    void Next() override { ++current; }
    bool AtEnd() const override { return current >= rows.size(); }
    std::vector<Bookmark> SelectedRows() const override { return {}; }
    QString DisplayText(int column) const override { return cell(column).text.value_or(QString()); }
    bool IsNull(int column) const override { return !cell(column).text; }
    std::int32_t IntegerValue(int column) const override { return AsInteger(cell(column).number); }
    double FloatValue(int column) const override { return cell(column).number; }

private:
    const Cell &cell(int column) const { return rows.at(current).at(static_cast<std::size_t>(column)); }
};

std::uint16_t Word(const QByteArray &bytes, qsizetype at)
{
    return std::uint16_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8);
}

// Reads the next record and checks its place, kind and body against what the cell holds.
class XlsReader
{
public:
    explicit XlsReader(const QByteArray &bytes) : bytes_(bytes) {}

    void Record(std::uint16_t &id, QByteArray &body)
    {
        Check(at_ + 4 <= bytes_.size(), "a whole record header");
        id = Word(bytes_, at_);
        const std::uint16_t length = Word(bytes_, at_ + 2);
        Check(at_ + 4 + length <= bytes_.size(), "a whole record body");
        body = bytes_.mid(at_ + 4, length);
        at_ += 4 + length;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

    void Cell(std::uint16_t row, std::uint16_t col, const std::optional<QString> &text,
              std::optional<double> number)
    {
        std::uint16_t id = 0;
        QByteArray body;
        Record(id, body);
        Check(body.size() >= 6 && Word(body, 0) == row && Word(body, 2) == col, "cells in row-major order");
        if (text) {
            const QByteArray expected = platform::ToAnsi(QStringView(*text).left(255));
            Check(id == 0x0204, "a text cell is a LABEL");
            Check(body.size() == 8 + expected.size() && Word(body, 6) == expected.size(), "LABEL length");
            Check(body.mid(8) == expected, "LABEL bytes");
        } else if (number) {
            Check(id == 0x0203 && body.size() == 14, "a number cell is a NUMBER");
            std::uint64_t bits = 0;
            for (int i = 7; i >= 0; --i)
                bits = bits << 8 | std::uint8_t(body[6 + i]);
            // A sum with NaNs in it is NaN, but which NaN depends on the order of the additions.
            const double wrote = std::bit_cast<double>(bits);
            Check(bits == std::bit_cast<std::uint64_t>(*number) || (std::isnan(wrote) && std::isnan(*number)),
                  "NUMBER bits");
        } else {
            Check(id == 0x0201 && body.size() == 6 && Word(body, 4) == 23, "an empty cell is a BLANK");
        }
    }

private:
    const QByteArray &bytes_;
    qsizetype at_ = 0;
};

// A plain CSV reader for one line: fields split at sep, a field that starts with a quote runs
// to its closing quote with doubled quotes inside. False when the line is not well formed.
bool SplitCsv(const QByteArray &line, char sep, QList<QByteArray> &fields)
{
    fields.clear();
    qsizetype i = 0;
    while (true) {
        QByteArray field;
        if (i < line.size() && line[i] == '"') {
            ++i;
            while (true) {
                if (i >= line.size())
                    return false;
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            if (i < line.size() && line[i] != sep)
                return false;
        } else {
            while (i < line.size() && line[i] != sep) {
                if (line[i] == '"' || line[i] == '\r' || line[i] == '\n')
                    return false;
                field += line[i++];
            }
        }
        fields.append(field);
        if (i >= line.size())
            return true;
        ++i;  // the separator
    }
}

constexpr int kCodePages[] = {1250, 1251, 1252, 1253, 1254, 1257};
// List separators of real locales, and one that no code page has.
constexpr char16_t kSeparators[] = {u',', u';', u'\t', u'|', u' ', u'.', u'\u060C', u'\u00A0'};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Input in(data, size);
    const int codePage = kCodePages[in.Byte() % std::size(kCodePages)];
    platform::SetAnsiCodePage(codePage);
    const QChar separator(kSeparators[in.Byte() % std::size(kSeparators)]);
    const std::uint8_t shape = in.Byte();

    Table table;
    const int columnCount = shape % 6 + 1;
    table.titles = (shape & 0x10) == 0;
    table.footers = (shape & 0x20) ? 1 : 0;
    for (int c = 0; c < columnCount; ++c) {
        const std::uint8_t kind = in.Byte();
        ExportColumn column;
        column.fieldName = (kind & 0x04) ? QString() : QStringLiteral("f%1").arg(c);
        column.kind = static_cast<ExportFieldKind>(kind & 0x03);
        column.keyPickList = (kind & 0x08) != 0;
        column.visible = (kind & 0x10) == 0 || c == 0;
        table.columns.push_back(column);
    }
    if (table.titles)
        for (ExportColumn &column : table.columns)
            column.title = in.Text();
    while (!in.AtEnd() && table.rows.size() < 16) {
        std::vector<Table::Cell> row;
        for (const ExportColumn &column : table.columns) {
            Table::Cell cell;
            const std::uint8_t flags = in.Byte();
            if (flags & 0x01)
                cell.number = in.Number();
            if (!(flags & 0x02))
                cell.text = in.Text();
            (void)column;
            row.push_back(cell);
        }
        table.rows.push_back(std::move(row));
    }

    std::vector<int> visible;
    for (int c = 0; c < columnCount; ++c)
        if (table.columns[c].visible)
            visible.push_back(c);

    // .xls
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TDBGridExportAsXLS writer;
    writer.SetGrid(&table);
    writer.ExportToStream(buffer, true);
    Check(table.current == 0, "position restored");
    const QByteArray xls = buffer.data();
    XlsReader reader(xls);
    std::uint16_t id = 0;
    QByteArray body;
    reader.Record(id, body);
    Check(id == 0x0809 && body.size() == 8, "BOF first");
    std::uint16_t row = 0;
    if (table.titles) {
        for (std::size_t k = 0; k < visible.size(); ++k)
            reader.Cell(row, std::uint16_t(k), table.columns[visible[k]].title, std::nullopt);
        ++row;
    }
    std::vector<double> sums(visible.size(), 0.0);
    for (const auto &cells : table.rows) {
        for (std::size_t k = 0; k < visible.size(); ++k) {
            const ExportColumn &column = table.columns[visible[k]];
            const Table::Cell &cell = cells[visible[k]];
            std::optional<QString> text;
            std::optional<double> number;
            if (!column.hasField()) {
            } else if (column.keyPickList) {
                text = cell.text.value_or(QString());
            } else if (!cell.text) {
            } else if (column.kind == ExportFieldKind::Integer) {
                number = AsInteger(cell.number);
            } else if (column.kind == ExportFieldKind::Float) {
                number = cell.number;
            } else {
                text = cell.text;
            }
            if (column.hasField() && cell.text && (column.kind == ExportFieldKind::Integer ||
                                                   column.kind == ExportFieldKind::Float))
                sums[k] += column.kind == ExportFieldKind::Integer ? AsInteger(cell.number) : cell.number;
            reader.Cell(row, std::uint16_t(k), text, number);
        }
        ++row;
    }
    for (int footer = 0; footer < table.footers; ++footer) {
        for (std::size_t k = 0; k < visible.size(); ++k) {
            const ExportColumn &column = table.columns[visible[k]];
            const bool numeric = column.hasField() &&
                                 (column.kind == ExportFieldKind::Integer || column.kind == ExportFieldKind::Float);
            reader.Cell(row, std::uint16_t(k), std::nullopt, numeric ? std::optional<double>(sums[k]) : std::nullopt);
        }
        ++row;
    }
    reader.Record(id, body);
    Check(id == 0x000A && body.isEmpty() && reader.AtEnd(), "EOF last");

    // CSV: each row's display texts, and the titles.
    const QByteArray sepBytes = platform::ToAnsi(QStringView(&separator, 1));
    Check(sepBytes.size() == 1, "one separator byte");
    auto checkLine = [&](const QStringList &fields) {
        const QByteArray line = CsvLine(fields, separator);
        QList<QByteArray> back;
        Check(SplitCsv(line, sepBytes[0], back), "CSV line reads");
        Check(back.size() == fields.size(), "CSV field count");
        for (qsizetype i = 0; i < fields.size(); ++i)
            Check(back[i] == platform::ToAnsi(fields[i]), "CSV field bytes");
    };
    QStringList titles;
    for (int c : visible)
        titles << table.columns[c].title;
    checkLine(titles);
    for (const auto &cells : table.rows) {
        QStringList fields;
        for (int c : visible)
            fields << cells[c].text.value_or(QString());
        checkLine(fields);
    }
    return 0;
}
