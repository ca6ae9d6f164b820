// The two export commands on the main window's real grid over a real result database: the
// save dialog's settings and file-name rules, the CSV file's bytes, the .xls file as SheetJS
// reads it, the checks before writing, the messages, and the grid's position afterwards.

#include "ExportTestSupport.h"

#include "export/ExportFile.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/RegionalSettings.h"
#include "store/DataModule.h"
#include "store/ResultView.h"
#include "support/TestSupport.h"
#include "ui/ExportCommands.h"
#include "ui/TDBGrid.h"
#include "ui/TSaveDialog.h"
#include "ui/TfrmMain.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QToolButton>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using exporttest::Result;

namespace {

constexpr unsigned kInfoStyle = platform::MB_OK | platform::MB_ICONINFORMATION;

// Three stored results; the third is the newest transfer and brings other HB units.
class ExportCommands : public exporttest::ExportWindowTest
{
protected:
    void StoreThree()
    {
        Result first;
        first.recID = QStringLiteral("0012");
        first.transferTime = 46000.1;
        Result second;
        second.recID = QStringLiteral("0013");
        second.dateTime = 45357.25;  // 2024-03-06 06:00
        second.hb = QStringLiteral("9,5");
        second.hbFlag = QStringLiteral("L");
        second.hct = QStringLiteral("28");
        second.hctFlag = QStringLiteral("L");
        second.transferTime = 46000.2;
        Result third;
        third.recID = QStringLiteral("0014");
        third.hb = QStringLiteral("17.0");
        third.hbUnit = QStringLiteral("mmol/L");
        third.hct = QStringLiteral("45");
        third.transferTime = 46000.3;
        Store({first, second, third});
        window->UpdateColumnTitles();
    }

    void ExportCsv(const QString &chosen)
    {
        dialogs.saveAnswers.push_back(chosen);
        ExportCSVCommand(*window->SaveDialog, *dm);
    }
    void ExportXls(const QString &chosen)
    {
        dialogs.saveAnswers.push_back(chosen);
        ExportExcelCommand(*window->SaveDialog, *window->GridRec);
    }

    void ExpectOneSuccessBox() const
    {
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Alle Daten exportiert!"));
        EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Meldung"));
        EXPECT_EQ(dialogs.boxes[0].style, kInfoStyle);
    }

    // Makes row `position` (display order) current, as a click in the grid would.
    void SelectRow(int position)
    {
        ASSERT_TRUE(dm->qryResultLog->MoveTo(position));
        ASSERT_EQ(GridCurrentRow(), position);
    }

    QStringList FilesInExportFolder() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }

    // A folder where no file can be created, even by root (sysfs refuses new files).
    QString UnwritableFolder()
    {
        if (geteuid() == 0)
            return QStringLiteral("/sys");
        const QString locked = Path(QStringLiteral("locked"));
        QDir().mkdir(locked);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        lockedFolder_ = locked;
        return locked;
    }
    // The system's own words for why path cannot be created.
    static QString CreateFailureReason(const QString &path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(QFile::encodeName(path).constData());
            return QString();
        }
        return QString::fromLocal8Bit(std::strerror(errno));
    }

    void TearDown() override
    {
        if (!lockedFolder_.isEmpty())
            QFile::setPermissions(lockedFolder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ExportWindowTest::TearDown();
    }

private:
    QString lockedFolder_;
};

const QByteArray kThreeRowsSemicolon =
    "Testnummer;Datum;Zeit;H\xE4moglobin(mmol/L);H\xE4matokrit(%)\r\n"
    "0012;05.03.2024;14:07;14.2;42\r\n"
    "0013;06.03.2024;06:00;L9,5;L28\r\n"
    "0014;05.03.2024;14:07;17.0;45\r\n";

