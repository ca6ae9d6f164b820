#include "ExportFolderTest.h"
#include "MemoryGrid.h"
#include "XlsTestSupport.h"

#include "export/ExportFile.h"
#include "export/TDBGridExportAsXLS.h"
#include "i18n/TranslateText.h"
#include "platform/CodePage.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace xlstest;

namespace {

constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kBof = 0x0809;

class XlsExport : public ExportFolderTest
{
protected:
    // The grid of the worked example: Date and Time, two rows, a null in the last cell.
    static MemoryGrid ExampleGrid()
    {
        MemoryGrid grid = MemoryGrid::WithTextColumns({"Date", "Time"});
        grid.AddRow({QString("2018-05-01"), QString("10:20")});
        grid.AddRow({QString("2018-05-02"), std::nullopt});
        return grid;
    }
};

const char kExampleBytes[] =
    "09 08 08 00 00 00 10 00 00 00 00 00"
    "04 02 0C 00 00 00 00 00 00 00 04 00 44 61 74 65"
    "04 02 0C 00 00 00 01 00 00 00 04 00 54 69 6D 65"
    "04 02 12 00 01 00 00 00 00 00 0A 00 32 30 31 38 2D 30 35 2D 30 31"
    "04 02 0D 00 01 00 01 00 00 00 05 00 31 30 3A 32 30"
    "04 02 12 00 02 00 00 00 00 00 0A 00 32 30 31 38 2D 30 35 2D 30 32"
    "01 02 06 00 02 00 01 00 17 00"
    "0A 00 00 00";

// A grid of one text column with n rows "r1", "r2", ...
MemoryGrid TallGrid(int n)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"Test Number"});
    grid.rows.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i)
        grid.rows.push_back({i, {{false, QStringLiteral("r%1").arg(i), 0}}});
    return grid;
}

} // namespace

// --- the file's bytes -------------------------------------------------------------------------

TEST_F(XlsExport, WorkedExampleIsWrittenByteForByte)
{
    MemoryGrid grid = ExampleGrid();
    EXPECT_EQ(ExportToBytes(grid).toHex(' '), Hex(kExampleBytes).toHex(' '));

    MemoryGrid again = ExampleGrid();
    ExportGridToFile(&TDBGridExportAsXLS::Create, again, Path("example.xls"), true);
    EXPECT_EQ(testsupport::ReadFileBytes(Path("example.xls")), Hex(kExampleBytes));
}

TEST_F(XlsExport, NumericFieldsBecomeNumberCellsAndOtherKindsTheirDisplayText)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"N", "F", "D"});
    grid.columns[0].kind = ExportFieldKind::Integer;
    grid.columns[1].kind = ExportFieldKind::Float;
    grid.columns[2].kind = ExportFieldKind::Other;
    // The display texts differ from the values on purpose: numbers come from the values.
    grid.AddEmptyRow().cells = {{false, "0001", 1}, {false, "x", 0.5}, {false, "01.02.2018", 43132}};
    grid.AddEmptyRow().cells = {{false, "-1", -1}, {false, "y", -2.25}, {false, "", 0}};
    grid.AddEmptyRow().cells = {{false, "0007", 7}, {true, "", 0}, {true, "", 0}};

    const std::vector<Record> records = Records(ExportToBytes(grid));
    ASSERT_EQ(records.size(), 1u + 3u + 9u + 1u);

    // The integer 7 in row 3, column 0, exactly as a worksheet expects it.
    const QByteArray bytes = ExportToBytes(grid);
    EXPECT_TRUE(bytes.contains(Hex("03 02 0E 00 03 00 00 00 00 00 00 00 00 00 00 00 1C 40")));

    EXPECT_EQ(records[4].id, kNumber);
    EXPECT_EQ(records[4].Number(), 1.0);
    EXPECT_EQ(records[5].id, kNumber);
    EXPECT_EQ(records[5].Number(), 0.5);
    EXPECT_EQ(records[6].id, kLabel);
    EXPECT_EQ(records[6].LabelBytes(), "01.02.2018");
    EXPECT_EQ(records[7].Number(), -1.0);
    EXPECT_EQ(records[8].Number(), -2.25);
    EXPECT_EQ(records[9].id, kLabel);  // an empty text is a text, not a blank
    EXPECT_EQ(records[9].body, Hex("02 00 02 00 00 00 00 00"));
    EXPECT_EQ(records[11].id, kBlank);  // a null float
    EXPECT_EQ(records[12].id, kBlank);
    for (const Record &record : records) {
        if (record.id == kNumber || record.id == kLabel) {
            EXPECT_EQ(record.Xf(), 0);
        }
    }
}

