#pragma once
// What the writers see of "the grid": its columns and the rows of the view behind it.
//
// The .xls and CSV writers walk a table through this interface only, so that they depend on
// neither the widgets nor the database. The result view implements the row side, the main
// window's adapter joins it with the result grid's columns; the tests use an in-memory table.
//
// Columns are addressed by their position in Columns() (all columns, hidden ones included, in
// display order). The value operations read the current row. Every operation may throw
// (a database error while reading, say); the writers then restore the position and the
// display updates and pass the error on.
//
// GUI thread only, like the grid and the view behind it.

#include <QString>
#include <QVariant>

#include <cstdint>
#include <vector>

// The kind of the field bound to a column, as far as the writers need it.
enum class ExportFieldKind {
    Text,     // any string field, among them the calculated display texts
    Integer,  // small, word, integer, auto-increment fields: readable as a 32-bit signed integer
    Float,    // floating-point, currency and BCD fields: readable as a double
    Other,    // dates, Booleans, 64-bit integers, memos ...: exported as their display text
};

struct ExportColumn
{
    QString title;             // the title caption as the grid shows it (already translated)
    QString fieldName;         // the bound field; empty when no field is bound to the column
    ExportFieldKind kind = ExportFieldKind::Text;
    bool visible = true;
    bool keyPickList = false;  // shows a pick-list text for a key value: exported as its text

    bool hasField() const { return !fieldName.isEmpty(); }
};

// The parameters of one data cell as a format may want them. The .xls writer reads only text.
struct TColCellParams
{
    QString text;  // the cell's display text, exactly as the grid shows it
    int row = -1;
    int col = -1;
};

class ExportSource
{
public:
    // An opaque saved position; only the source that handed it out can interpret it. It stays
    // valid across a change of sort order.
    using Bookmark = QVariant;

    virtual ~ExportSource() = default;

    // --- the grid's columns -------------------------------------------------------------
    virtual std::vector<ExportColumn> Columns() const = 0;
    // True when the grid shows a title row.
    virtual bool ShowsTitleRow() const = 0;
    // Number of footer rows the grid shows below the data (the result grid has none).
    virtual int FooterRowCount() const = 0;

    // --- the display ---------------------------------------------------------------------
    // Stops the grid from repainting and following the current row while a writer walks the
    // rows; calls nest and each Suspend is matched by exactly one Resume.
    virtual void SuspendDisplayUpdates() = 0;
    virtual void ResumeDisplayUpdates() = 0;

    // --- position ------------------------------------------------------------------------
    virtual Bookmark CurrentPosition() const = 0;
    virtual void MoveTo(const Bookmark &position) = 0;

    // --- the rows of the view ------------------------------------------------------------
    // Puts the rows in the order in which they were stored (ascending record id).
    virtual void SortByStorageOrder() = 0;
    virtual int RecordCount() const = 0;
    // True when RecordNumber() counts the rows 1, 2, 3 ... in the current order.
    virtual bool NumbersRecordsSequentially() const = 0;
    // The 1-based number of the current row (meaningful only when the above holds).
    virtual int RecordNumber() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    // True when the walk has gone past the last row (or the view is empty).
    virtual bool AtEnd() const = 0;
    // The rows the user has selected in the grid, in selection order.
    virtual std::vector<Bookmark> SelectedRows() const = 0;

    // --- values of the current row -------------------------------------------------------
    // The cell text exactly as the grid shows it (empty for a null field).
    virtual QString DisplayText(int column) const = 0;
    virtual bool IsNull(int column) const = 0;
    // For Integer columns: the field's value as a 32-bit signed integer.
    virtual std::int32_t IntegerValue(int column) const = 0;
    // For Float columns: the field's value as a double.
    virtual double FloatValue(int column) const = 0;

    // The grid's and the column's own chance to adjust a data cell's parameters before it is
    // written (the result grid leaves them alone).
    virtual void AdjustCellParams(int column, TColCellParams &params) const
    {
        (void)column;
        (void)params;
    }
};