// The proposed name's time stamp lies between the moments before and after the command.
void ExpectStampBetween(const QString &stamp, const QString &format, const QDateTime &before,
                        const QDateTime &after)
{
    const QDateTime at = QDateTime::fromString(stamp, format);
    ASSERT_TRUE(at.isValid()) << stamp.toStdString();
    EXPECT_GE(at.toSecsSinceEpoch(), before.toSecsSinceEpoch());
    EXPECT_LE(at.toSecsSinceEpoch(), after.toSecsSinceEpoch());
}

} // namespace

// --- CSV ---------------------------------------------------------------------------------

TEST_F(ExportCommands, CsvDialogSettingsAndCancelWriteNothing)
{
    StoreThree();
    SelectRow(1);
    window->SaveDialog->InitialDir = dir.path();
    const QDateTime before = QDateTime::currentDateTime();
    ExportCSVCommand(*window->SaveDialog, *dm);  // no answer scripted: cancelled
    const QDateTime after = QDateTime::currentDateTime();

    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    const platform::SaveFileRequest &request = dialogs.saveRequests[0];
    EXPECT_EQ(request.defaultExt, QStringLiteral("*.csv"));
    EXPECT_EQ(request.filter, QStringLiteral("CSV File|*.csv|CSV File|*.csv"));
    EXPECT_EQ(request.title, QStringLiteral("In CSV-Datei exportieren"));
    EXPECT_EQ(request.initialDir, dir.path());  // left as it was
    const QRegularExpressionMatch name =
        QRegularExpression(QStringLiteral("^KELOHB_(\\d{4}_\\d\\d_\\d\\d_\\d\\d_\\d\\d_\\d\\d)$")).match(request.fileName);
    ASSERT_TRUE(name.hasMatch()) << request.fileName.toStdString();
    ExpectStampBetween(name.captured(1), QStringLiteral("yyyy_MM_dd_HH_mm_ss"), before, after);

    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(FilesInExportFolder().isEmpty());
    EXPECT_EQ(CurrentRecID(), QStringLiteral("0013"));
    EXPECT_EQ(GridCurrentRow(), 1);
}

TEST_F(ExportCommands, CsvHoldsTranslatedHeaderWithUnitsAndRowsInStorageOrder)
{
    StoreThree();
    SelectRow(1);
    ExportCsv(Path(QStringLiteral("results")));

    EXPECT_EQ(FilesInExportFolder(), QStringList{QStringLiteral("results.csv")});
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("results.csv"))), kThreeRowsSemicolon);
    ExpectOneSuccessBox();
    EXPECT_EQ(CurrentRecID(), QStringLiteral("0013"));
    EXPECT_EQ(GridCurrentRow(), 1);
    // The fields are the texts the grid shows.
    EXPECT_EQ(window->GridRec->CellText(1, 3), QStringLiteral("L9,5"));
    EXPECT_EQ(window->GridRec->CellText(0, 1), QStringLiteral("05.03.2024"));
}

TEST_F(ExportCommands, CsvRowsFollowStorageOrderWhateverTheViewIsSortedBy)
{
    StoreThree();
    dm->qryResultLog->SetSort(QStringLiteral("fRecID DESC"));
    ASSERT_EQ(window->GridRec->CellText(0, 0), QStringLiteral("0014"));
    SelectRow(2);  // 0012
    ExportCsv(Path(QStringLiteral("sorted.csv")));

    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("sorted.csv"))), kThreeRowsSemicolon);
    // The same result stays current; the view is left in storage order.
    EXPECT_EQ(CurrentRecID(), QStringLiteral("0012"));
    EXPECT_EQ(GridCurrentRow(), dm->qryResultLog->RecNo());
    EXPECT_EQ(window->GridRec->CellText(GridCurrentRow(), 0), QStringLiteral("0012"));
}

