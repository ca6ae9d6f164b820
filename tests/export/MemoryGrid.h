#pragma once
// An in-memory table behind the ExportSource interface: the tests' stand-in for the result
// grid and its view. It records how the writers used it (display suspension, sorting, moves)
// and can fail or grow while a writer walks it.

#include "export/ExportSource.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

class MemoryGrid : public ExportSource
{
public:
    struct Cell
    {
        bool null = false;
        QString text;       // the display text
        double number = 0;  // the value of an Integer or Float column
    };
    struct Row
    {
        qint64 id = 0;  // storage order
        std::vector<Cell> cells;
    };

    // A grid of text columns with the given titles (field names f0, f1, ...).
    static MemoryGrid WithTextColumns(const QStringList &titles);
    // Appends a row of texts; std::nullopt is a null field. Ids count up from 1.
    MemoryGrid &AddRow(const std::vector<std::optional<QString>> &texts);
    Row &AddEmptyRow();

    std::vector<ExportColumn> columns;
    std::vector<Row> rows;  // in the view's current order
    bool titles = true;
    int footers = 0;
    bool sequential = true;
    std::vector<qint64> selection;  // ids of the selected rows
    size_t current = 0;             // index into rows; rows.size() is "past the end"

    // Observations.
    int suspendDepth = 0;
    int maxSuspendDepth = 0;
    int suspendCalls = 0;
    int sortCalls = 0;
    mutable int cellReads = 0;

    // Called before every DisplayText with the current row index; may throw or add rows.
    std::function<void(size_t rowIndex)> onRead;

    // The id of the current row, or -1 past the end.
    qint64 CurrentId() const { return current < rows.size() ? rows[current].id : -1; }
    void MoveToId(qint64 id);

    std::vector<ExportColumn> Columns() const override { return columns; }
    bool ShowsTitleRow() const override { return titles; }
    int FooterRowCount() const override { return footers; }
    void SuspendDisplayUpdates() override;
    void ResumeDisplayUpdates() override;
    Bookmark CurrentPosition() const override { return QVariant(CurrentId()); }
    void MoveTo(const Bookmark &position) override;
    void SortByStorageOrder() override;
    int RecordCount() const override { return static_cast<int>(rows.size()); }
    bool NumbersRecordsSequentially() const override { return sequential; }
    int RecordNumber() const override { return static_cast<int>(current) + 1; }
    void First() override { current = 0; }
    void Next() override;
    bool AtEnd() const override { return current >= rows.size(); }
    std::vector<Bookmark> SelectedRows() const override;
    QString DisplayText(int column) const override;
    bool IsNull(int column) const override { return cell(column).null; }
    std::int32_t IntegerValue(int column) const override
    {
        return static_cast<std::int32_t>(cell(column).number);
    }
    double FloatValue(int column) const override { return cell(column).number; }

private:
    const Cell &cell(int column) const;
};
