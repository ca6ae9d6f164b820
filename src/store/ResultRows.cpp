#include "store/ResultRows.h"

#include <cstring>

namespace store {

namespace {

constexpr std::size_t kBlockSize = std::size_t(1) << 20;

// Lengths are stored as LEB128 varints of length + 1; 0 marks NULL.
std::size_t VarintSize(std::uint64_t value)
{
    std::size_t size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

unsigned char *PutVarint(unsigned char *out, std::uint64_t value)
{
    while (value >= 0x80) {
        *out++ = static_cast<unsigned char>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<unsigned char>(value);
    return out;
}

const unsigned char *GetVarint(const unsigned char *in, std::uint64_t *value)
{
    std::uint64_t result = 0;
    int shift = 0;
    while (*in & 0x80) {
        result |= std::uint64_t(*in++ & 0x7f) << shift;
        shift += 7;
    }
    result |= std::uint64_t(*in++) << shift;
    *value = result;
    return in;
}

} // namespace

int DateSlotOf(ResultColumn column)
{
    switch (column) {
    case ResultColumn::fDateTime: return 0;
    case ResultColumn::fRecDate: return 1;
    case ResultColumn::fTransferTime: return 2;
    default: return -1;
    }
}

int TextSlotOf(ResultColumn column)
{
    switch (column) {
    case ResultColumn::fDateTime_Txt: return 0;
    case ResultColumn::fRecID_Txt: return 1;
    case ResultColumn::fRecID: return 2;
    case ResultColumn::fHB_Txt: return 3;
    case ResultColumn::fHB_Unit: return 4;
    case ResultColumn::fHB_Flag: return 5;
    case ResultColumn::fHCT_Txt: return 6;
    case ResultColumn::fHCT_Unit: return 7;
    case ResultColumn::fHCT_Flag: return 8;
    case ResultColumn::fHB: return 9;
    case ResultColumn::fHCT: return 10;
    default: return -1;
    }
}

unsigned char *ResultRows::Allocate(std::size_t bytes)
{
    if (static_cast<std::size_t>(end_ - free_) < bytes || !free_) {
        // A record larger than a block (a very long text) gets a block of its own.
        const std::size_t size = bytes > kBlockSize / 4 ? bytes : kBlockSize;
        blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(size));
        blockBytes_ += size;
        if (size != kBlockSize)
            return blocks_.back().get();
        free_ = blocks_.back().get();
        end_ = free_ + size;
    }
    unsigned char *out = free_;
    free_ += bytes;
    return out;
}

std::size_t ResultRows::Append(std::int64_t id, const std::array<std::optional<double>, kDateSlotCount> &dates,
                               const std::array<std::string_view, kTextSlotCount> &texts, bool pending)
{
    std::size_t bytes = 0;
    for (const std::string_view &text : texts)
        bytes += text.data() ? VarintSize(text.size() + 1) + text.size() : 1;
    unsigned char *record = Allocate(bytes);
    unsigned char *out = record;
    for (const std::string_view &text : texts) {
        if (!text.data()) {
            *out++ = 0;
            continue;
        }
        out = PutVarint(out, text.size() + 1);
        if (!text.empty())
            std::memcpy(out, text.data(), text.size());
        out += text.size();
    }

    Row row{};
    row.texts = record;
    row.id = id;
    row.pending = pending;
    for (int i = 0; i < kDateSlotCount; ++i) {
        if (dates[static_cast<std::size_t>(i)])
            row.dates[i] = *dates[static_cast<std::size_t>(i)];
        else
            row.dateNulls |= static_cast<std::uint8_t>(1u << i);
    }
    rows_.push_back(row);
    return rows_.size() - 1;
}

std::size_t ResultRows::AppendStored(std::int64_t id,
                                     const std::array<std::optional<double>, kDateSlotCount> &dates,
                                     const std::array<std::string_view, kTextSlotCount> &texts)
{
    return Append(id, dates, texts, false);
}

std::size_t ResultRows::AppendPending(const RowValues &values)
{
    std::array<QByteArray, kTextSlotCount> utf8;
    std::array<std::string_view, kTextSlotCount> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (values.texts[i].isNull())
            continue;
        utf8[i] = values.texts[i].toUtf8();
        // Non-null data even for an empty text, which is not NULL.
        texts[i] = std::string_view(utf8[i].isEmpty() ? "" : utf8[i].constData(),
                                    static_cast<std::size_t>(utf8[i].size()));
    }
    return Append(0, values.dates, texts, true);
}

void ResultRows::MarkStored(std::size_t row, std::int64_t id)
{
    rows_[row].id = id;
    rows_[row].pending = false;
}

std::optional<std::int64_t> ResultRows::Id(std::size_t row) const
{
    if (rows_[row].pending)
        return std::nullopt;
    return rows_[row].id;
}

std::optional<double> ResultRows::Date(std::size_t row, int slot) const
{
    const Row &r = rows_[row];
    if (r.dateNulls & (1u << slot))
        return std::nullopt;
    return r.dates[slot];
}

std::string_view ResultRows::TextUtf8(std::size_t row, int slot) const
{
    const unsigned char *in = rows_[row].texts;
    std::uint64_t length = 0;
    for (int i = 0;; ++i) {
        in = GetVarint(in, &length);
        if (i == slot)
            break;
        if (length > 0)
            in += length - 1;
    }
    if (length == 0)
        return {};
    return std::string_view(reinterpret_cast<const char *>(in), static_cast<std::size_t>(length - 1));
}

QString ResultRows::Text(std::size_t row, int slot) const
{
    const std::string_view utf8 = TextUtf8(row, slot);
    if (!utf8.data())
        return QString();
    if (utf8.empty())
        return QStringLiteral("");
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::size_t ResultRows::MemoryBytes() const
{
    return rows_.capacity() * sizeof(Row) + blockBytes_;
}

} // namespace store