TEST_F(ExportCommands, CsvSeparatorIsTheRegionalListSeparatorAndQuotesFieldsThatHoldIt)
{
    StoreThree();
    platform::RegionalSettings settings = platform::RegionalSettings::FromLocale(QLocale(QStringLiteral("de_DE")));

    settings.listSeparator = QStringLiteral(",");
    platform::SetRegionalSettings(settings);
    ExportCsv(Path(QStringLiteral("comma")));
    const QByteArray comma =
        "Testnummer,Datum,Zeit,H\xE4moglobin(mmol/L),H\xE4matokrit(%)\r\n"
        "0012,05.03.2024,14:07,14.2,42\r\n"
        "0013,06.03.2024,06:00,\"L9,5\",L28\r\n"
        "0014,05.03.2024,14:07,17.0,45\r\n";
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("comma.csv"))), comma);

    // A list separator of two characters cannot be one field separator: a comma is used.
    settings.listSeparator = QStringLiteral(";;");
    platform::SetRegionalSettings(settings);
    ExportCsv(Path(QStringLiteral("two.csv")));
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("two.csv"))), comma);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST_F(ExportCommands, CsvHeaderTakesTheUnitsInForceWhenTheExportRuns)
{
    StoreThree();
    ExportCsv(Path(QStringLiteral("before.csv")));
    EXPECT_TRUE(testsupport::ReadFileBytes(Path(QStringLiteral("before.csv")))
                    .startsWith("Testnummer;Datum;Zeit;H\xE4moglobin(mmol/L);H\xE4matokrit(%)\r\n"));

    // Clear Data: no result is left, so no unit either; the file is the header alone.
    dialogs.boxAnswers.push_back(platform::IDYES);
    window->btnClearClick(window->btnClear);
    ASSERT_EQ(dm->qryResultLog->RecordCount(), 0);
    ExportCsv(Path(QStringLiteral("cleared")));
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("cleared.csv"))),
              "Testnummer;Datum;Zeit;H\xE4moglobin;H\xE4matokrit\r\n");

    // A newer result stored while nothing was refreshed on screen: the export reads it.
    Result newer;
    newer.recID = QStringLiteral("0100");
    newer.hbUnit = QStringLiteral("g/L");
    newer.hb = QStringLiteral("142");
    newer.hctUnit = QString();
    newer.transferTime = 46001.0;
    Store({newer});
    ExportCsv(Path(QStringLiteral("newer.csv")));
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("newer.csv"))),
              "Testnummer;Datum;Zeit;H\xE4moglobin(g/L);H\xE4matokrit\r\n"
              "0100;05.03.2024;14:07;142;42\r\n");
}

TEST_F(ExportCommands, CsvExtensionIsAppendedUnlessTheNameEndsInCsv)
{
    StoreThree();
    ExportCsv(Path(QStringLiteral("report.txt")));
    ExportCsv(Path(QStringLiteral("UPPER.CSV")));
    ExportCsv(Path(QStringLiteral("Mixed.cSv")));
    ExportCsv(Path(QStringLiteral("dotted.csv.bak")));
    QStringList files = FilesInExportFolder();
    files.sort();
    EXPECT_EQ(files, (QStringList{QStringLiteral("Mixed.cSv"), QStringLiteral("UPPER.CSV"),
                                  QStringLiteral("dotted.csv.bak.csv"), QStringLiteral("report.txt.csv")}));
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("report.txt.csv"))), kThreeRowsSemicolon);
}

TEST_F(ExportCommands, CsvReplacesAnExistingFileWithoutAsking)
{
    StoreThree();
    testsupport::WriteFileBytes(Path(QStringLiteral("old.csv")), QByteArray(5000, 'x'));
    ExportCsv(Path(QStringLiteral("old.csv")));
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("old.csv"))), kThreeRowsSemicolon);
    ExpectOneSuccessBox();  // the success box only: no question
}

TEST_F(ExportCommands, CsvIntoAnUnwritableFolderReportsTheSystemsReasonAndNoSuccess)
{
    StoreThree();
    SelectRow(2);
    const QString target = UnwritableFolder() + QStringLiteral("/kelo-export-test.csv");
    const QString reason = CreateFailureReason(target);
    ASSERT_FALSE(reason.isEmpty()) << "the folder is writable after all";
    try {
        ExportCsv(target);
        ADD_FAILURE() << "no error";
    } catch (const platform::Exception &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Cannot create file \"%1\". %2").arg(target, reason));
    }
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(CurrentRecID(), QStringLiteral("0014"));
    EXPECT_EQ(GridCurrentRow(), 2);
    EXPECT_FALSE(dm->qryResultLog->DisplayUpdatesDisabled());
}