TEST_F(XlsExport, NullFieldsAndUnboundColumnsAreBlankWithXf23ButPickListsKeepTheirText)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"Text", "Unbound", "Pick"});
    grid.columns[1].fieldName.clear();
    grid.columns[2].keyPickList = true;
    grid.columns[2].kind = ExportFieldKind::Integer;
    grid.AddEmptyRow().cells = {{true, "", 0}, {false, "shown", 3}, {true, "", 0}};
    grid.AddEmptyRow().cells = {{false, "t", 0}, {false, "shown", 3}, {false, "Second", 2}};

    const std::vector<Record> records = Records(ExportToBytes(grid));
    ASSERT_EQ(records.size(), 1u + 3u + 6u + 1u);
    EXPECT_EQ(records[4].id, kBlank);
    EXPECT_EQ(records[4].body, Hex("01 00 00 00 17 00"));
    EXPECT_EQ(records[5].id, kBlank);
    EXPECT_EQ(records[5].body, Hex("01 00 01 00 17 00"));
    // A pick-list column is written as its text before the null test is made.
    EXPECT_EQ(records[6].id, kLabel);
    EXPECT_EQ(records[6].LabelBytes(), "");
    EXPECT_EQ(records[8].id, kBlank);
    EXPECT_EQ(records[9].id, kLabel);
    EXPECT_EQ(records[9].LabelBytes(), "Second");
}

TEST_F(XlsExport, EmptyTableHoldsTheTitlesOnly)
{
    const QStringList titles = {"Test Number", "Date", "Time", "Hemoglobin(g/dL)", "Hematocrit(%)"};
    MemoryGrid grid = MemoryGrid::WithTextColumns(titles);
    const QByteArray bytes = ExportToBytes(grid);

    qsizetype captionBytes = 0;
    for (const QString &title : titles)
        captionBytes += title.size();
    EXPECT_EQ(bytes.size(), 12 + 5 * 12 + captionBytes + 4);

    const std::vector<Record> records = Records(bytes);
    ASSERT_EQ(records.size(), 7u);
    EXPECT_EQ(records.front().id, kBof);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(records[i + 1].id, kLabel);
        EXPECT_EQ(records[i + 1].Row(), 0);
        EXPECT_EQ(records[i + 1].Col(), i);
        EXPECT_EQ(QString::fromLatin1(records[i + 1].LabelBytes()), titles[i]);
    }
    EXPECT_EQ(records.back().id, kEof);
}

TEST_F(XlsExport, TextsLongerThan255UnitsKeepTheirFirst255)
{
    QString caption;
    for (int i = 0; i < 300; ++i)
        caption += QChar(u'A' + i % 26);
    const QString cell = QString(300, u'x');
    MemoryGrid grid = MemoryGrid::WithTextColumns({caption});
    grid.AddRow({cell});
    grid.AddRow({cell.left(255)});
    grid.AddRow({cell.left(254)});

    const std::vector<Record> records = Records(ExportToBytes(grid));
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[1].Word(6), 255);
    EXPECT_EQ(records[1].body.size(), 8 + 255);
    EXPECT_EQ(records[1].LabelBytes(), caption.left(255).toLatin1());
    EXPECT_EQ(records[2].LabelBytes(), QByteArray(255, 'x'));
    EXPECT_EQ(records[3].LabelBytes(), QByteArray(255, 'x'));
    EXPECT_EQ(records[4].LabelBytes(), QByteArray(254, 'x'));
}

TEST_F(XlsExport, TextsAreWrittenInTheAnsiCodePageAndCountedInBytes)
{
    // Omega and the emoji (two UTF-16 units) are not in code page 1252.
    MemoryGrid grid = MemoryGrid::WithTextColumns({QString::fromUtf8("H\u00E9moglobine(\u00B5mol/L)")});
    grid.AddRow({QString::fromUtf8("\u03A9 \U0001F600!")});

    std::vector<Record> records = Records(ExportToBytes(grid));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1].LabelBytes(), QByteArray("H\xE9moglobine(\xB5mol/L)"));
    EXPECT_EQ(records[2].LabelBytes(), QByteArray("? ?!"));
    EXPECT_EQ(records[2].Word(6), 4);
    EXPECT_EQ(records[2].body.size(), 8 + 4);

    // Under Central European settings the same letters take that code page's bytes.
    platform::SetAnsiCodePage(1250);
    MemoryGrid polish = MemoryGrid::WithTextColumns({QString::fromUtf8("Hemoglobina \u0141\u0151")});
    records = Records(ExportToBytes(polish));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].LabelBytes(), QByteArray("Hemoglobina \xA3\xF5"));
}

