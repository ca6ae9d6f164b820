#pragma once
// What the export writers see of the result grid: the grid's columns (titles as shown, bound
// fields, visibility, display order) joined with the rows of the result view behind the grid's
// data source. A second form serves the CSV export, which writes named fields of the view
// whatever the grid shows.
//
// The columns are read once, when the adapter is made; make one adapter per export. Position,
// sort and display updates act on the view: while the updates are suspended the grid keeps
// showing what it showed and does not follow the walk; resuming sends it one summary, after
// which it shows the view's current row again.
//
// GUI thread only. The grid (if any) and the view must outlive the adapter.

#include "export/ExportSource.h"

#include <QStringList>

#include <vector>

namespace store {
class ResultView;
}
class TDBGrid;

class GridExportSource : public ExportSource
{
public:
    // The grid's columns over the view of its data source. Throws std::logic_error when the
    // grid has no data source.
    explicit GridExportSource(TDBGrid &grid);
    // One visible column per field name (titled with the field name), in the given order,
    // over view; no grid, no title row. An unknown field name throws std::invalid_argument.
    GridExportSource(store::ResultView &view, const QStringList &fieldNames);

    std::vector<ExportColumn> Columns() const override { return columns_; }
    bool ShowsTitleRow() const override;
    int FooterRowCount() const override { return 0; }

    void SuspendDisplayUpdates() override;
    void ResumeDisplayUpdates() override;

    Bookmark CurrentPosition() const override;
    // Goes to the saved row; a position from an empty view, or one that a re-query has made
    // stale, leaves the current row where it is.
    void MoveTo(const Bookmark &position) override;

    void SortByStorageOrder() override;
    int RecordCount() const override;
    bool NumbersRecordsSequentially() const override { return true; }
    int RecordNumber() const override;
    void First() override;
    void Next() override;
    bool AtEnd() const override;
    std::vector<Bookmark> SelectedRows() const override;

    QString DisplayText(int column) const override;
    bool IsNull(int column) const override;
    std::int32_t IntegerValue(int column) const override;
    double FloatValue(int column) const override;

private:
    // The view column shown by export column `column`, -1 when none is bound.
    int ViewColumn(int column) const;
    QVariant Value(int column) const;

    TDBGrid *grid_ = nullptr;
    store::ResultView &view_;
    std::vector<ExportColumn> columns_;
    std::vector<int> viewColumns_;
};