// --- Excel -------------------------------------------------------------------------------

TEST_F(ExportCommands, ExcelDialogSettingsKeepTheDefaultExtensionAndCancelWritesNothing)
{
    StoreThree();
    const QDateTime before = QDateTime::currentDateTime();
    ExportExcelCommand(*window->SaveDialog, *window->GridRec);  // cancelled
    ExportCSVCommand(*window->SaveDialog, *dm);                 // cancelled; sets "*.csv"
    ExportExcelCommand(*window->SaveDialog, *window->GridRec);  // cancelled
    const QDateTime after = QDateTime::currentDateTime();

    ASSERT_EQ(dialogs.saveRequests.size(), 3u);
    for (const size_t i : {size_t(0), size_t(2)}) {
        const platform::SaveFileRequest &request = dialogs.saveRequests[i];
        EXPECT_EQ(request.filter, QStringLiteral("Excel-Datei (*.xls)|*.xls"));
        EXPECT_EQ(request.title, QStringLiteral("Nach Excel exportieren"));
        const QRegularExpressionMatch name =
            QRegularExpression(QStringLiteral("^KELOHB(\\d{4}-\\d\\d-\\d\\d \\d\\d_\\d\\d_\\d\\d)\\.xls$")).match(request.fileName);
        ASSERT_TRUE(name.hasMatch()) << request.fileName.toStdString();
        ExpectStampBetween(name.captured(1), QStringLiteral("yyyy-MM-dd HH_mm_ss"), before, after);
    }
    EXPECT_EQ(dialogs.saveRequests[0].defaultExt, QString());
    EXPECT_EQ(dialogs.saveRequests[2].defaultExt, QStringLiteral("*.csv"));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(FilesInExportFolder().isEmpty());
}

TEST_F(ExportCommands, ExcelSheetReadBackHoldsTheGridsTitlesAndTexts)
{
    const QString missing = exporttest::SheetJsMissingReason();
    if (!missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    StoreThree();
    Result noNumber;  // a result without a test number: a blank cell
    noNumber.transferTime = 46000.4;
    noNumber.hb = QStringLiteral("Lo");
    noNumber.hbFlag = QStringLiteral("*");
    Store({noNumber});
    SelectRow(1);

    ExportXls(Path(QStringLiteral("sheet.txt")));
    EXPECT_EQ(FilesInExportFolder(), QStringList{QStringLiteral("sheet.txt.xls")});
    ExpectOneSuccessBox();
    EXPECT_EQ(CurrentRecID(), QStringLiteral("0013"));
    EXPECT_EQ(GridCurrentRow(), 1);

    const exporttest::Sheet sheet = exporttest::ReadWithSheetJs(Path(QStringLiteral("sheet.txt.xls")));
    ASSERT_TRUE(sheet.read);
    const TDBGrid &grid = *window->GridRec;
    ASSERT_EQ(grid.ColumnCount(), 5);
    ASSERT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(sheet.rows, 5);
    EXPECT_EQ(sheet.cols, 5);
    EXPECT_EQ(grid.Column(3).Title, QStringLiteral("H\u00E4moglobin(mmol/L)"));
    for (int c = 0; c < 5; ++c) {
        const auto title = sheet.cells.find({0, c});
        ASSERT_NE(title, sheet.cells.end());
        EXPECT_EQ(title->second.type, QStringLiteral("s"));
        EXPECT_EQ(title->second.value.toString(), grid.Column(c).Title);
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 5; ++c) {
            const auto cell = sheet.cells.find({r + 1, c});
            ASSERT_NE(cell, sheet.cells.end()) << r << "," << c;
            if (r == 3 && c == 0) {
                EXPECT_EQ(cell->second.type, QStringLiteral("z"));  // NULL test number
                EXPECT_EQ(grid.CellText(r, c), QString());
                continue;
            }
            EXPECT_EQ(cell->second.type, QStringLiteral("s")) << r << "," << c;
            EXPECT_EQ(cell->second.value.toString(), grid.CellText(r, c)) << r << "," << c;
        }
    }
    EXPECT_EQ(sheet.cells.at({4, 3}).value.toString(), QStringLiteral("*Lo"));
}

