#include "export/TDBGridExportAsXLS.h"

#include "export/ExportFile.h"
#include "i18n/TranslateText.h"
#include "platform/CodePage.h"

#include <QtEndian>

#include <bit>

namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kEof = 0x000A;

constexpr std::uint16_t kWorksheet = 0x0010;
constexpr std::uint16_t kCellXf = 0;
constexpr std::uint16_t kBlankXf = 23;

constexpr qsizetype kMaxTextUnits = 255;
constexpr int kSheetRows = 65536;
static_assert(kMaxXlsRecords + 1 == kSheetRows, "the title row takes row 0");

} // namespace

ETooManyRecords::ETooManyRecords()
    : platform::Exception(TranslateWithArguments(TextKeys::kTooManyRecordsForXls, {}))
{
}

std::unique_ptr<TDBGridExport> TDBGridExportAsXLS::Create()
{
    return std::make_unique<TDBGridExportAsXLS>();
}

void TDBGridExportAsXLS::CheckCanExport(bool IsExportAll) const
{
    const ExportSource &grid = *FDBGrid;
    const qint64 rows = qint64(RowsToExport(IsExportAll)) + (grid.ShowsTitleRow() ? 1 : 0) +
                        qMax(0, grid.FooterRowCount());
    if (rows > kSheetRows)
        throw ETooManyRecords();
}

void TDBGridExportAsXLS::ExportToStream(QIODevice &AStream, bool IsExportAll)
{
    if (FDBGrid)
        CheckCanExport(IsExportAll);
    FCol = 0;
    FRow = 0;
    sheetFull_ = false;
    TDBGridExport::ExportToStream(AStream, IsExportAll);
}

void TDBGridExportAsXLS::BeginOutput()
{
    for (std::uint16_t word : {kBof, std::uint16_t(8), std::uint16_t(0), kWorksheet,
                               std::uint16_t(0), std::uint16_t(0)})
        WriteWord(word);
}

void TDBGridExportAsXLS::EndOutput()
{
    WriteWord(kEof);
    WriteWord(0);
}

void TDBGridExportAsXLS::ExportTitleRow(const std::vector<int> &columns)
{
    for (int column : columns)
        PutTextCell(Column(column).title);
}

void TDBGridExportAsXLS::ExportDataCell(int column, const TColCellParams &params)
{
    const ExportColumn &description = Column(column);
    if (!description.hasField()) {
        PutBlankCell();
    } else if (description.keyPickList) {
        PutTextCell(params.text);
    } else if (FDBGrid->IsNull(column)) {
        PutBlankCell();
    } else if (description.kind == ExportFieldKind::Integer) {
        PutIntegerCell(FDBGrid->IntegerValue(column));
    } else if (description.kind == ExportFieldKind::Float) {
        PutNumberCell(FDBGrid->FloatValue(column));
    } else {
        PutTextCell(params.text);
    }
}

void TDBGridExportAsXLS::ExportFooterCell(int column, int footerNumber, double value)
{
    (void)footerNumber;
    const ExportColumn &description = Column(column);
    if (description.hasField() && (description.kind == ExportFieldKind::Integer ||
                                   description.kind == ExportFieldKind::Float))
        PutNumberCell(value);
    else
        PutBlankCell();
}

void TDBGridExportAsXLS::PutTextCell(QStringView text)
{
    CheckCursor();
    const QByteArray bytes = platform::ToAnsi(text.left(kMaxTextUnits));
    // 255 units give at most 510 bytes even in a double-byte code page: the length fits.
    const auto length = static_cast<std::uint16_t>(bytes.size());
    for (std::uint16_t word : {kLabel, std::uint16_t(8 + length), FRow, FCol, kCellXf, length})
        WriteWord(word);
    WriteBytes(bytes.constData(), bytes.size());
    AdvanceCell();
}

void TDBGridExportAsXLS::PutNumberCell(double value)
{
    CheckCursor();
    for (std::uint16_t word : {kNumber, std::uint16_t(14), FRow, FCol, kCellXf})
        WriteWord(word);
    char bytes[8];
    qToLittleEndian(std::bit_cast<quint64>(value), bytes);
    WriteBytes(bytes, 8);
    AdvanceCell();
}

void TDBGridExportAsXLS::PutIntegerCell(std::int32_t value)
{
    PutNumberCell(static_cast<double>(value));
}

void TDBGridExportAsXLS::PutBlankCell()
{
    CheckCursor();
    for (std::uint16_t word : {kBlank, std::uint16_t(6), FRow, FCol, kBlankXf})
        WriteWord(word);
    AdvanceCell();
}

void TDBGridExportAsXLS::AdvanceCell()
{
    if (size_t(FCol) + 1 >= FExpCols.size()) {
        if (FRow == 0xFFFF)
            sheetFull_ = true;
        else
            ++FRow;
        FCol = 0;
    } else {
        ++FCol;
    }
}

void TDBGridExportAsXLS::CheckCursor() const
{
    // Rows that appear while the walk runs can still outgrow the sheet; a wrapped row number
    // would overwrite the titles, so the export stops instead.
    if (sheetFull_)
        throw ETooManyRecords();
}