// --- what is exported -------------------------------------------------------------------------

TEST_F(XlsExport, HiddenColumnsAreLeftOutAndTheCursorWrapsAtTheLastExportedColumn)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"A", "Hidden", "B"});
    grid.columns[1].visible = false;
    grid.AddRow({QString("a1"), QString("h1"), QString("b1")});
    grid.AddRow({QString("a2"), QString("h2"), QString("b2")});

    const std::vector<Record> records = Records(ExportToBytes(grid));
    ASSERT_EQ(records.size(), 1u + 2u + 4u + 1u);
    const std::vector<std::tuple<int, int, QByteArray>> expected = {
        {0, 0, "A"}, {0, 1, "B"}, {1, 0, "a1"}, {1, 1, "b1"}, {2, 0, "a2"}, {2, 1, "b2"}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(records[i + 1].Row(), std::get<0>(expected[i])) << i;
        EXPECT_EQ(records[i + 1].Col(), std::get<1>(expected[i])) << i;
        EXPECT_EQ(records[i + 1].LabelBytes(), std::get<2>(expected[i])) << i;
    }

    // An explicit column list takes the place of the visible columns, in its own order.
    TDBGridExportAsXLS exporter;
    exporter.SetGrid(&grid);
    exporter.SetExportedColumns({2, 1});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    exporter.ExportToStream(buffer, true);
    const std::vector<Record> chosen = Records(buffer.data());
    ASSERT_EQ(chosen.size(), 8u);
    EXPECT_EQ(chosen[1].LabelBytes(), "B");
    EXPECT_EQ(chosen[2].LabelBytes(), "Hidden");
    EXPECT_EQ(chosen[6].LabelBytes(), "h2");
}

TEST_F(XlsExport, GridWithoutTitleRowStartsItsDataInRowZero)
{
    MemoryGrid grid = ExampleGrid();
    grid.titles = false;
    const std::vector<Record> records = Records(ExportToBytes(grid));
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[1].Row(), 0);
    EXPECT_EQ(records[1].LabelBytes(), "2018-05-01");
    EXPECT_EQ(records[4].Row(), 1);
}

TEST_F(XlsExport, ExportAllIgnoresTheSelectionWhichOtherwiseChoosesTheRows)
{
    MemoryGrid grid = ExampleGrid();
    grid.AddRow({QString("2018-05-03"), QString("11:00")});
    grid.selection = {3, 1};

    EXPECT_EQ(ExportToBytes(grid, true), [&] {
        MemoryGrid plain = ExampleGrid();
        plain.AddRow({QString("2018-05-03"), QString("11:00")});
        return ExportToBytes(plain, true);
    }());

    const std::vector<Record> selected = Records(ExportToBytes(grid, false));
    ASSERT_EQ(selected.size(), 1u + 2u + 4u + 1u);
    EXPECT_EQ(selected[3].Row(), 1);
    EXPECT_EQ(selected[3].LabelBytes(), "2018-05-03");
    EXPECT_EQ(selected[5].Row(), 2);
    EXPECT_EQ(selected[5].LabelBytes(), "2018-05-01");
}

TEST_F(XlsExport, TheGridKeepsItsCurrentRowAndGetsItsDisplayBack)
{
    MemoryGrid grid = ExampleGrid();
    grid.AddRow({QString("2018-05-03"), QString("11:00")});
    grid.MoveToId(2);
    grid.selection = {1, 3};

    ExportToBytes(grid, true);
    EXPECT_EQ(grid.CurrentId(), 2);
    ExportToBytes(grid, false);
    EXPECT_EQ(grid.CurrentId(), 2);
    EXPECT_EQ(grid.suspendCalls, 2);
    EXPECT_EQ(grid.maxSuspendDepth, 1);
    EXPECT_EQ(grid.suspendDepth, 0);
    EXPECT_EQ(grid.sortCalls, 0);  // the view's own order is exported
}

TEST_F(XlsExport, RowsThatArriveDuringTheWalkAreNotExported)
{
    MemoryGrid grid = ExampleGrid();
    bool added = false;
    grid.onRead = [&](size_t row) {
        if (row == 1 && !added) {
            added = true;
            grid.rows.push_back({99, {{false, "late", 0}, {false, "late", 0}}});
        }
    };
    EXPECT_EQ(ExportToBytes(grid), Hex(kExampleBytes));
}