TEST_F(ExportCommands, ExcelRefusesAFileThatAnotherProgramHolds)
{
    StoreThree();
    const QString target = Path(QStringLiteral("held.xls"));
    const QByteArray before("someone else's sheet");
    testsupport::WriteFileBytes(target, before);
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);

    ExportXls(target);
    ::close(fd);

    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Die Datei ist in Gebrauch!"));
    EXPECT_EQ(dialogs.boxes[0].style, kInfoStyle);
    EXPECT_EQ(testsupport::ReadFileBytes(target), before);

    // Released, the same file is replaced.
    ExportXls(target);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(testsupport::ReadFileBytes(target).startsWith(QByteArray("\x09\x08\x08\x00", 4)));
}

TEST_F(ExportCommands, ExcelIntoAnUnwritableFolderReportsTheSystemsReasonAndNoSuccess)
{
    StoreThree();
    SelectRow(0);
    const QString target = UnwritableFolder() + QStringLiteral("/kelo-export-test.xls");
    const QString reason = CreateFailureReason(target);
    ASSERT_FALSE(reason.isEmpty());
    try {
        ExportXls(target);
        ADD_FAILURE() << "no error";
    } catch (const platform::Exception &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Cannot create file \"%1\". %2").arg(target, reason));
    }
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(CurrentRecID(), QStringLiteral("0012"));
    EXPECT_EQ(GridCurrentRow(), 0);
}

TEST_F(ExportCommands, ExcelTakesAFullSheetAndRefusesOneResultMoreBeforeWriting)
{
    store::ResultView &view = *dm->qryResultLog;
    // Pending rows (never written to the file) are rows of the grid like any other.
    view.DisableDisplayUpdates();
    Result result;
    for (int i = 0; i < kMaxXlsRecords; ++i) {
        result.recID = QString::number(i);
        Append(result);
    }
    view.EnableDisplayUpdates();
    ASSERT_EQ(window->GridRec->model()->rowCount(), kMaxXlsRecords);
    SelectRow(100);

    const QString full = Path(QStringLiteral("full.xls"));
    ExportXls(full);
    ExpectOneSuccessBox();
    const QByteArray bytes = testsupport::ReadFileBytes(full);
    EXPECT_TRUE(bytes.endsWith(QByteArray("\x0A\x00\x00\x00", 4)));
    EXPECT_EQ(GridCurrentRow(), 100);

    result.recID = QStringLiteral("one too many");
    Append(result);
    SelectRow(7);
    dialogs.boxes.clear();
    for (const QString &target : {full, Path(QStringLiteral("new.xls"))}) {
        try {
            ExportXls(target);
            ADD_FAILURE() << "no refusal";
        } catch (const platform::Exception &error) {
            EXPECT_TRUE(error.message().contains(QStringLiteral("65535"))) << error.message().toStdString();
            EXPECT_TRUE(error.message().contains(QStringLiteral("CSV"))) << error.message().toStdString();
        }
    }
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(testsupport::ReadFileBytes(full), bytes);  // not even truncated
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("new.xls"))));
    EXPECT_EQ(GridCurrentRow(), 7);
    EXPECT_FALSE(view.DisplayUpdatesDisabled());
}

// --- from the main window ----------------------------------------------------------------

