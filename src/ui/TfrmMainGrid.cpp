// The result grid of the main window: its set-up, its column titles with the stored units,
// and the rule that shares the grid's width among the columns.

#include "ui/TfrmMain.h"

#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogModel.h"
#include "store/ResultView.h"
#include "ui/LayoutRules.h"
#include "ui/TDBGrid.h"

#include <vector>

namespace {

constexpr unsigned kResultGridOptions = TDBGrid::dgTitles | TDBGrid::dgColumnResize | TDBGrid::dgColLines
                                        | TDBGrid::dgRowLines | TDBGrid::dgRowSelect
                                        | TDBGrid::dgConfirmDelete | TDBGrid::dgCancelOnExit;
static_assert(kResultGridOptions == 3444);

// The five columns: bound field, title (with the current units) and design width.
std::vector<TColumn> ResultColumns()
{
    struct Design
    {
        const char *field;
        QString title;
        int width;
    };
    const Design designs[] = {
        {"fRecID", TranslateText(TextKeys::kTestNumber), 160},
        {"fDate_C", TranslateText(TextKeys::kDate), 170},
        {"fTime_C", TranslateText(TextKeys::kTime), 170},
        {"fHB_C", TranslateText(TextKeys::kHemoglobin) + TfrmMain::UnitSuffix(DM->GetHBUnit()), 200},
        {"fHCT_C", TranslateText(TextKeys::kHematocrit) + TfrmMain::UnitSuffix(DM->GetHCTUnit()), 200},
    };
    std::vector<TColumn> columns;
    for (const Design &design : designs) {
        TColumn column;
        column.FieldName = QString::fromLatin1(design.field);
        column.Title = design.title;
        column.TitleAlignment = Qt::AlignHCenter;
        column.Alignment = Qt::AlignHCenter;
        column.Layout = Qt::AlignVCenter;
        column.Width = design.width;
        columns.push_back(column);
    }
    return columns;
}

} // namespace

QString TfrmMain::UnitSuffix(const QString &unit)
{
    if (unit.isEmpty())
        return QString();
    return QStringLiteral("(") + unit + QStringLiteral(")");
}

void TfrmMain::SetupResultGrid()
{
    GridRec->SetOptions(kResultGridOptions);
    GridRec->SetDataSource(DM->DSResultLog.get());
    GridRec->SetDefaultRowHeight(25);
    GridRec->SetTitleRowHeight(23);
    GridRec->SetTitleFontSize(10);
    GridRec->SetColumns(ResultColumns());
    FitGridColumns(*GridRec);
}

void TfrmMain::UpdateColumnTitles()
{
    const std::vector<TColumn> columns = ResultColumns();
    const int count = std::min(GridRec->ColumnCount(), static_cast<int>(columns.size()));
    for (int i = 0; i < count; ++i)
        GridRec->SetColumnLook(i, columns[static_cast<std::size_t>(i)]);
    FitGridColumns(*GridRec);
}

void TfrmMain::FitGridColumns(TDBGrid &grid)
{
    const int count = grid.ColumnCount();
    if (count == 0)
        return;
    const int each = EqualColumnWidth(grid.width(), count);
    for (int i = 0; i < count; ++i)
        grid.SetColumnWidth(i, each);
    std::vector<int> widths;
    for (int i = 0; i < count; ++i)
        widths.push_back(grid.ColumnWidth(i));
    const int used = UsedGridWidth(widths, (grid.Options() & TDBGrid::dgColLines) != 0,
                                   (grid.Options() & TDBGrid::dgIndicator) != 0);
    const int spare = grid.ClientWidth() - used;
    if (!grid.DataSource())
        return;
    const int records = grid.DataSource()->View().RecordCount();
    grid.SetColumnWidth(count - 1, LastColumnWidth(grid.ColumnWidth(count - 1), spare, records));
}