TEST_F(XlsExport, FooterRowsHoldTheTotalsOfNumericColumns)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"Name", "Count"});
    grid.columns[1].kind = ExportFieldKind::Integer;
    grid.footers = 1;
    grid.AddEmptyRow().cells = {{false, "a", 0}, {false, "2", 2}};
    grid.AddEmptyRow().cells = {{false, "b", 0}, {true, "", 0}};
    grid.AddEmptyRow().cells = {{false, "c", 0}, {false, "5", 5}};

    const std::vector<Record> records = Records(ExportToBytes(grid));
    ASSERT_EQ(records.size(), 1u + 2u + 6u + 2u + 1u);
    EXPECT_EQ(records[9].id, kBlank);
    EXPECT_EQ(records[9].Row(), 4);
    EXPECT_EQ(records[10].id, kNumber);
    EXPECT_EQ(records[10].Row(), 4);
    EXPECT_EQ(records[10].Col(), 1);
    EXPECT_EQ(records[10].Number(), 7.0);
}

// --- the row limit ----------------------------------------------------------------------------

TEST_F(XlsExport, A65535RowTableFillsTheSheetToItsLastRow)
{
    MemoryGrid grid = TallGrid(kMaxXlsRecords);
    const std::vector<Record> records = Records(ExportToBytes(grid));
    ASSERT_EQ(records.size(), 1u + 1u + 65535u + 1u);
    const Record &last = records[records.size() - 2];
    EXPECT_EQ(last.Row(), 65535);
    EXPECT_EQ(last.LabelBytes(), "r65535");
    EXPECT_EQ(records.back().id, kEof);
}

TEST_F(XlsExport, MoreRowsThanASheetHoldsAreRefusedBeforeAnythingIsWritten)
{
    const QString path = Path("kept.xls");
    testsupport::WriteFileBytes(path, "an older export");
    MemoryGrid grid = TallGrid(kMaxXlsRecords + 1);
    grid.MoveToId(5);

    try {
        ExportGridToFile(&TDBGridExportAsXLS::Create, grid, path, true);
        FAIL() << "the export was not refused";
    } catch (const ETooManyRecords &e) {
        EXPECT_EQ(e.message(), TranslateText(TextKeys::kTooManyRecordsForXls));
        EXPECT_TRUE(e.message().contains("65535"));
        EXPECT_TRUE(e.message().contains("CSV"));
    }
    EXPECT_EQ(testsupport::ReadFileBytes(path), "an older export");
    EXPECT_EQ(grid.suspendCalls, 0);
    EXPECT_EQ(grid.cellReads, 0);
    EXPECT_EQ(grid.CurrentId(), 5);

    // The same limit holds for a stream, and for a selection.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TDBGridExportAsXLS exporter;
    exporter.SetGrid(&grid);
    EXPECT_THROW(exporter.ExportToStream(buffer, true), ETooManyRecords);
    EXPECT_TRUE(buffer.data().isEmpty());
    for (qint64 id = 1; id <= kMaxXlsRecords; ++id)
        grid.selection.push_back(id);
    EXPECT_NO_THROW(exporter.ExportToStream(buffer, false));
}

TEST_F(XlsExport, AViewThatOutgrowsTheSheetDuringTheWalkStopsWithoutWrapping)
{
    // A view that does not number its rows cannot stop at the count it started with.
    MemoryGrid grid = TallGrid(kMaxXlsRecords);
    grid.sequential = false;
    grid.onRead = [&](size_t row) {
        if (row + 1 == grid.rows.size() && grid.rows.size() == size_t(kMaxXlsRecords))
            grid.rows.push_back({kMaxXlsRecords + 1, {{false, "extra", 0}}});
    };
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TDBGridExportAsXLS exporter;
    exporter.SetGrid(&grid);
    EXPECT_THROW(exporter.ExportToStream(buffer, true), ETooManyRecords);
    const std::vector<Record> records = Records(buffer.data());
    ASSERT_FALSE(records.empty());
    EXPECT_NE(records.back().id, kEof);
    EXPECT_EQ(records.back().Row(), 65535);  // nothing overwrote row 0
    EXPECT_EQ(grid.suspendDepth, 0);
}

// --- failures ---------------------------------------------------------------------------------

