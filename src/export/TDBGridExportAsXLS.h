#pragma once
// The grid as an Excel .xls worksheet: a bare stream of BIFF records (BOF, one LABEL per
// title, one LABEL, NUMBER or BLANK per data cell, EOF) with no container around it. Cells
// are written strictly in row-major order: the title row is row 0, the first exported row is
// row 1, and so on; row numbers never come from the data.
//
// All numbers little-endian; each record is a 16-bit identifier, a 16-bit body length and the
// body. Texts are 8-bit in the program's ANSI code page.

#include "export/TDBGridExport.h"
#include "platform/Exception.h"

#include <QStringView>

#include <cstdint>

class TDBGridExportAsXLS : public TDBGridExport
{
public:
    static std::unique_ptr<TDBGridExport> Create();

    // Starts the cell cursor at row 0, column 0 and runs the base export. Refuses, before
    // writing anything, an export of more rows than a sheet holds (ETooManyRecords).
    void ExportToStream(QIODevice &AStream, bool IsExportAll) override;

    std::uint16_t CurrentRow() const { return FRow; }
    std::uint16_t CurrentCol() const { return FCol; }

protected:
    // The cell writers, each taking the cursor's position and then advancing it.
    // Text: at most its first 255 UTF-16 units, converted to the ANSI code page (a character
    // the code page lacks becomes "?"); the record counts the converted bytes.
    void PutTextCell(QStringView text);
    void PutNumberCell(double value);
    void PutIntegerCell(std::int32_t value);
    void PutBlankCell();  // carries XF index 23

    void BeginOutput() override;
    void EndOutput() override;
    void ExportTitleRow(const std::vector<int> &columns) override;
    // LABEL with the display text, NUMBER for integer and float fields, BLANK for a null field
    // or a column without a field.
    void ExportDataCell(int column, const TColCellParams &params) override;
    // NUMBER with the total for integer and float columns, BLANK for the others.
    void ExportFooterCell(int column, int footerNumber, double value) override;
    void CheckCanExport(bool IsExportAll) const override;

private:
    // Moves the cursor to the next cell: the next column, or column 0 of the next row after
    // the last exported column.
    void AdvanceCell();
    // Throws ETooManyRecords when the sheet has no row left for the cell at the cursor.
    void CheckCursor() const;

    std::uint16_t FCol = 0;
    std::uint16_t FRow = 0;
    bool sheetFull_ = false;  // the cursor has left row 65535: the next cell has no row
};

// The refusal of an export that does not fit into one sheet; its message (translated) names
// the limit and points to the CSV export.
class ETooManyRecords : public platform::Exception
{
public:
    ETooManyRecords();
};
