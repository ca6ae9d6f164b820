#include "ExportFolderTest.h"
#include "MemoryGrid.h"

#include "export/CsvExport.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QStringList kHeader = {"Test Number", "Date", "Time", "Hemoglobin(g/dL)", "Hematocrit(%)"};

class CsvExport : public ExportFolderTest
{
protected:
    static MemoryGrid ResultGrid()
    {
        MemoryGrid grid = MemoryGrid::WithTextColumns(kHeader);
        grid.AddRow({QString("0012"), QString("2018/05/01"), QString("10:20"), QString("15.2"),
                     QString("45")});
        grid.AddRow({QString("0013"), QString("2018/05/02"), QString("08:05"), QString("H 21.0"),
                     std::nullopt});
        return grid;
    }

    QByteArray Export(MemoryGrid &grid, QChar separator, const QStringList &header = kHeader)
    {
        const QString path = Path("out.csv");
        ExportToCsvFile(grid, path, header, separator);
        return testsupport::ReadFileBytes(path);
    }
};

} // namespace

TEST_F(CsvExport, HeaderAndRowsAreJoinedByTheSeparatorWithCrLfAfterEveryLine)
{
    MemoryGrid grid = ResultGrid();
    EXPECT_EQ(Export(grid, u';'),
              "Test Number;Date;Time;Hemoglobin(g/dL);Hematocrit(%)\r\n"
              "0012;2018/05/01;10:20;15.2;45\r\n"
              "0013;2018/05/02;08:05;H 21.0;\r\n");
    MemoryGrid again = ResultGrid();
    EXPECT_EQ(Export(again, u','),
              "Test Number,Date,Time,Hemoglobin(g/dL),Hematocrit(%)\r\n"
              "0012,2018/05/01,10:20,15.2,45\r\n"
              "0013,2018/05/02,08:05,H 21.0,\r\n");
}

TEST_F(CsvExport, AnEmptyTableGivesTheHeaderLineAlone)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns(kHeader);
    // Without units (after Clear) the titles carry no parentheses; the writer adds nothing.
    EXPECT_EQ(Export(grid, u',', {"Test Number", "Date", "Time", "Hemoglobin", "Hematocrit"}),
              "Test Number,Date,Time,Hemoglobin,Hematocrit\r\n");
}

TEST_F(CsvExport, ListSeparatorTextIsTheRegionalOneOnlyWhenItIsOneCharacter)
{
    platform::RegionalSettings settings;
    settings.listSeparator = ";";
    EXPECT_EQ(ListSeparatorText(settings), ";");
    settings.listSeparator = "\t";
    EXPECT_EQ(ListSeparatorText(settings), "\t");
    settings.listSeparator = ";;";
    EXPECT_EQ(ListSeparatorText(settings), ",");
    settings.listSeparator.clear();
    EXPECT_EQ(ListSeparatorText(settings), ",");

    // From the regional settings in force: a decimal comma brings a semicolon.
    platform::SetRegionalLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ListSeparatorText(), ";");
    platform::SetRegionalLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(ListSeparatorText(), ",");
    platform::ResetRegionalLocale();
}

TEST_F(CsvExport, ExactlyTheFieldsThatWouldBreakTheLineAreQuoted)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"a", "b", "c", "d", "e", "f", "g", "h"});
    grid.AddRow({QString("14,5"), QString("say \"hi\""), QString("two\nlines"), QString("cr\r"),
                 QString("semi;colon"), QString("'single'"), QString(""), QString(" padded ")});
    EXPECT_EQ(Export(grid, u',', {"Title, with comma", "b", "c", "d", "e", "f", "g", "h"}),
              "\"Title, with comma\",b,c,d,e,f,g,h\r\n"
              "\"14,5\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\r\",semi;colon,'single',, padded \r\n");

    // With a semicolon separator the decimal comma is harmless and stays unquoted.
    MemoryGrid semi = MemoryGrid::WithTextColumns({"a", "b"});
    semi.AddRow({QString("14,5"), QString("semi;colon")});
    EXPECT_EQ(Export(semi, u';', {"a", "b"}), "a;b\r\n14,5;\"semi;colon\"\r\n");

    EXPECT_EQ(CsvLine({"\"", "x"}, u','), "\"\"\"\",x");
}

TEST_F(CsvExport, TextIsWrittenInTheAnsiCodePageWithoutByteOrderMark)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"a", "b"});
    grid.AddRow({QString::fromUtf8("\u00B5mol/L"), QString::fromUtf8("\u03A9\U0001F600")});
    EXPECT_EQ(Export(grid, u';', {QString::fromUtf8("H\u00E9moglobine"), QString::fromUtf8("\u0141")}),
              "H\xE9moglobine;?\r\n\xB5mol/L;??\r\n");

    platform::SetAnsiCodePage(1250);
    MemoryGrid polish = MemoryGrid::WithTextColumns({"a"});
    polish.AddRow({QString::fromUtf8("\u0141\u0151")});
    EXPECT_EQ(Export(polish, u';', {"x"}), "x\r\n\xA3\xF5\r\n");
}

