#include "ui/LayoutRules.h"

#include <numeric>

int MainWindowHeight(int screenHeight)
{
    return screenHeight > 768 ? 768 : screenHeight - 50;
}

int EqualColumnWidth(int outerWidth, int columnCount)
{
    if (columnCount < 1)
        columnCount = 1;
    return outerWidth / columnCount - 5;
}

int UsedGridWidth(const std::vector<int> &columnWidths, bool columnLines, bool indicator)
{
    int used = std::accumulate(columnWidths.begin(), columnWidths.end(), 0);
    if (columnLines)
        used += static_cast<int>(columnWidths.size());
    if (indicator)
        used += 11;
    return used;
}

int LastColumnWidth(int lastWidth, int spare, int recordCount)
{
    return recordCount <= 1 ? lastWidth + spare - 2 : lastWidth + spare - 18;
}

std::vector<int> FitColumnWidths(int outerWidth, int clientWidth, int columnCount, bool columnLines,
                                 bool indicator, bool hasDataSource, int recordCount)
{
    if (columnCount < 1)
        return {};
    std::vector<int> widths(static_cast<std::size_t>(columnCount), EqualColumnWidth(outerWidth, columnCount));
    const int spare = clientWidth - UsedGridWidth(widths, columnLines, indicator);
    if (hasDataSource)
        widths.back() = LastColumnWidth(widths.back(), spare, recordCount);
    return widths;
}
