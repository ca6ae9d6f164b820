#pragma once
// The template of all grid exporters: which rows and columns are visited, in which order, and
// what is restored afterwards. A derived class writes one output format by overriding the
// steps (BeginOutput ... ExportFooterCell); the base versions of the writing steps write
// nothing.
//
// One exporter object serves one export (see ExportGridToFile). GUI thread only.

#include "export/ExportSource.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QIODevice;

class TDBGridExport
{
public:
    TDBGridExport();
    virtual ~TDBGridExport();
    TDBGridExport(const TDBGridExport &) = delete;
    TDBGridExport &operator=(const TDBGridExport &) = delete;

    // The virtual constructor of this class (see TDBGridExportClass).
    static std::unique_ptr<TDBGridExport> Create();

    // The grid to export (not owned; must outlive the export).
    void SetGrid(ExportSource *grid) { FDBGrid = grid; }
    ExportSource *Grid() const { return FDBGrid; }

    // The columns to export, as positions in the grid's Columns(). Left empty, the next export
    // takes the grid's visible columns in display order.
    void SetExportedColumns(std::vector<int> columns) { FExpCols = std::move(columns); }
    const std::vector<int> &ExportedColumns() const { return FExpCols; }

    // Writes the grid into stream: all rows of the view in its current order when
    // IsExportAll holds, else the grid's selected rows. The grid's current row and its display
    // updates are restored whether the export succeeds or fails; on failure the error is
    // passed on and the document suffix is not written. The stream must be open for writing.
    virtual void ExportToStream(QIODevice &AStream, bool IsExportAll);

    // Creates (or truncates) FileName, exports into it through a buffered stream and closes
    // it, also on failure (the file keeps what was written). A file that cannot be created
    // throws platform::Exception "Cannot create file "<full path>". <system reason>" before
    // anything is written; a failed write throws with the system's reason too.
    virtual void ExportToFile(const QString &FileName, bool IsExportAll);

protected:
    // The steps, called by ExportToStream in this order: BeginOutput, ExportTitleRow (when the
    // grid shows titles), per row ExportDataRow then AccumulateFooters, ExportFooterRow per
    // footer row, and EndOutput only after everything else succeeded.
    virtual void AccumulateFooters();
    virtual void BeginOutput() {}
    virtual void EndOutput() {}
    virtual void ExportTitleRow(const std::vector<int> &columns) { (void)columns; }
    virtual void ExportDataRow(const std::vector<int> &columns);
    virtual void ExportDataCell(int column, const TColCellParams &params)
    {
        (void)column;
        (void)params;
    }
    virtual void ExportFooterRow(const std::vector<int> &columns, int footerNumber);
    virtual void ExportFooterCell(int column, int footerNumber, double value)
    {
        (void)column;
        (void)footerNumber;
        (void)value;
    }

    // Called by ExportToFile before the file is created, and by formats before they write:
    // throws when this format cannot hold the export (the file is then left untouched).
    virtual void CheckCanExport(bool IsExportAll) const { (void)IsExportAll; }

    // The column description of a grid column position (valid during an export).
    const ExportColumn &Column(int column) const;
    // Number of rows the export will write below the titles (selection or all rows).
    int RowsToExport(bool IsExportAll) const;

    // Raw output to FStream; a short write throws platform::Exception with the device's reason.
    void WriteBytes(const char *data, std::int64_t size);
    void WriteWord(std::uint16_t word);  // little-endian

    std::unique_ptr<TColCellParams> FColCellParams;
    ExportSource *FDBGrid = nullptr;
    std::vector<int> FExpCols;
    QIODevice *FStream = nullptr;
    // Footer totals: FooterValues[footer * FExpCols.size() + exported column index]. A footer
    // cell of a numeric column holds the sum of that column over the exported rows.
    std::vector<double> FooterValues;

private:
    void ExportRows(bool IsExportAll);

    std::vector<ExportColumn> columns_;  // the grid's columns, read once per export
};

// The exporter class chosen at run time: its virtual constructor.
using TDBGridExportClass = std::unique_ptr<TDBGridExport> (*)();

// Creates an exporter of the given class, points it at grid, exports into FileName and frees
// the exporter, also when the export fails (the error is passed on).
void ExportGridToFile(TDBGridExportClass exporterClass, ExportSource &grid,
                      const QString &FileName, bool IsExportAll);
