#include "ExportTestSupport.h"

#include "shell/Folders.h"
#include "shell/Settings.h"
#include "platform/CodePage.h"
#include "platform/RegionalSettings.h"
#include "store/DataModule.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "support/TestSupport.h"
#include "ui/TDBGrid.h"
#include "ui/TfrmMain.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

namespace exporttest {

namespace {

// The German texts the exports show (UTF-8 with a byte-order mark).
const QByteArray kGermanFile =
    "\xEF\xBB\xBF!LanguageID=1031\r\n"
    "Test Number=Testnummer\r\n"
    "Date=Datum\r\n"
    "Time=Zeit\r\n"
    "Hemoglobin=H\xC3\xA4moglobin\r\n"
    "Hematocrit=H\xC3\xA4matokrit\r\n"
    "Export to CSV File=In CSV-Datei exportieren\r\n"
    "Export Excel=Nach Excel exportieren\r\n"
    "Excel File=Excel-Datei\r\n"
    "Export All Data Success!=Alle Daten exportiert!\r\n"
    "The selected file is in use!=Die Datei ist in Gebrauch!\r\n"
    "Message=Meldung\r\n";

} // namespace

void ExportWindowTest::SetUp()
{
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(dir.isValid());
    QDir(root.path()).mkpath(QStringLiteral("bin/1031"));
    QDir(root.path()).mkpath(QStringLiteral("KELODATA/data"));
    QDir(root.path()).mkpath(QStringLiteral("appdata/KELODATA"));
    testsupport::WriteFileBytes(root.filePath(QStringLiteral("bin/1031/KELO_HB_METER.txt")), kGermanFile);
    folders.emplace(root, 1031);
    // German regional settings: ";" lists, "." in dates; texts in Windows-1252.
    platform::SetRegionalLocale(QLocale(QStringLiteral("de_DE")));
    platform::SetAnsiCodePage(1252);
    store::CreateResultDatabase(DataPath + QStringLiteral("/data/HB_data1.dat"));

    dm = std::make_unique<TDM>();
    ASSERT_TRUE(DatabaseOpened);
    ASSERT_TRUE(dm->qryResultLog && dm->qryResultLog->Active());
    window = std::make_unique<TfrmMain>();
    window->resize(1000, 600);
}

void ExportWindowTest::TearDown()
{
    window.reset();
    dm.reset();
    folders.reset();
    platform::ResetRegionalLocale();
    platform::SetAnsiCodePage(0);
}

void ExportWindowTest::Append(const Result &result)
{
    using store::ResultColumn;
    store::ResultView &view = *dm->qryResultLog;
    view.Append();
    if (result.recID)
        view.SetFieldValue(ResultColumn::fRecID, *result.recID);
    view.SetFieldValue(ResultColumn::fDateTime, result.dateTime);
    view.SetFieldValue(ResultColumn::fHB, result.hb);
    view.SetFieldValue(ResultColumn::fHB_Unit, result.hbUnit);
    view.SetFieldValue(ResultColumn::fHB_Flag, result.hbFlag);
    view.SetFieldValue(ResultColumn::fHCT, result.hct);
    view.SetFieldValue(ResultColumn::fHCT_Unit, result.hctUnit);
    view.SetFieldValue(ResultColumn::fHCT_Flag, result.hctFlag);
    view.SetFieldValue(ResultColumn::fTransferTime, result.transferTime);
    view.Post();
}

void ExportWindowTest::Store(std::initializer_list<Result> results)
{
    for (const Result &result : results)
        Append(result);
    dm->qryResultLog->UpdateBatch();
}

QString ExportWindowTest::CurrentRecID() const
{
    return dm->qryResultLog->FieldText(store::ResultColumn::fRecID);
}

int ExportWindowTest::GridCurrentRow() const
{
    return window->GridRec->currentIndex().row();
}

QString SheetJsMissingReason()
{
    if (QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty())
        return QStringLiteral("node is not installed; scripts/bootstrap installs it");
    if (!QFileInfo::exists(QStringLiteral(KELO_SOURCE_DIR "/tools/xls-check/node_modules/xlsx/package.json")))
        return QStringLiteral("SheetJS is missing from tools/xls-check/node_modules; scripts/bootstrap installs it");
    return QString();
}

Sheet ReadWithSheetJs(const QString &path)
{
    Sheet sheet;
    QProcess process;
    process.start(QStandardPaths::findExecutable(QStringLiteral("node")),
                  {QStringLiteral(KELO_SOURCE_DIR "/tools/xls-check/read-xls.js"), path});
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "SheetJS did not finish";
        process.kill();
        process.waitForFinished();
        return sheet;
    }
    const QByteArray output = process.readAllStandardOutput();
    if (process.exitCode() != 0) {
        ADD_FAILURE() << "SheetJS could not read " << path.toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return sheet;
    }
    const QJsonObject top = QJsonDocument::fromJson(output).object();
    sheet.read = true;
    sheet.rows = top[QStringLiteral("rows")].toInt();
    sheet.cols = top[QStringLiteral("cols")].toInt();
    for (const QJsonValue cell : top[QStringLiteral("cells")].toArray()) {
        const QJsonArray c = cell.toArray();
        sheet.cells[{c[0].toInt(), c[1].toInt()}] = {c[2].toString(), c[3]};
    }
    return sheet;
}

} // namespace exporttest
