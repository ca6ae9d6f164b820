#pragma once
// The export tests' world: a program folder with a German language file, a data folder with a
// real keyed result database opened by the data module, the main window over it, scripted
// dialogs, and the SheetJS reader for written .xls files.

#include "support/install/ProgramFolders.h"
#include "support/ScriptedDialogs.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <utility>

class TDM;
class TfrmMain;

namespace exporttest {

// One result to store: the fields the grid's columns are computed from.
struct Result
{
    std::optional<QString> recID;     // nullopt: the field stays NULL
    double dateTime = 45356.58862;    // 2024-03-05 14:07:37
    QString hb = QStringLiteral("14.2");
    QString hbUnit = QStringLiteral("g/dL");
    QString hbFlag;
    QString hct = QStringLiteral("42");
    QString hctUnit = QStringLiteral("%");
    QString hctFlag;
    double transferTime = 46000.5;
};

class ExportWindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Appends the result to the data module's view (pending until Store writes it).
    void Append(const Result &result);
    // Appends and writes the results in one batch.
    void Store(std::initializer_list<Result> results);

    // The record id (fRecID text) of the view's current row, and the grid's current row.
    QString CurrentRecID() const;
    int GridCurrentRow() const;

    QString Path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir root;
    QTemporaryDir dir;   // where the exports go
    testsupport::ScriptedDialogs dialogs;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TfrmMain> window;

private:
    std::optional<testsupport::ProgramFolders> folders;
};

// What SheetJS reads from an .xls file.
struct SheetCell
{
    QString type;  // "s" text, "n" number, "z" blank
    QJsonValue value;
};

struct Sheet
{
    bool read = false;
    int rows = 0;
    int cols = 0;
    std::map<std::pair<int, int>, SheetCell> cells;
};

// Empty when node or SheetJS is missing (the test should then skip).
QString SheetJsMissingReason();
// Reads the file with tools/xls-check/read-xls.js; failures are reported to the test.
Sheet ReadWithSheetJs(const QString &path);

} // namespace exporttest
