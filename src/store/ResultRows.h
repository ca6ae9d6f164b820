#pragma once
// The compact in-memory copy of the result rows that the result view holds.
//
// A million rows must fit in a few hundred megabytes, so a row is not a set of QStrings: it is
// a 48-byte header (row key, the three date-times, null marks, state) plus one packed record
// of its eleven texts in UTF-8, each preceded by its length, in large shared blocks. Texts are
// turned into QStrings only when they are read. Rows are only ever appended; the view makes a
// new copy when it reads the file again.
//
// Row numbers here are storage numbers (the order rows were added), not display positions.

#include "store/ResultLogSchema.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace store {

inline constexpr int kDateSlotCount = 3;
inline constexpr int kTextSlotCount = 11;

// The slot of a table column in the compact row: a date slot for date-time columns, a text
// slot for text columns, -1 otherwise.
int DateSlotOf(ResultColumn column);
int TextSlotOf(ResultColumn column);

// One row in full form: the row being appended, before it is posted.
struct RowValues
{
    std::array<std::optional<double>, kDateSlotCount> dates;
    std::array<QString, kTextSlotCount> texts;   // a null QString is NULL
};

class ResultRows
{
public:
    ResultRows() = default;
    ResultRows(const ResultRows &) = delete;
    ResultRows &operator=(const ResultRows &) = delete;

    std::size_t Size() const { return rows_.size(); }

    // Appends a row read from the file. A text whose data() is null is NULL.
    std::size_t AppendStored(std::int64_t id, const std::array<std::optional<double>, kDateSlotCount> &dates,
                             const std::array<std::string_view, kTextSlotCount> &texts);
    // Appends a row that is not in the file yet (no row key).
    std::size_t AppendPending(const RowValues &values);

    bool IsPending(std::size_t row) const { return rows_[row].pending; }
    // Gives a pending row the key the database assigned and marks it stored.
    void MarkStored(std::size_t row, std::int64_t id);

    // The row key; nullopt for a pending row.
    std::optional<std::int64_t> Id(std::size_t row) const;
    std::optional<double> Date(std::size_t row, int slot) const;
    // UTF-8 view into the block; data() is null for NULL. Valid while this copy lives.
    std::string_view TextUtf8(std::size_t row, int slot) const;
    // Null QString for NULL.
    QString Text(std::size_t row, int slot) const;

    // Bytes held by headers and text blocks (for the benchmark's report).
    std::size_t MemoryBytes() const;

private:
    struct Row
    {
        const unsigned char *texts;   // packed record in a block
        double dates[kDateSlotCount];
        std::int64_t id;
        std::uint8_t dateNulls;       // bit i set: date slot i is NULL
        bool pending;
    };

    std::size_t Append(std::int64_t id, const std::array<std::optional<double>, kDateSlotCount> &dates,
                       const std::array<std::string_view, kTextSlotCount> &texts, bool pending);
    unsigned char *Allocate(std::size_t bytes);

    std::vector<Row> rows_;
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::size_t blockBytes_ = 0;
    unsigned char *free_ = nullptr;
    unsigned char *end_ = nullptr;
};

} // namespace store
