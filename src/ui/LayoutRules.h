#pragma once
// The main window's size rule and the result grid's column-width rule as plain arithmetic, so
// that they can be checked without a screen. All values are whole pixels.

#include <vector>

// The main window's outer width.
inline constexpr int kMainWindowWidth = 1024;
// The main window's client area before the size rule is applied.
inline constexpr int kInitialClientWidth = 1008;
inline constexpr int kInitialClientHeight = 722;

// The main window's outer height for a screen of that height: 768 on a screen higher than 768
// pixels, otherwise the screen height minus 50.
int MainWindowHeight(int screenHeight);

// Step 1 of the width rule: the grid's outer width shared by the columns (integer division),
// less 5. Columns: at least 1.
int EqualColumnWidth(int outerWidth, int columnCount);

// Step 3: the width the columns use: their widths, one line per column with column lines, 11
// for an indicator column.
int UsedGridWidth(const std::vector<int> &columnWidths, bool columnLines, bool indicator);

// Step 6: the last column's new width from its width and the spare room (client width less
// the used width, may be negative): 2 pixels less with at most one record, 18 with more.
int LastColumnWidth(int lastWidth, int spare, int recordCount);

// The whole rule for N columns of a grid with a data source, assuming every width is taken as
// set: the widths of all columns. Without a data source the last column is left at the equal
// width.
std::vector<int> FitColumnWidths(int outerWidth, int clientWidth, int columnCount, bool columnLines,
                                 bool indicator, bool hasDataSource, int recordCount);