TEST_F(CsvExport, RowsFollowStorageOrderAndTheGridKeepsItsRowAndDisplay)
{
    MemoryGrid grid = ResultGrid();
    grid.AddRow({QString("0014"), QString("d"), QString("t"), QString("hb"), QString("hct")});
    // The view is sorted some other way; the export puts it back into storage order.
    std::swap(grid.rows[0], grid.rows[2]);
    grid.MoveToId(2);

    const QByteArray csv = Export(grid, u',');
    EXPECT_TRUE(csv.contains("\r\n0012,2018/05/01,10:20,15.2,45\r\n0013,2018/05/02,08:05,H 21.0,\r\n"
                             "0014,d,t,hb,hct\r\n"))
        << csv.toStdString();
    EXPECT_EQ(grid.sortCalls, 1);
    EXPECT_EQ(grid.CurrentId(), 2);
    EXPECT_EQ(grid.suspendCalls, 1);
    EXPECT_EQ(grid.suspendDepth, 0);
}

TEST_F(CsvExport, HiddenColumnsAreNotWritten)
{
    MemoryGrid grid = MemoryGrid::WithTextColumns({"a", "b", "c"});
    grid.columns[1].visible = false;
    grid.AddRow({QString("1"), QString("2"), QString("3")});
    EXPECT_EQ(Export(grid, u',', {"a", "c"}), "a,c\r\n1,3\r\n");
}

TEST_F(CsvExport, AnExistingFileIsReplaced)
{
    const QString path = Path("out.csv");
    testsupport::WriteFileBytes(path, QByteArray(10000, 'z'));
    MemoryGrid grid = MemoryGrid::WithTextColumns({"a"});
    EXPECT_EQ(Export(grid, u',', {"a"}), "a\r\n");
}

TEST_F(CsvExport, AFileThatCannotBeCreatedGivesTheSystemsReasonAndWritesNothing)
{
    MemoryGrid grid = ResultGrid();
    grid.MoveToId(2);
    const QString path = Path("missing/out.csv");
    try {
        ExportToCsvFile(grid, path, kHeader, u',');
        FAIL() << "no error";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.message(), QString("Cannot create file \"%1\". No such file or directory").arg(path));
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(grid.CurrentId(), 2);
    EXPECT_EQ(grid.suspendDepth, 0);
    EXPECT_EQ(grid.cellReads, 0);

    // A folder without write permission (root may write anywhere, so only for other users).
    if (geteuid() != 0) {
        const QString locked = Path("locked");
        ASSERT_TRUE(QDir().mkdir(locked));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        try {
            ExportToCsvFile(grid, locked + "/out.csv", kHeader, u',');
            ADD_FAILURE() << "no error";
        } catch (const platform::Exception &e) {
            EXPECT_TRUE(e.message().endsWith("Permission denied")) << e.message().toStdString();
        }
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(CsvExport, AFailureWhileWritingKeepsWhatWasWrittenAndRestoresTheGrid)
{
    MemoryGrid grid = ResultGrid();
    grid.AddRow({QString("0014"), QString("d"), QString("t"), QString("hb"), QString("hct")});
    grid.MoveToId(3);
    grid.onRead = [](size_t row) {
        if (row == 2)
            throw platform::Exception("the database went away");
    };
    const QString path = Path("partial.csv");
    try {
        ExportToCsvFile(grid, path, kHeader, u',');
        FAIL() << "no error";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.message(), "the database went away");
    }
    EXPECT_EQ(testsupport::ReadFileBytes(path),
              "Test Number,Date,Time,Hemoglobin(g/dL),Hematocrit(%)\r\n"
              "0012,2018/05/01,10:20,15.2,45\r\n"
              "0013,2018/05/02,08:05,H 21.0,\r\n");
    EXPECT_EQ(grid.CurrentId(), 3);
    EXPECT_EQ(grid.suspendDepth, 0);

    // A full disk is reported with the system's reason.
    if (QFileInfo::exists("/dev/full")) {
        MemoryGrid tall = MemoryGrid::WithTextColumns({"a"});
        for (int i = 0; i < 5000; ++i)
            tall.AddRow({QString(20, u'x')});
        try {
            ExportToCsvFile(tall, "/dev/full", {"a"}, u',');
            ADD_FAILURE() << "writing to /dev/full succeeded";
        } catch (const platform::Exception &e) {
            EXPECT_EQ(e.message(), "Cannot write file \"/dev/full\". No space left on device");
        }
        EXPECT_EQ(tall.suspendDepth, 0);
    }
}
