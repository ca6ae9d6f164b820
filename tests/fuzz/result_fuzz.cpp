// From meter text to stored rows: the input (after one byte that picks the regional settings)
// is received text in code page 1252; its records are framed and parsed, each entry decoded
// and put into a new row of the result view the way the main window stores it. Every posted
// row must show exactly the values put in; then the batch is written to a real database file,
// read back and compared column by column, and deleted.
#include "meter/RecordFormat.h"
#include "meter/ResultEntry.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/RegionalSettings.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"

#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using store::ResultColumn;

namespace {

void Check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "result check failed: %s\n", what);
        std::abort();
    }
}

// The values one row was given, by view column.
using RowCopy = std::vector<QVariant>;

bool SameValue(const QVariant &got, const QVariant &put)
{
    if (!put.isValid() || (put.metaType().id() == QMetaType::QString && put.toString().isNull()))
        return !got.isValid();
    if (!got.isValid())
        return false;
    if (put.metaType().id() == QMetaType::Double)
        return got.toDouble() == put.toDouble();
    return got.toString() == put.toString();
}

void CheckRow(const store::ResultView &view, int position, const RowCopy &put, const char *what)
{
    for (int column = 1; column < store::kTableColumnCount; ++column)
        if (!SameValue(view.Value(position, column), put[static_cast<std::size_t>(column)])) {
            std::fprintf(stderr, "column %s\n", store::ViewColumns()[column].name);
            Check(false, what);
        }
}

struct Store
{
    QTemporaryDir dir;
    store::DatabaseConnection connection;
    std::unique_ptr<store::ResultView> view;
    std::vector<RowCopy> pending;

    Store()
    {
        Check(dir.isValid(), "temporary folder");
        const QString path = dir.filePath(QStringLiteral("HB_data1.dat"));
        store::CreateResultDatabase(path);
        connection.Open(path, store::DatabasePassword());
        view = std::make_unique<store::ResultView>(connection);
        view->Open();
        view->SetSort(QStringLiteral("FID"));
    }

    // Writes the pending rows, reads them back in storing order and compares, then deletes them.
    void WriteAndCompare()
    {
        view->UpdateBatch();
        view->Requery();
        Check(view->PendingCount() == 0 && view->RecordCount() == static_cast<int>(pending.size()),
              "every row written once");
        for (int position = 0; position < view->RecordCount(); ++position)
            CheckRow(*view, position, pending[static_cast<std::size_t>(position)], "row read back as written");
        connection.Execute(QStringLiteral("Delete From result_Log"));
        view->Requery(store::ResultView::PendingRows::Drop);
        pending.clear();
    }
};

const platform::RegionalSettings &Regional(std::uint8_t choice)
{
    static const platform::RegionalSettings settings[] = {
        platform::RegionalSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates)),
        platform::RegionalSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany)),
        platform::RegionalSettings::FromLocale(QLocale(QLocale::Finnish, QLocale::Finland)),
        platform::RegionalSettings::FromLocale(QLocale(QLocale::Arabic, QLocale::Egypt)),
    };
    return settings[choice % std::size(settings)];
}

// What the main window does with one entry; false when the entry is not stored.
bool StoreEntry(store::ResultView &view, const TMeterRecord &record, RowCopy &put)
{
    const ResultEntry entry = DecodeResultEntry(record.sDate, record.sTime, record.sID, record.sHB, record.sHCT);
    Check(entry.dateTime.has_value() == DatePassesCheck(record.sDate), "date kept exactly when it passes");
    Check(!entry.dateTime || std::isfinite(*entry.dateTime), "a finite date");

    put.assign(store::kViewColumnCount, QVariant());
    auto set = [&](ResultColumn column, const QVariant &value) {
        view.SetFieldValue(column, value);
        put[static_cast<std::size_t>(column)] = value;
    };
    view.Append();
    if (entry.recID)
        set(ResultColumn::fRecID, *entry.recID);
    set(ResultColumn::fDateTime_Txt, entry.dateTimeText);
    set(ResultColumn::fTransferTime, platform::Now());
    if (!entry.dateTime) {
        view.Cancel();
        return false;
    }
    set(ResultColumn::fDateTime, *entry.dateTime);
    set(ResultColumn::fHB_Txt, entry.hbText);
    set(ResultColumn::fHCT_Txt, entry.hctText);
    set(ResultColumn::fHB, entry.hb);
    set(ResultColumn::fHB_Unit, entry.hbUnit);
    set(ResultColumn::fHB_Flag, entry.hbFlag);
    set(ResultColumn::fHCT, entry.hct);
    set(ResultColumn::fHCT_Unit, entry.hctUnit);
    set(ResultColumn::fHCT_Flag, entry.hctFlag);
    view.Post();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Kept to the end of the process; at exit the file goes.
    static Store *store = [] {
        auto *made = new Store;
        std::atexit([] {
            store->view.reset();
            store->connection.Close();
            store->dir.remove();
        });
        return made;
    }();
    if (size == 0)
        return 0;
    platform::SetRegionalSettings(Regional(data[0]));
    const QString text = platform::FromAnsi(
        QByteArrayView(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1)), 1252);

    QString pending;
    TBufQuery raw;
    FrameReceivedText(pending, text, raw);
    FrameReceivedText(pending, QStringView(kRecordTerminator), raw);
    TMeterRecordQuery entries;
    QString record;
    while (raw.Pop(record))
        ParseRecordText(record, entries);

    store::ResultView &view = *store->view;
    TMeterRecord entry;
    while (entries.Pop(entry.sDate, entry.sTime, entry.sID, entry.sHB, entry.sHCT)) {
        const int before = view.RecordCount();
        RowCopy put;
        const bool stored = StoreEntry(view, entry, put);
        Check(view.GetState() == store::ResultView::State::Browse, "no row left half-made");
        Check(view.RecordCount() == before + (stored ? 1 : 0), "one row per stored entry");
        if (!stored)
            continue;
        const int position = view.RecNo();
        Check(view.IsPendingAt(position), "the new row is current");
        CheckRow(view, position, put, "row shows what was put");
        for (int column = 0; column < store::kViewColumnCount; ++column)
            (void)view.Text(position, column);
        store->pending.push_back(std::move(put));
    }
    // As the main window does after each batch of entries. Writing here rather than after many
    // inputs also frees, within the input, all that the input took.
    if (!store->pending.empty())
        store->WriteAndCompare();
    return 0;
}
