#include "export/TDBGridExport.h"

#include "export/ExportFile.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <stdexcept>

namespace {

// Clears FStream when the export that set it ends, however it ends.
class StreamScope
{
public:
    explicit StreamScope(QIODevice *&stream) : stream_(stream) {}
    ~StreamScope() { stream_ = nullptr; }
    StreamScope(const StreamScope &) = delete;
    StreamScope &operator=(const StreamScope &) = delete;

private:
    QIODevice *&stream_;
};

} // namespace

TDBGridExport::TDBGridExport() : FColCellParams(std::make_unique<TColCellParams>()) {}

TDBGridExport::~TDBGridExport() = default;

std::unique_ptr<TDBGridExport> TDBGridExport::Create()
{
    return std::make_unique<TDBGridExport>();
}

void TDBGridExport::ExportToStream(QIODevice &AStream, bool IsExportAll)
{
    if (!FDBGrid)
        throw std::logic_error("TDBGridExport: no grid to export");
    ExportSource &grid = *FDBGrid;
    FStream = &AStream;
    StreamScope streamScope(FStream);

    grid.SuspendDisplayUpdates();
    ExportSource::Bookmark saved;
    try {
        saved = grid.CurrentPosition();
    } catch (...) {
        grid.ResumeDisplayUpdates();
        throw;
    }

    try {
        columns_ = grid.Columns();
        if (FExpCols.empty()) {
            for (int i = 0; i < static_cast<int>(columns_.size()); ++i)
                if (columns_[i].visible)
                    FExpCols.push_back(i);
        }
        for (int column : FExpCols)
            if (column < 0 || column >= static_cast<int>(columns_.size()))
                throw std::out_of_range("TDBGridExport: exported column out of range");

        const int footerRows = grid.FooterRowCount();
        FooterValues.assign(static_cast<size_t>(footerRows > 0 ? footerRows : 0) * FExpCols.size(),
                            0.0);
        BeginOutput();
        if (grid.ShowsTitleRow())
            ExportTitleRow(FExpCols);
        ExportRows(IsExportAll);
        for (int footer = 0; footer < footerRows; ++footer)
            ExportFooterRow(FExpCols, footer);
    } catch (...) {
        // The first error is the one the user must see; a second one while restoring the grid
        // would only hide it.
        try {
            grid.MoveTo(saved);
        } catch (...) {
        }
        try {
            grid.ResumeDisplayUpdates();
        } catch (...) {
        }
        throw;
    }

    try {
        grid.MoveTo(saved);
    } catch (...) {
        grid.ResumeDisplayUpdates();
        throw;
    }
    grid.ResumeDisplayUpdates();
    EndOutput();
}

void TDBGridExport::ExportRows(bool IsExportAll)
{
    ExportSource &grid = *FDBGrid;
    if (IsExportAll) {
        const int count = grid.RecordCount();
        grid.First();
        while (!grid.AtEnd()) {
            ExportDataRow(FExpCols);
            AccumulateFooters();
            // Rows that arrive while the walk runs are not exported.
            if (grid.NumbersRecordsSequentially() && grid.RecordNumber() >= count)
                break;
            grid.Next();
        }
    } else {
        for (const ExportSource::Bookmark &row : grid.SelectedRows()) {
            grid.MoveTo(row);
            ExportDataRow(FExpCols);
            AccumulateFooters();
        }
    }
}

void TDBGridExport::ExportToFile(const QString &FileName, bool IsExportAll)
{
    if (!FDBGrid)
        throw std::logic_error("TDBGridExport: no grid to export");
    CheckCanExport(IsExportAll);
    QFile file;
    CreateExportFile(file, FileName);
    // On failure the file object closes the file on the way out, with what was written so far.
    ExportToStream(file, IsExportAll);
    FinishExportFile(file);
}

void TDBGridExport::ExportDataRow(const std::vector<int> &columns)
{
    for (int column : columns) {
        *FColCellParams = TColCellParams{};
        FColCellParams->text = FDBGrid->DisplayText(column);
        FDBGrid->AdjustCellParams(column, *FColCellParams);
        ExportDataCell(column, *FColCellParams);
    }
}

void TDBGridExport::AccumulateFooters()
{
    if (FooterValues.empty())
        return;
    const size_t width = FExpCols.size();
    const size_t footers = FooterValues.size() / width;
    for (size_t k = 0; k < width; ++k) {
        const int column = FExpCols[k];
        const ExportColumn &description = Column(column);
        if (!description.hasField() || FDBGrid->IsNull(column))
            continue;
        double value = 0;
        if (description.kind == ExportFieldKind::Integer)
            value = FDBGrid->IntegerValue(column);
        else if (description.kind == ExportFieldKind::Float)
            value = FDBGrid->FloatValue(column);
        else
            continue;
        for (size_t footer = 0; footer < footers; ++footer)
            FooterValues[footer * width + k] += value;
    }
}

void TDBGridExport::ExportFooterRow(const std::vector<int> &columns, int footerNumber)
{
    const size_t width = FExpCols.size();
    for (size_t k = 0; k < columns.size(); ++k) {
        const size_t index = static_cast<size_t>(footerNumber) * width + k;
        ExportFooterCell(columns[k], footerNumber,
                         k < width && index < FooterValues.size() ? FooterValues[index] : 0.0);
    }
}

const ExportColumn &TDBGridExport::Column(int column) const
{
    return columns_.at(static_cast<size_t>(column));
}

int TDBGridExport::RowsToExport(bool IsExportAll) const
{
    if (IsExportAll)
        return FDBGrid->RecordCount();
    return static_cast<int>(FDBGrid->SelectedRows().size());
}

void TDBGridExport::WriteBytes(const char *data, std::int64_t size)
{
    if (size <= 0)
        return;
    if (FStream->write(data, size) != size)
        ThrowWriteFailed(*FStream);
}

void TDBGridExport::WriteWord(std::uint16_t word)
{
    char bytes[2];
    qToLittleEndian(word, bytes);
    WriteBytes(bytes, 2);
}

void ExportGridToFile(TDBGridExportClass exporterClass, ExportSource &grid,
                      const QString &FileName, bool IsExportAll)
{
    std::unique_ptr<TDBGridExport> exporter = exporterClass();
    exporter->SetGrid(&grid);
    exporter->ExportToFile(FileName, IsExportAll);
}