TEST_F(ExportCommands, ToolbarButtonsAndMenuItemsRunTheExports)
{
    StoreThree();
    SelectRow(1);
    dialogs.saveAnswers.push_back(Path(QStringLiteral("button")));
    window->btnExportCSV->click();
    dialogs.saveAnswers.push_back(Path(QStringLiteral("menu")));
    window->mnuExportCSV->trigger();
    dialogs.saveAnswers.push_back(Path(QStringLiteral("button")));
    window->btnExportExcel->click();
    dialogs.saveAnswers.push_back(Path(QStringLiteral("menu")));
    window->mnuExportExcel->trigger();

    ASSERT_EQ(dialogs.saveRequests.size(), 4u);
    EXPECT_EQ(dialogs.saveRequests[1].title, QStringLiteral("In CSV-Datei exportieren"));
    EXPECT_EQ(dialogs.saveRequests[3].title, QStringLiteral("Nach Excel exportieren"));
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("button.csv"))), kThreeRowsSemicolon);
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("menu.csv"))), kThreeRowsSemicolon);
    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("menu.xls"))),
              testsupport::ReadFileBytes(Path(QStringLiteral("button.xls"))));
    EXPECT_TRUE(testsupport::ReadFileBytes(Path(QStringLiteral("menu.xls"))).endsWith(QByteArray("\x0A\x00\x00\x00", 4)));
    EXPECT_EQ(dialogs.boxes.size(), 4u);
    EXPECT_EQ(GridCurrentRow(), 1);
    EXPECT_EQ(CurrentRecID(), QStringLiteral("0013"));
}

namespace {

// Scripted dialogs that let something happen while the save dialog is open.
class DialogsWithHook : public testsupport::ScriptedDialogs
{
public:
    std::function<void()> whileSaveDialogIsOpen;
    std::optional<QString> SaveFile(const platform::SaveFileRequest &request) override
    {
        if (whileSaveDialogIsOpen)
            whileSaveDialogIsOpen();
        return ScriptedDialogs::SaveFile(request);
    }
};

} // namespace

TEST_F(ExportCommands, ResultsStoredWhileTheDialogIsOpenAreExportedWithTheirUnits)
{
    StoreThree();
    {
        DialogsWithHook hooked;
        hooked.whileSaveDialogIsOpen = [this] {
            Result arriving;
            arriving.recID = QStringLiteral("0015");
            arriving.hbUnit = QStringLiteral("g/L");
            arriving.hb = QStringLiteral("150");
            arriving.transferTime = 46002.0;
            Store({arriving});
        };
        hooked.saveAnswers.push_back(Path(QStringLiteral("late.csv")));
        ExportCSVCommand(*window->SaveDialog, *dm);
        hooked.saveAnswers.push_back(Path(QStringLiteral("late.xls")));
        ExportExcelCommand(*window->SaveDialog, *window->GridRec);
        EXPECT_EQ(hooked.boxes.size(), 2u);
    }
    platform::SetDialogs(&dialogs);

    EXPECT_EQ(testsupport::ReadFileBytes(Path(QStringLiteral("late.csv"))),
              "Testnummer;Datum;Zeit;H\xE4moglobin(g/L);H\xE4matokrit(%)\r\n"
              "0012;05.03.2024;14:07;14.2;42\r\n"
              "0013;06.03.2024;06:00;L9,5;L28\r\n"
              "0014;05.03.2024;14:07;17.0;45\r\n"
              "0015;05.03.2024;14:07;150;42\r\n");
    // The sheet: the three first results, the one stored during the CSV dialog and the one
    // stored during the Excel dialog, under the title row; every cell a text.
    const QByteArray sheet = testsupport::ReadFileBytes(Path(QStringLiteral("late.xls")));
    int labels = 0;
    for (qsizetype at = 0; at + 4 <= sheet.size();) {
        const auto id = qFromLittleEndian<quint16>(sheet.constData() + at);
        labels += id == 0x0204 ? 1 : 0;
        at += 4 + qFromLittleEndian<quint16>(sheet.constData() + at + 2);
    }
    EXPECT_EQ(labels, 5 * (1 + 5));
}
