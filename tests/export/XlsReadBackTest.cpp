// The written .xls read back by an outside reader (SheetJS under node): every cell must hold
// the text the grid shows.

#include "MemoryGrid.h"

#include "export/ExportFile.h"
#include "export/TDBGridExportAsXLS.h"
#include "platform/CodePage.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

struct SheetCell
{
    QString type;  // "s" text, "n" number, "z" blank
    QJsonValue value;
};

struct Sheet
{
    int rows = 0;
    int cols = 0;
    std::map<std::pair<int, int>, SheetCell> cells;
};

class XlsReadBack : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString tools = QStringLiteral(KELO_SOURCE_DIR "/tools/xls-check");
        node = QStandardPaths::findExecutable("node");
        script = tools + "/read-xls.js";
        if (node.isEmpty())
            GTEST_SKIP() << "node is not installed; scripts/bootstrap installs it";
        if (!QFileInfo::exists(tools + "/node_modules/xlsx/package.json"))
            GTEST_SKIP() << "SheetJS is missing from tools/xls-check/node_modules; "
                            "scripts/bootstrap installs it (npm package xlsx)";
        // SheetJS reads a sheet without a code-page record as code page 1252.
        platform::SetAnsiCodePage(1252);
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override { platform::SetAnsiCodePage(0); }

    Sheet ExportAndRead(MemoryGrid &grid)
    {
        const QString path = dir.filePath("read back.xls");
        ExportGridToFile(&TDBGridExportAsXLS::Create, grid, path, true);
        QProcess process;
        process.start(node, {script, path});
        Sheet sheet;
        if (!process.waitForFinished(240000)) {
            ADD_FAILURE() << "SheetJS did not finish";
            process.kill();
            process.waitForFinished();
            return sheet;
        }
        const QByteArray output = process.readAllStandardOutput();
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        const QJsonObject root = QJsonDocument::fromJson(output).object();
        sheet.rows = root["rows"].toInt();
        sheet.cols = root["cols"].toInt();
        for (const QJsonValue cell : root["cells"].toArray()) {
            const QJsonArray c = cell.toArray();
            sheet.cells[{c[0].toInt(), c[1].toInt()}] = {c[2].toString(), c[3]};
        }
        return sheet;
    }

    // The text a reader sees for a cell: "" for a blank or missing cell.
    static QString TextAt(const Sheet &sheet, int row, int col)
    {
        const auto found = sheet.cells.find({row, col});
        if (found == sheet.cells.end() || found->second.type == "z")
            return QString();
        return found->second.value.toString();
    }

    // Every title and cell of the grid as SheetJS sees it.
    static void ExpectSheetShowsGrid(const Sheet &sheet, const MemoryGrid &grid)
    {
        ASSERT_EQ(sheet.rows, int(grid.rows.size()) + 1);
        ASSERT_EQ(sheet.cols, int(grid.columns.size()));
        int mismatches = 0;
        for (int c = 0; c < sheet.cols; ++c)
            if (TextAt(sheet, 0, c) != Shown(grid.columns[size_t(c)].title) && ++mismatches < 5)
                ADD_FAILURE() << "title " << c << ": " << TextAt(sheet, 0, c).toStdString();
        for (size_t r = 0; r < grid.rows.size(); ++r) {
            for (int c = 0; c < sheet.cols; ++c) {
                const QString expected = Shown(grid.rows[r].cells[size_t(c)].text);
                const QString actual = TextAt(sheet, int(r) + 1, c);
                if (actual != expected && ++mismatches < 5)
                    ADD_FAILURE() << "row " << r + 1 << " column " << c << ": read \""
                                  << actual.toStdString() << "\", grid shows \""
                                  << expected.toStdString() << "\"";
            }
        }
        EXPECT_EQ(mismatches, 0);
    }

    // What the grid shows, as the file's code page can hold it.
    static QString Shown(const QString &text) { return platform::FromAnsi(platform::ToAnsi(text)); }

    QString node;
    QString script;
    QTemporaryDir dir;
};

const QStringList kTitles = {"Test Number", "Date", "Time", "Hemoglobin(g/dL)", "Hematocrit(%)"};

} // namespace

TEST_F(XlsReadBack, ASmallTableReadsBackAsTheGridShowsIt)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns(kTitles);
    grid.columns[3].title = QString::fromUtf8("H\u00E9moglobine(\u00B5mol/L)");
    grid.AddRow({QString("0012"), QString("2018/05/01"), QString("10:20"), QString("15.2"),
                 QString("45")});
    grid.AddRow({QString("0013"), QString("01.05.2018"), QString("23:59"), QString(">25.6"),
                 std::nullopt});
    grid.AddRow({QString("0014"), QString("1 mai 2018"), QString("00:00"), QString("<4.0"),
                 QString("L 10")});
    grid.AddRow({QString("1e5"), QString("TRUE"), QString("=1+1"), QString(""), QString("\u00E9")});

    const Sheet sheet = ExportAndRead(grid);
    ExpectSheetShowsGrid(sheet, grid);
    // Texts that look like numbers stay texts: the leading zeros are kept.
    EXPECT_EQ(sheet.cells.at({1, 0}).type, "s");
    EXPECT_EQ(sheet.cells.at({4, 0}).type, "s");
    EXPECT_EQ(sheet.cells.at({2, 4}).type, "z");
}

TEST_F(XlsReadBack, NumberCellsReadBackAsNumbers)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"N", "F"});
    grid.columns[0].kind = ExportFieldKind::Integer;
    grid.columns[1].kind = ExportFieldKind::Float;
    grid.AddEmptyRow().cells = {{false, "7", 7}, {false, "0.1", 0.1}};
    grid.AddEmptyRow().cells = {{false, "-2147483648", -2147483648.0}, {false, "1e300", 1e300}};

    const Sheet sheet = ExportAndRead(grid);
    ASSERT_EQ(sheet.rows, 3);
    EXPECT_EQ(sheet.cells.at({1, 0}).type, "n");
    EXPECT_EQ(sheet.cells.at({1, 0}).value.toDouble(), 7.0);
    EXPECT_EQ(sheet.cells.at({1, 1}).value.toDouble(), 0.1);
    EXPECT_EQ(sheet.cells.at({2, 0}).value.toDouble(), -2147483648.0);
    EXPECT_EQ(sheet.cells.at({2, 1}).value.toDouble(), 1e300);
}

TEST_F(XlsReadBack, AFullSheetOf65535ResultsReadsBackCompletely)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns(kTitles);
    grid.rows.reserve(kMaxXlsRecords);
    for (int i = 1; i <= kMaxXlsRecords; ++i) {
        MemoryGrid::Row row{i, {}};
        row.cells = {
            {false, QStringLiteral("%1").arg(i, 4, 10, QChar('0')), 0},
            {false, QStringLiteral("2018/%1/%2").arg(1 + i % 12, 2, 10, QChar('0')).arg(1 + i % 28, 2, 10, QChar('0')), 0},
            {false, QStringLiteral("%1:%2").arg(i % 24, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')), 0},
            {i % 97 == 0, QStringLiteral("%1.%2").arg(5 + i % 20).arg(i % 10), 0},
            {false, i % 13 == 0 ? QStringLiteral("H %1").arg(i % 70) : QString::number(i % 70), 0},
        };
        if (row.cells[3].null)
            row.cells[3].text.clear();
        grid.rows.push_back(std::move(row));
    }
    const Sheet sheet = ExportAndRead(grid);
    ExpectSheetShowsGrid(sheet, grid);
    EXPECT_EQ(TextAt(sheet, 65535, 0), "65535");
}
