#include "MemoryGrid.h"

#include <algorithm>

MemoryGrid MemoryGrid::WithTextColumns(const QStringList &titles)
{
    MemoryGrid grid;
    for (qsizetype i = 0; i < titles.size(); ++i)
        grid.columns.push_back({titles[i], QStringLiteral("f%1").arg(i), ExportFieldKind::Text});
    return grid;
}

MemoryGrid &MemoryGrid::AddRow(const std::vector<std::optional<QString>> &texts)
{
    Row &row = AddEmptyRow();
    for (const auto &text : texts)
        row.cells.push_back(text ? Cell{false, *text, 0} : Cell{true, QString(), 0});
    return *this;
}

MemoryGrid::Row &MemoryGrid::AddEmptyRow()
{
    qint64 id = 1;
    for (const Row &row : rows)
        id = std::max(id, row.id + 1);
    rows.push_back({id, {}});
    return rows.back();
}

void MemoryGrid::MoveToId(qint64 id)
{
    // Rows usually sit at index id - 1; look there first to keep large tables fast.
    if (id >= 1 && size_t(id) <= rows.size() && rows[size_t(id) - 1].id == id) {
        current = size_t(id) - 1;
        return;
    }
    current = rows.size();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].id == id)
            current = i;
}

void MemoryGrid::SuspendDisplayUpdates()
{
    ++suspendCalls;
    ++suspendDepth;
    maxSuspendDepth = std::max(maxSuspendDepth, suspendDepth);
}

void MemoryGrid::ResumeDisplayUpdates()
{
    if (suspendDepth == 0)
        throw std::logic_error("display updates resumed more often than suspended");
    --suspendDepth;
}

void MemoryGrid::MoveTo(const Bookmark &position)
{
    MoveToId(position.toLongLong());
}

void MemoryGrid::SortByStorageOrder()
{
    ++sortCalls;
    const qint64 id = CurrentId();
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return a.id < b.id; });
    MoveToId(id);
}

void MemoryGrid::Next()
{
    if (current < rows.size())
        ++current;
}

std::vector<ExportSource::Bookmark> MemoryGrid::SelectedRows() const
{
    std::vector<Bookmark> result;
    for (qint64 id : selection)
        result.emplace_back(id);
    return result;
}

QString MemoryGrid::DisplayText(int column) const
{
    if (onRead)
        onRead(current);
    ++cellReads;
    return cell(column).text;
}

const MemoryGrid::Cell &MemoryGrid::cell(int column) const
{
    if (current >= rows.size())
        throw std::logic_error("value read past the end of the view");
    return rows[current].cells.at(static_cast<size_t>(column));
}
