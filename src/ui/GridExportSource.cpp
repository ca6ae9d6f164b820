#include "ui/GridExportSource.h"

#include "store/ResultLogModel.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "ui/TDBGrid.h"
#include "ui/TDBGridColumnsModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include <algorithm>
#include <stdexcept>

Q_DECLARE_METATYPE(store::ResultView::Bookmark)

namespace {

store::ResultView &ViewOf(TDBGrid &grid)
{
    if (!grid.DataSource())
        throw std::logic_error("GridExportSource: the grid has no data source");
    return grid.DataSource()->View();
}

ExportFieldKind KindOfViewColumn(int viewColumn)
{
    switch (store::ColumnInfoOf(static_cast<store::ResultColumn>(viewColumn)).kind) {
    case store::ColumnKind::AutoId:
        return ExportFieldKind::Integer;
    case store::ColumnKind::DateTime:
        return ExportFieldKind::Other;
    case store::ColumnKind::Text:
    case store::ColumnKind::Calculated:
        return ExportFieldKind::Text;
    }
    return ExportFieldKind::Other;
}

bool IsViewColumn(int column)
{
    return column >= 0 && column < store::kViewColumnCount;
}

} // namespace

GridExportSource::GridExportSource(TDBGrid &grid) : grid_(&grid), view_(ViewOf(grid))
{
    const QHeaderView &header = *grid.horizontalHeader();
    const int count = grid.ColumnCount();
    for (int visual = 0; visual < count; ++visual) {
        const int logical = header.logicalIndex(visual);
        if (logical < 0 || logical >= count)
            continue;
        const TColumn &column = grid.Column(logical);
        // A field the data source lacks shows nothing in the grid: export it as unbound.
        const int viewColumn = grid.ColumnsModel()->SourceColumn(logical);
        ExportColumn exported;
        exported.title = column.Title;
        exported.visible = !grid.isColumnHidden(logical);
        if (IsViewColumn(viewColumn)) {
            exported.fieldName = column.FieldName;
            exported.kind = KindOfViewColumn(viewColumn);
        }
        columns_.push_back(exported);
        viewColumns_.push_back(IsViewColumn(viewColumn) ? viewColumn : -1);
    }
}

GridExportSource::GridExportSource(store::ResultView &view, const QStringList &fieldNames)
    : view_(view)
{
    for (const QString &name : fieldNames) {
        const int viewColumn = store::FindViewColumn(name);
        if (!IsViewColumn(viewColumn))
            throw std::invalid_argument("GridExportSource: the result view has no field "
                                        + name.toStdString());
        ExportColumn exported;
        exported.title = name;
        exported.fieldName = name;
        exported.kind = KindOfViewColumn(viewColumn);
        columns_.push_back(exported);
        viewColumns_.push_back(viewColumn);
    }
}

bool GridExportSource::ShowsTitleRow() const
{
    return grid_ && (grid_->Options() & TDBGrid::dgTitles) != 0;
}

void GridExportSource::SuspendDisplayUpdates()
{
    view_.DisableDisplayUpdates();
}

void GridExportSource::ResumeDisplayUpdates()
{
    view_.EnableDisplayUpdates();
}

ExportSource::Bookmark GridExportSource::CurrentPosition() const
{
    return QVariant::fromValue(view_.GetBookmark());
}

void GridExportSource::MoveTo(const Bookmark &position)
{
    if (!position.canConvert<store::ResultView::Bookmark>())
        return;
    const auto bookmark = position.value<store::ResultView::Bookmark>();
    if (!bookmark.IsEmpty() && view_.BookmarkValid(bookmark))
        view_.GotoBookmark(bookmark);
}

void GridExportSource::SortByStorageOrder()
{
    view_.SetSort(QStringLiteral("fID"));
}

int GridExportSource::RecordCount() const
{
    return view_.RecordCount();
}

int GridExportSource::RecordNumber() const
{
    return view_.RecNo() + 1;
}

void GridExportSource::First()
{
    view_.First();
}

void GridExportSource::Next()
{
    view_.Next();
}

bool GridExportSource::AtEnd() const
{
    return view_.Eof() || view_.RecNo() < 0;
}

std::vector<ExportSource::Bookmark> GridExportSource::SelectedRows() const
{
    std::vector<Bookmark> rows;
    if (!grid_ || !grid_->selectionModel())
        return rows;
    const QModelIndexList selected = grid_->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return rows;
    // The view hands out bookmarks for its current row only: visit each selected row with the
    // display held still, then go back.
    view_.DisableDisplayUpdates();
    const store::ResultView::Bookmark current = view_.GetBookmark();
    try {
        for (const QModelIndex &index : selected) {
            if (view_.MoveTo(index.row()))
                rows.push_back(QVariant::fromValue(view_.GetBookmark()));
        }
    } catch (...) {
        if (!current.IsEmpty())
            view_.GotoBookmark(current);
        view_.EnableDisplayUpdates();
        throw;
    }
    if (!current.IsEmpty())
        view_.GotoBookmark(current);
    view_.EnableDisplayUpdates();
    return rows;
}

int GridExportSource::ViewColumn(int column) const
{
    if (column < 0 || column >= static_cast<int>(viewColumns_.size()))
        throw std::out_of_range("GridExportSource: no such column");
    return viewColumns_[static_cast<std::size_t>(column)];
}

QVariant GridExportSource::Value(int column) const
{
    const int viewColumn = ViewColumn(column);
    if (viewColumn < 0)
        return QVariant();
    return view_.Value(view_.RecNo(), viewColumn);
}

QString GridExportSource::DisplayText(int column) const
{
    const int viewColumn = ViewColumn(column);
    if (viewColumn < 0)
        return QString();
    // The text the grid's data source hands the grid for this cell.
    return view_.Text(view_.RecNo(), viewColumn);
}

bool GridExportSource::IsNull(int column) const
{
    const QVariant value = Value(column);
    return !value.isValid() || value.isNull();
}

std::int32_t GridExportSource::IntegerValue(int column) const
{
    return static_cast<std::int32_t>(Value(column).toLongLong());
}

double GridExportSource::FloatValue(int column) const
{
    return Value(column).toDouble();
}