TEST_F(XlsExport, AFileThatCannotBeCreatedIsReportedWithItsFullPathAndTheSystemsReason)
{
    MemoryGrid grid = ExampleGrid();
    grid.MoveToId(2);
    const QString missingFolder = Path("no such folder/out.xls");
    try {
        ExportGridToFile(&TDBGridExportAsXLS::Create, grid, missingFolder, true);
        FAIL() << "no error";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.message(),
                  QString("Cannot create file \"%1\". No such file or directory").arg(missingFolder));
    }
    EXPECT_FALSE(QFileInfo::exists(missingFolder));
    EXPECT_EQ(grid.CurrentId(), 2);
    EXPECT_EQ(grid.suspendDepth, 0);

    // A relative name is reported with the folder it would have been created in.
    testsupport::WriteFileBytes(Path("plain file"), "x");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    try {
        ExportGridToFile(&TDBGridExportAsXLS::Create, grid, "plain file/out.xls", true);
        ADD_FAILURE() << "no error";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.message(), QString("Cannot create file \"%1\". Not a directory")
                                   .arg(QDir(dir.path()).absoluteFilePath("plain file/out.xls")));
    }
    QDir::setCurrent(previous);
}

TEST_F(XlsExport, AReadErrorLeavesThePartialFileWithoutEofAndRestoresTheGrid)
{
    MemoryGrid grid = ExampleGrid();
    grid.AddRow({QString("2018-05-03"), QString("11:00")});
    grid.MoveToId(3);
    grid.onRead = [](size_t row) {
        if (row == 1)
            throw platform::Exception("the database went away");
    };
    const QString path = Path("partial.xls");
    try {
        ExportGridToFile(&TDBGridExportAsXLS::Create, grid, path, true);
        FAIL() << "no error";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.message(), "the database went away");
    }
    const QByteArray written = testsupport::ReadFileBytes(path);
    const std::vector<Record> records = Records(written);
    ASSERT_EQ(records.size(), 1u + 2u + 2u);  // BOF, titles, the first row
    EXPECT_EQ(records.back().LabelBytes(), "10:20");
    EXPECT_FALSE(written.endsWith(Hex("0A 00 00 00")));
    EXPECT_EQ(grid.CurrentId(), 3);
    EXPECT_EQ(grid.suspendDepth, 0);
}

TEST_F(XlsExport, AWriteErrorStopsTheExportWithTheDevicesReason)
{
    MemoryGrid grid = ExampleGrid();
    grid.MoveToId(1);
    const QByteArray full = Hex(kExampleBytes);
    for (qint64 limit : {qint64(0), qint64(11), qint64(40), qint64(full.size() - 4),
                         qint64(full.size() - 1)}) {
        FailingDevice device(limit);
        device.open(QIODevice::WriteOnly);
        TDBGridExportAsXLS exporter;
        exporter.SetGrid(&grid);
        try {
            exporter.ExportToStream(device, true);
            ADD_FAILURE() << "no error at limit " << limit;
        } catch (const platform::Exception &e) {
            EXPECT_EQ(e.message(), "Cannot write the export. the medium is full");
        }
        EXPECT_TRUE(full.startsWith(device.written)) << limit;
        EXPECT_EQ(grid.CurrentId(), 1);
        EXPECT_EQ(grid.suspendDepth, 0);
    }

    // A full disk, through the file's buffer.
    if (QFileInfo("/dev/full").exists()) {
        MemoryGrid tall = TallGrid(20000);
        try {
            ExportGridToFile(&TDBGridExportAsXLS::Create, tall, "/dev/full", true);
            ADD_FAILURE() << "writing to /dev/full succeeded";
        } catch (const platform::Exception &e) {
            EXPECT_TRUE(e.message().startsWith("Cannot write file \"/dev/full\". ")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("No space left on device")) << e.message().toStdString();
        }
        EXPECT_EQ(tall.suspendDepth, 0);
    }
}

namespace {

int liveExporters = 0;

class CountedExporter : public TDBGridExportAsXLS
{
public:
    CountedExporter() { ++liveExporters; }
    ~CountedExporter() override { --liveExporters; }
    static std::unique_ptr<TDBGridExport> Create() { return std::make_unique<CountedExporter>(); }
};

} // namespace

TEST_F(XlsExport, ExportGridToFileFreesTheExporterAlsoWhenTheExportFails)
{
    MemoryGrid grid = ExampleGrid();
    ExportGridToFile(&CountedExporter::Create, grid, Path("ok.xls"), true);
    EXPECT_EQ(liveExporters, 0);
    EXPECT_THROW(ExportGridToFile(&CountedExporter::Create, grid, Path("none/x.xls"), true),
                 platform::Exception);
    EXPECT_EQ(liveExporters, 0);
}

TEST_F(XlsExport, AnExistingFileIsReplaced)
{
    const QString path = Path("old.xls");
    testsupport::WriteFileBytes(path, QByteArray(5000, 'z'));
    MemoryGrid grid = ExampleGrid();
    ExportGridToFile(&TDBGridExportAsXLS::Create, grid, path, true);
    EXPECT_EQ(testsupport::ReadFileBytes(path), Hex(kExampleBytes));
}
