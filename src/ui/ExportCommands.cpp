#include "ui/ExportCommands.h"

#include "shell/MessageBoxes.h"
#include "export/CsvExport.h"
#include "export/ExportFileNames.h"
#include "export/TDBGridExportAsXLS.h"
#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "platform/FileInUse.h"
#include "store/DataModule.h"
#include "ui/GridExportSource.h"
#include "ui/TSaveDialog.h"
#include "ui/TfrmMain.h"

#include <QStringList>

namespace {

// The CSV columns: the fields the result grid shows, whatever the grid's columns are.
QStringList CsvFieldNames()
{
    return {QStringLiteral("fRecID"), QStringLiteral("fDate_C"), QStringLiteral("fTime_C"),
            QStringLiteral("fHB_C"), QStringLiteral("fHCT_C")};
}

} // namespace

void ExportCSVCommand(TSaveDialog &SaveDialog, TDM &dm)
{
    SaveDialog.DefaultExt = QStringLiteral("*.csv");
    SaveDialog.Filter = QStringLiteral("CSV File|*.csv|CSV File|*.csv");
    SaveDialog.Title = TranslateText(TextKeys::kExportToCSVFile);
    SaveDialog.FileName = CsvDefaultFileName();
    if (!SaveDialog.Execute())
        return;
    const QString fileName = WithCsvExtension(SaveDialog.FileName);

    // The units of the newest results as they are now: a transfer may have stored rows while
    // the dialog was open.
    const QStringList header = {
        TranslateText(TextKeys::kTestNumber),
        TranslateText(TextKeys::kDate),
        TranslateText(TextKeys::kTime),
        TranslateText(TextKeys::kHemoglobin) + TfrmMain::UnitSuffix(dm.GetHBUnit()),
        TranslateText(TextKeys::kHematocrit) + TfrmMain::UnitSuffix(dm.GetHCTUnit()),
    };
    GridExportSource rows(*dm.qryResultLog, CsvFieldNames());
    ExportToCsvFile(rows, fileName, header, ListSeparatorText().front());
    InfoBox(TextKeys::kExportSuccess);
}

void ExportExcelCommand(TSaveDialog &SaveDialog, TDBGrid &GridRec)
{
    SaveDialog.Filter = TranslateText(TextKeys::kExcelFile) + QStringLiteral(" (*.xls)|*.xls");
    SaveDialog.Title = TranslateText(TextKeys::kExportExcel);
    SaveDialog.FileName = XlsDefaultFileName();
    if (!SaveDialog.Execute())
        return;
    const QString fileName = WithXlsExtension(SaveDialog.FileName);
    if (platform::IsFileInUse(fileName)) {
        InfoBox(TextKeys::kFileInUse);
        return;
    }
    GridExportSource grid(GridRec);
    // Refuses a table larger than a sheet before the file is touched.
    ExportGridToFile(&TDBGridExportAsXLS::Create, grid, fileName, true);
    InfoBox(TextKeys::kExportSuccess);
}
