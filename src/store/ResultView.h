#pragma once
// The result view: the one long-lived, client-side copy of result_log that the grid, the
// storing of received results and the exports share ("Select * from result_log Order by
// fTransferTime"; the program then sorts it by "FID").
//
// Rows appended to the view are pending: they are visible in the view (and the grid) at once
// but reach the file only with UpdateBatch, which writes every pending row in one transaction
// and takes the assigned fIDs back. A failed write leaves them pending and throws; a later
// write stores them. The calculated columns fDate_C, fTime_C, fHB_C and fHCT_C are computed
// when a row is read or shown, never stored.
//
// Positions are display positions, 0 .. RecordCount()-1, in the order of the current sort. A
// row being appended (state Insert) is not counted until it is posted.
//
// Not thread-safe: GUI thread only. The connection must outlive the view.

#include "store/DisplayFormats.h"
#include "store/ResultLogSchema.h"
#include "store/ResultRows.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace store {

class DatabaseConnection;
class ResultViewListener;


class ResultView
{
public:
    enum class State
    {
        Inactive,  // closed
        Browse,
        Insert,    // a row is being appended: set its fields, then Post or Cancel
    };

    // A row's identity, valid across sorts and appends until the view is closed or re-queried.
    struct Bookmark
    {
        std::uint64_t generation = 0;
        std::int64_t row = -1;
        bool IsEmpty() const { return row < 0; }
    };

    explicit ResultView(DatabaseConnection &connection);
    ~ResultView();
    ResultView(const ResultView &) = delete;
    ResultView &operator=(const ResultView &) = delete;

    static QString SQL();

    // Reads every stored row. Does nothing when already open. Throws DatabaseError (a missing
    // table or column, a damaged file); the view then stays closed.
    void Open();
    // Drops every row, pending ones included (write them first).
    void Close();
    bool Active() const { return state_ != State::Inactive; }
    State GetState() const { return state_; }

    // Reads the stored rows again (after a delete through the connection). Pending rows were
    // never written; Keep puts them after the stored ones, Drop lets them go (the user deleted
    // every result). Bookmarks become invalid; the first row becomes current. On failure the
    // view keeps its old rows, pending ones included, and the error is thrown.
    enum class PendingRows { Keep, Drop };
    void Requery(PendingRows pendingRows = PendingRows::Keep);

    // Sort: "" (the query's order, by fTransferTime, appended rows at the end) or one or more
    // "column [ASC|DESC]" separated by ",", column names without regard to case; "FID" is
    // ascending fID, the order in which rows were stored, with pending rows after the stored
    // ones in the order they were appended. Throws DatabaseError for an unknown column. The
    // current row stays current (right after an open or requery, the first row stays first).
    void SetSort(const QString &sort);
    const QString &Sort() const { return sort_; }

    int RecordCount() const;
    int PendingCount() const { return static_cast<int>(pending_.size()); }

    // Navigation. Next on the last row (or any move in an empty view) sets Eof and stays.
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    // Current position, -1 when the view is empty or closed.
    int RecNo() const { return current_; }
    bool MoveTo(int position);
    Bookmark GetBookmark() const;
    bool BookmarkValid(const Bookmark &bookmark) const;
    // Makes the bookmarked row current; false (and no move) when the bookmark is not valid.
    bool GotoBookmark(const Bookmark &bookmark);

    // Values by position and view column (ResultColumn as int). Value: fID as qlonglong,
    // date-times as double (OLE dates), texts as QString, a NULL as an invalid QVariant; the
    // calculated columns as QString. Text: the display text ("" for NULL; date-times with the
    // short date and long time).
    QVariant Value(int position, int column) const;
    QString Text(int position, int column) const;
    bool IsPendingAt(int position) const;
    CalculatedFields CalcFields(int position) const;

    // The current row's fields (or the appended row's in state Insert). Unknown names throw
    // DatabaseError.
    QVariant FieldValue(const QString &name) const;
    QString FieldText(const QString &name) const;
    QVariant FieldValue(ResultColumn column) const;
    QString FieldText(ResultColumn column) const;

    // Appending: Append starts an empty row (all NULL), SetFieldValue fills it, Post adds it to
    // the view as a pending row and makes it current, Cancel drops it. fID and the calculated
    // columns cannot be set. A text longer than its declared size is kept whole.
    void Append();
    void SetFieldValue(const QString &name, const QVariant &value);
    void SetFieldValue(ResultColumn column, const QVariant &value);
    void Post();
    void Cancel();

    // Writes every pending row in one transaction and gives them their fIDs; an empty batch
    // writes nothing. On failure (also when the file was deleted or replaced since the
    // connection opened it) the rows stay pending and DatabaseError is thrown.
    void UpdateBatch();

    // Display updates: while switched off (nested), listeners hear nothing; switching them on
    // sends one summary of what changed.
    void DisableDisplayUpdates();
    void EnableDisplayUpdates();
    bool DisplayUpdatesDisabled() const { return disabled_ > 0; }

    void AddListener(ResultViewListener *listener);
    void RemoveListener(ResultViewListener *listener);

    // Bytes held by the row copy (benchmark report).
    std::size_t MemoryBytes() const;

private:
    struct SortKey
    {
        ResultColumn column;
        bool descending;
    };

    std::size_t RowAt(int position) const;
    int ColumnIndex(const QString &name) const;
    QVariant RowValue(std::size_t row, int column) const;
    QString RowText(std::size_t row, int column) const;
    QVariant BufferValue(int column) const;
    QString BufferText(int column) const;
    QString CalcText(int column, std::optional<double> dateTime, const QString &hbFlag,
                     const QString &hb, const QString &hctFlag, const QString &hct) const;

    std::unique_ptr<ResultRows> LoadStoredRows();
    void CheckActive(const char *operation) const;
    bool IsStoredOrder() const;
    // Builds the display order when it is needed (after an open, a requery or a new sort).
    void EnsureOrder() const;
    bool RowLess(std::size_t a, std::size_t b) const;
    int CompareColumn(std::size_t a, std::size_t b, ResultColumn column) const;
    int InsertPosition(std::size_t row) const;
    void SetCurrent(int position);
    void AfterReorder(std::optional<std::size_t> keepRow);

    void NotifyReset();
    void NotifyInserted(int position, std::size_t row);
    void NotifyChanged(int first, int last);
    void NotifyCurrent();

    DatabaseConnection &connection_;
    State state_ = State::Inactive;
    std::unique_ptr<ResultRows> rows_;
    mutable std::vector<std::uint32_t> order_;   // display position -> storage row
    mutable bool orderValid_ = false;
    std::vector<std::uint32_t> pending_;     // storage rows not yet written, in append order
    QString sort_;
    std::vector<SortKey> sortKeys_;
    std::uint64_t generation_ = 1;
    int current_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    RowValues buffer_;                       // the row being appended
    int beforeInsert_ = -1;                  // current position when Append was called

    int disabled_ = 0;
    struct Deferred
    {
        bool any = false;
        bool reset = false;
        int insertedFrom = -1;   // first position of rows appended at the end
        int changedFirst = -1;
        int changedLast = -1;
        bool current = false;
    } deferred_;
    std::vector<ResultViewListener *> listeners_;
};

} // namespace store
