#include "store/ResultView.h"

#include "store/DatabaseConnection.h"
#include "store/DatabaseError.h"
#include "store/DisplayFormats.h"
#include "store/ResultViewListener.h"
#include "store/Statement.h"
#include "store/Transaction.h"

#include "platform/DateTime.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace store {

namespace {

constexpr int kNoColumn = -1;

ColumnKind KindOf(int column)
{
    return ViewColumns()[static_cast<std::size_t>(column)].kind;
}

// "fID, fDateTime, ..." for the fifteen table columns; from = 0 includes fID, 1 leaves it out.
QString TableColumnList(int from)
{
    QStringList names;
    for (int i = from; i < kTableColumnCount; ++i)
        names << QString::fromLatin1(ViewColumns()[static_cast<std::size_t>(i)].name);
    return names.join(QStringLiteral(", "));
}

QString InsertSql()
{
    QStringList marks;
    for (int i = 1; i < kTableColumnCount; ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO result_log (%1) VALUES (%2)")
        .arg(TableColumnList(1), marks.join(QStringLiteral(", ")));
}

int CompareUtf8(std::string_view a, std::string_view b)
{
    // NULL sorts before every text, as the engine's ORDER BY does.
    if (!a.data() || !b.data())
        return (a.data() ? 1 : 0) - (b.data() ? 1 : 0);
    const int c = a.compare(b);   // byte order of UTF-8 is code point order
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

ResultView::ResultView(DatabaseConnection &connection)
    : connection_(connection), rows_(std::make_unique<ResultRows>())
{
}

ResultView::~ResultView() = default;

QString ResultView::SQL()
{
    return QStringLiteral("Select * from result_log Order by fTransferTime");
}

void ResultView::CheckActive(const char *operation) const
{
    if (state_ == State::Inactive)
        throw DatabaseError(QStringLiteral("%1: the result view is not open").arg(QLatin1String(operation)));
}

std::unique_ptr<ResultRows> ResultView::LoadStoredRows()
{
    VerifyResultLogSchema(connection_);
    // The rows are read in fID order, which the engine gives without sorting (fID is the row
    // key); the query's own order by fTransferTime is produced in memory when it is wanted,
    // since the program shows the rows by fID anyway.
    Statement query(connection_,
                    QStringLiteral("SELECT %1 FROM result_log ORDER BY fID").arg(TableColumnList(0)));
    auto rows = std::make_unique<ResultRows>();
    std::array<std::optional<double>, kDateSlotCount> dates;
    std::array<std::string_view, kTextSlotCount> texts;
    while (query.Step()) {
        for (int column = 1; column < kTableColumnCount; ++column) {
            const auto result = static_cast<ResultColumn>(column);
            if (const int slot = DateSlotOf(result); slot >= 0) {
                dates[static_cast<std::size_t>(slot)] =
                    query.ColumnIsNull(column) ? std::nullopt : std::optional<double>(query.ColumnDouble(column));
            } else {
                texts[static_cast<std::size_t>(TextSlotOf(result))] = query.ColumnUtf8(column);
            }
        }
        rows->AppendStored(query.ColumnInt64(0), dates, texts);
    }
    return rows;
}

void ResultView::Open()
{
    if (state_ != State::Inactive)
        return;
    auto rows = LoadStoredRows();
    rows_ = std::move(rows);
    pending_.clear();
    order_.clear();
    orderValid_ = false;
    state_ = State::Browse;
    ++generation_;
    SetCurrent(RecordCount() > 0 ? 0 : -1);
    NotifyReset();
}

void ResultView::Close()
{
    if (state_ == State::Inactive)
        return;
    rows_ = std::make_unique<ResultRows>();
    pending_.clear();
    order_.clear();
    orderValid_ = false;
    buffer_ = RowValues();
    state_ = State::Inactive;
    ++generation_;
    SetCurrent(-1);
    NotifyReset();
}

void ResultView::Requery(PendingRows pendingRows)
{
    CheckActive("Requery");
    if (state_ == State::Insert)
        throw DatabaseError(QStringLiteral("Requery: a row is still being appended"));
    auto rows = LoadStoredRows();
    std::vector<std::uint32_t> pending;
    if (pendingRows == PendingRows::Keep) {
        for (const std::uint32_t row : pending_) {
            RowValues values;
            for (int slot = 0; slot < kDateSlotCount; ++slot)
                values.dates[static_cast<std::size_t>(slot)] = rows_->Date(row, slot);
            for (int slot = 0; slot < kTextSlotCount; ++slot)
                values.texts[static_cast<std::size_t>(slot)] = rows_->Text(row, slot);
            pending.push_back(static_cast<std::uint32_t>(rows->AppendPending(values)));
        }
    }
    rows_ = std::move(rows);
    pending_ = std::move(pending);
    order_.clear();
    orderValid_ = false;
    ++generation_;
    SetCurrent(RecordCount() > 0 ? 0 : -1);
    NotifyReset();
}

void ResultView::SetSort(const QString &sort)
{
    std::vector<SortKey> keys;
    const QStringList items = sort.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const QStringList words = item.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const int column = FindViewColumn(words[0]);
        bool descending = false;
        bool valid = column >= 0 && KindOf(column) != ColumnKind::Calculated && words.size() <= 2;
        if (valid && words.size() == 2) {
            if (words[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0)
                descending = true;
            else if (words[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0)
                valid = false;
        }
        if (!valid)
            throw DatabaseError(QStringLiteral("Cannot sort the result view by \"%1\"").arg(item.trimmed()));
        keys.push_back(SortKey{static_cast<ResultColumn>(column), descending});
    }

    std::optional<std::size_t> keep;
    if (orderValid_ && current_ >= 0)
        keep = order_[static_cast<std::size_t>(current_)];
    sort_ = sort;
    sortKeys_ = std::move(keys);
    orderValid_ = false;
    order_.clear();
    if (state_ == State::Inactive)
        return;
    AfterReorder(keep);
    NotifyReset();
}

bool ResultView::IsStoredOrder() const
{
    return sortKeys_.size() == 1 && sortKeys_[0].column == ResultColumn::fID && !sortKeys_[0].descending;
}

void ResultView::EnsureOrder() const
{
    if (orderValid_)
        return;
    const std::size_t count = rows_->Size();
    order_.resize(count);
    std::iota(order_.begin(), order_.end(), 0u);
    if (IsStoredOrder()) {
        // Stored rows were read by ascending fID and every later row was appended after them;
        // rows written since got fIDs above every stored one.
    } else if (sortKeys_.empty()) {
        const int slot = DateSlotOf(ResultColumn::fTransferTime);
        auto storedEnd = std::stable_partition(order_.begin(), order_.end(),
                                               [&](std::uint32_t row) { return !rows_->IsPending(row); });
        std::stable_sort(order_.begin(), storedEnd, [&](std::uint32_t a, std::uint32_t b) {
            const auto ta = rows_->Date(a, slot);
            const auto tb = rows_->Date(b, slot);
            if (!ta || !tb)
                return !ta && tb;
            return *ta < *tb;
        });
    } else {
        std::stable_sort(order_.begin(), order_.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return RowLess(a, b); });
    }
    orderValid_ = true;
}

int ResultView::CompareColumn(std::size_t a, std::size_t b, ResultColumn column) const
{
    if (column == ResultColumn::fID) {
        // Pending rows have no fID yet; they follow the stored rows in the order appended.
        const bool pa = rows_->IsPending(a);
        const bool pb = rows_->IsPending(b);
        if (pa != pb)
            return pa ? 1 : -1;
        if (pa)
            return a < b ? -1 : (a > b ? 1 : 0);
        const auto ia = *rows_->Id(a);
        const auto ib = *rows_->Id(b);
        return ia < ib ? -1 : (ia > ib ? 1 : 0);
    }
    if (const int slot = DateSlotOf(column); slot >= 0) {
        const auto da = rows_->Date(a, slot);
        const auto db = rows_->Date(b, slot);
        if (!da || !db)
            return (da ? 1 : 0) - (db ? 1 : 0);
        return *da < *db ? -1 : (*da > *db ? 1 : 0);
    }
    const int slot = TextSlotOf(column);
    return CompareUtf8(rows_->TextUtf8(a, slot), rows_->TextUtf8(b, slot));
}

bool ResultView::RowLess(std::size_t a, std::size_t b) const
{
    for (const SortKey &key : sortKeys_) {
        int c = CompareColumn(a, b, key.column);
        if (key.descending)
            c = -c;
        if (c != 0)
            return c < 0;
    }
    return false;
}

int ResultView::InsertPosition(std::size_t row) const
{
    if (sortKeys_.empty() || IsStoredOrder())
        return static_cast<int>(order_.size());
    const auto it = std::upper_bound(order_.begin(), order_.end(), static_cast<std::uint32_t>(row),
                                     [&](std::uint32_t a, std::uint32_t b) { return RowLess(a, b); });
    return static_cast<int>(it - order_.begin());
}

void ResultView::AfterReorder(std::optional<std::size_t> keepRow)
{
    if (!keepRow) {
        SetCurrent(RecordCount() > 0 ? 0 : -1);
        return;
    }
    EnsureOrder();
    const auto it = std::find(order_.begin(), order_.end(), static_cast<std::uint32_t>(*keepRow));
    SetCurrent(it == order_.end() ? (RecordCount() > 0 ? 0 : -1) : static_cast<int>(it - order_.begin()));
}

int ResultView::RecordCount() const
{
    return state_ == State::Inactive ? 0 : static_cast<int>(rows_->Size());
}

std::size_t ResultView::RowAt(int position) const
{
    EnsureOrder();
    return order_[static_cast<std::size_t>(position)];
}

void ResultView::SetCurrent(int position)
{
    const int count = RecordCount();
    current_ = count == 0 ? -1 : std::clamp(position, 0, count - 1);
    eof_ = bof_ = count == 0;
    NotifyCurrent();
}

void ResultView::First()
{
    SetCurrent(0);
}

void ResultView::Last()
{
    // Every move but First fixes the display order, so that a later sort knows which row
    // is current (right after an open it is simply the first).
    EnsureOrder();
    SetCurrent(RecordCount() - 1);
}

void ResultView::Next()
{
    EnsureOrder();
    if (current_ < 0 || current_ + 1 >= RecordCount()) {
        eof_ = true;
        return;
    }
    SetCurrent(current_ + 1);
}

void ResultView::Prior()
{
    EnsureOrder();
    if (current_ <= 0) {
        bof_ = true;
        return;
    }
    SetCurrent(current_ - 1);
}

bool ResultView::MoveTo(int position)
{
    if (position < 0 || position >= RecordCount())
        return false;
    EnsureOrder();
    SetCurrent(position);
    return true;
}

ResultView::Bookmark ResultView::GetBookmark() const
{
    if (current_ < 0)
        return Bookmark{};
    return Bookmark{generation_, static_cast<std::int64_t>(RowAt(current_))};
}

bool ResultView::BookmarkValid(const Bookmark &bookmark) const
{
    return state_ != State::Inactive && bookmark.generation == generation_ && bookmark.row >= 0
           && static_cast<std::size_t>(bookmark.row) < rows_->Size();
}

bool ResultView::GotoBookmark(const Bookmark &bookmark)
{
    if (!BookmarkValid(bookmark))
        return false;
    EnsureOrder();
    const auto it = std::find(order_.begin(), order_.end(), static_cast<std::uint32_t>(bookmark.row));
    if (it == order_.end())
        return false;
    SetCurrent(static_cast<int>(it - order_.begin()));
    return true;
}

int ResultView::ColumnIndex(const QString &name) const
{
    const int column = FindViewColumn(name);
    if (column == kNoColumn)
        throw DatabaseError(QStringLiteral("The result view has no field \"%1\"").arg(name));
    return column;
}

QString ResultView::CalcText(int column, std::optional<double> dateTime, const QString &hbFlag,
                             const QString &hb, const QString &hctFlag, const QString &hct) const
{
    switch (static_cast<ResultColumn>(column)) {
    case ResultColumn::fDate_C: return CalcDateText(dateTime);
    case ResultColumn::fTime_C: return CalcTimeText(dateTime);
    case ResultColumn::fHB_C: return CalcHBText(hbFlag, hb);
    case ResultColumn::fHCT_C: return CalcHCTText(hctFlag, hct);
    default: return QString();
    }
}

QVariant ResultView::RowValue(std::size_t row, int column) const
{
    const auto result = static_cast<ResultColumn>(column);
    switch (KindOf(column)) {
    case ColumnKind::AutoId: {
        const auto id = rows_->Id(row);
        return id ? QVariant(static_cast<qlonglong>(*id)) : QVariant();
    }
    case ColumnKind::DateTime: {
        const auto value = rows_->Date(row, DateSlotOf(result));
        return value ? QVariant(*value) : QVariant();
    }
    case ColumnKind::Text: {
        const QString text = rows_->Text(row, TextSlotOf(result));
        return text.isNull() ? QVariant() : QVariant(text);
    }
    case ColumnKind::Calculated:
        return RowText(row, column);
    }
    return QVariant();
}

QString ResultView::RowText(std::size_t row, int column) const
{
    const auto result = static_cast<ResultColumn>(column);
    auto text = [&](ResultColumn c) { return rows_->Text(row, TextSlotOf(c)); };
    switch (KindOf(column)) {
    case ColumnKind::AutoId: {
        const auto id = rows_->Id(row);
        return id ? QString::number(*id) : QString();
    }
    case ColumnKind::DateTime: {
        const auto value = rows_->Date(row, DateSlotOf(result));
        return value ? platform::FormatDateTime(QStringLiteral("c"), *value) : QString();
    }
    case ColumnKind::Text:
        return text(result);
    case ColumnKind::Calculated: {
        const auto dateTime = rows_->Date(row, DateSlotOf(ResultColumn::fDateTime));
        switch (result) {
        case ResultColumn::fDate_C:
        case ResultColumn::fTime_C:
            return CalcText(column, dateTime, {}, {}, {}, {});
        case ResultColumn::fHB_C:
            return CalcHBText(text(ResultColumn::fHB_Flag), text(ResultColumn::fHB));
        default:
            return CalcHCTText(text(ResultColumn::fHCT_Flag), text(ResultColumn::fHCT));
        }
    }
    }
    return QString();
}

QVariant ResultView::BufferValue(int column) const
{
    const auto result = static_cast<ResultColumn>(column);
    switch (KindOf(column)) {
    case ColumnKind::AutoId:
        return QVariant();
    case ColumnKind::DateTime: {
        const auto &value = buffer_.dates[static_cast<std::size_t>(DateSlotOf(result))];
        return value ? QVariant(*value) : QVariant();
    }
    case ColumnKind::Text: {
        const QString &text = buffer_.texts[static_cast<std::size_t>(TextSlotOf(result))];
        return text.isNull() ? QVariant() : QVariant(text);
    }
    case ColumnKind::Calculated:
        return BufferText(column);
    }
    return QVariant();
}

QString ResultView::BufferText(int column) const
{
    const auto result = static_cast<ResultColumn>(column);
    auto text = [&](ResultColumn c) { return buffer_.texts[static_cast<std::size_t>(TextSlotOf(c))]; };
    switch (KindOf(column)) {
    case ColumnKind::AutoId:
        return QString();
    case ColumnKind::DateTime: {
        const auto &value = buffer_.dates[static_cast<std::size_t>(DateSlotOf(result))];
        return value ? platform::FormatDateTime(QStringLiteral("c"), *value) : QString();
    }
    case ColumnKind::Text:
        return text(result);
    case ColumnKind::Calculated:
        return CalcText(column, buffer_.dates[static_cast<std::size_t>(DateSlotOf(ResultColumn::fDateTime))],
                        text(ResultColumn::fHB_Flag), text(ResultColumn::fHB),
                        text(ResultColumn::fHCT_Flag), text(ResultColumn::fHCT));
    }
    return QString();
}

QVariant ResultView::Value(int position, int column) const
{
    if (position < 0 || position >= RecordCount() || column < 0 || column >= kViewColumnCount)
        return QVariant();
    return RowValue(RowAt(position), column);
}

QString ResultView::Text(int position, int column) const
{
    if (position < 0 || position >= RecordCount() || column < 0 || column >= kViewColumnCount)
        return QString();
    return RowText(RowAt(position), column);
}

bool ResultView::IsPendingAt(int position) const
{
    if (position < 0 || position >= RecordCount())
        return false;
    return rows_->IsPending(RowAt(position));
}

CalculatedFields ResultView::CalcFields(int position) const
{
    if (position < 0 || position >= RecordCount())
        return qryResultLogCalcFields(std::nullopt, {}, {}, {}, {});
    const std::size_t row = RowAt(position);
    auto text = [&](ResultColumn c) { return rows_->Text(row, TextSlotOf(c)); };
    return qryResultLogCalcFields(rows_->Date(row, DateSlotOf(ResultColumn::fDateTime)),
                                  text(ResultColumn::fHB_Flag), text(ResultColumn::fHB),
                                  text(ResultColumn::fHCT_Flag), text(ResultColumn::fHCT));
}

QVariant ResultView::FieldValue(const QString &name) const
{
    return FieldValue(static_cast<ResultColumn>(ColumnIndex(name)));
}

QString ResultView::FieldText(const QString &name) const
{
    return FieldText(static_cast<ResultColumn>(ColumnIndex(name)));
}

QVariant ResultView::FieldValue(ResultColumn column) const
{
    if (state_ == State::Insert)
        return BufferValue(static_cast<int>(column));
    return Value(current_, static_cast<int>(column));
}

QString ResultView::FieldText(ResultColumn column) const
{
    if (state_ == State::Insert)
        return BufferText(static_cast<int>(column));
    return Text(current_, static_cast<int>(column));
}

void ResultView::Append()
{
    CheckActive("Append");
    if (state_ == State::Insert)
        throw DatabaseError(QStringLiteral("Append: a row is already being appended"));
    buffer_ = RowValues();
    beforeInsert_ = current_;
    state_ = State::Insert;
}

void ResultView::SetFieldValue(const QString &name, const QVariant &value)
{
    SetFieldValue(static_cast<ResultColumn>(ColumnIndex(name)), value);
}

void ResultView::SetFieldValue(ResultColumn column, const QVariant &value)
{
    const ColumnInfo &info = ColumnInfoOf(column);
    if (state_ != State::Insert)
        throw DatabaseError(QStringLiteral("Cannot set the field %1: no row is being appended")
                                .arg(QLatin1String(info.name)));
    const bool isNull = !value.isValid() || value.isNull();
    switch (info.kind) {
    case ColumnKind::AutoId:
    case ColumnKind::Calculated:
        throw DatabaseError(QStringLiteral("The field %1 cannot be modified").arg(QLatin1String(info.name)));
    case ColumnKind::DateTime: {
        auto &slot = buffer_.dates[static_cast<std::size_t>(DateSlotOf(column))];
        if (isNull) {
            slot.reset();
        } else if (value.metaType().id() == QMetaType::QDateTime) {
            slot = platform::FromQDateTime(value.toDateTime());
        } else {
            bool ok = false;
            const double number = value.toDouble(&ok);
            if (!ok || !std::isfinite(number))
                throw DatabaseError(QStringLiteral("\"%1\" is not a valid date and time for the field %2")
                                        .arg(value.toString(), QLatin1String(info.name)));
            slot = number;
        }
        break;
    }
    case ColumnKind::Text: {
        auto &slot = buffer_.texts[static_cast<std::size_t>(TextSlotOf(column))];
        // Never cut to the declared size: a result must not lose part of its text. A null
        // QString stays NULL; any other value is stored as its text.
        if (isNull) {
            slot = QString();
        } else {
            slot = value.toString();
            if (slot.isNull() && value.metaType().id() != QMetaType::QString)
                slot = QStringLiteral("");
        }
        break;
    }
    }
}

void ResultView::Post()
{
    if (state_ != State::Insert)
        throw DatabaseError(QStringLiteral("Post: no row is being appended"));
    EnsureOrder();
    const std::size_t row = rows_->AppendPending(buffer_);
    pending_.push_back(static_cast<std::uint32_t>(row));
    buffer_ = RowValues();
    state_ = State::Browse;
    const int position = InsertPosition(row);
    NotifyInserted(position, row);
    SetCurrent(position);
}

void ResultView::Cancel()
{
    if (state_ != State::Insert)
        return;
    buffer_ = RowValues();
    state_ = State::Browse;
    SetCurrent(beforeInsert_);
}

void ResultView::UpdateBatch()
{
    CheckActive("UpdateBatch");
    if (state_ == State::Insert)
        throw DatabaseError(QStringLiteral("UpdateBatch: a row is still being appended; post or cancel it first"));
    if (pending_.empty())
        return;

    // A file deleted or replaced underneath the program would take the rows with it.
    if (connection_.FileMoved()) {
        throw DatabaseError(QStringLiteral("The results could not be written to the database %1: the file was deleted "
                                           "or replaced while the program was running")
                                .arg(connection_.Path()));
    }
    std::vector<std::int64_t> ids;
    ids.reserve(pending_.size());
    try {
        Transaction transaction(connection_);
        Statement insert(connection_, InsertSql());
        for (const std::uint32_t row : pending_) {
            for (int column = 1; column < kTableColumnCount; ++column) {
                const auto result = static_cast<ResultColumn>(column);
                if (const int slot = DateSlotOf(result); slot >= 0) {
                    const auto value = rows_->Date(row, slot);
                    if (value)
                        insert.BindDouble(column, *value);
                    else
                        insert.BindNull(column);
                } else {
                    const std::string_view text = rows_->TextUtf8(row, TextSlotOf(result));
                    if (text.data())
                        insert.BindUtf8(column, text);
                    else
                        insert.BindNull(column);
                }
            }
            insert.Step();
            ids.push_back(connection_.LastInsertRowId());
            insert.Reset();
        }
        transaction.Commit();
    } catch (const DatabaseError &error) {
        // The user sees this text; the statement's SQL would tell him nothing.
        const QString reason = error.reason().isEmpty() ? error.message() : error.reason();
        throw DatabaseError(QStringLiteral("The results could not be written to the database %1: %2")
                                .arg(connection_.Path(), reason),
                            error.resultCode(), error.reason());
    }

    // Only now, with the batch on the disk, do the rows count as stored.
    std::size_t first = pending_.front();
    std::size_t last = pending_.front();
    std::optional<std::size_t> keep;
    if (current_ >= 0)
        keep = RowAt(current_);
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        rows_->MarkStored(pending_[i], ids[i]);
        first = std::min<std::size_t>(first, pending_[i]);
        last = std::max<std::size_t>(last, pending_[i]);
    }
    pending_.clear();

    const bool sortsByID = std::any_of(sortKeys_.begin(), sortKeys_.end(),
                                       [](const SortKey &key) { return key.column == ResultColumn::fID; });
    if (IsStoredOrder()) {
        // Positions are storage rows here; the new fIDs keep the rows where they are.
        NotifyChanged(static_cast<int>(first), static_cast<int>(last));
    } else if (sortsByID) {
        orderValid_ = false;
        AfterReorder(keep);
        NotifyReset();
    } else {
        NotifyChanged(0, RecordCount() - 1);
    }
}

void ResultView::DisableDisplayUpdates()
{
    if (disabled_++ == 0)
        deferred_ = Deferred();
}

void ResultView::EnableDisplayUpdates()
{
    if (disabled_ == 0 || --disabled_ > 0)
        return;
    const Deferred deferred = deferred_;
    deferred_ = Deferred();
    if (!deferred.any)
        return;
    if (deferred.reset) {
        for (ResultViewListener *listener : listeners_)
            listener->ViewAboutToReset();
        for (ResultViewListener *listener : listeners_)
            listener->ViewReset();
    } else {
        const int count = RecordCount();
        if (deferred.insertedFrom >= 0 && deferred.insertedFrom < count) {
            for (ResultViewListener *listener : listeners_)
                listener->ViewRowsAboutToBeInserted(deferred.insertedFrom, count - 1);
            for (ResultViewListener *listener : listeners_)
                listener->ViewRowsInserted();
        }
        int changedLast = deferred.changedLast;
        if (deferred.insertedFrom >= 0)
            changedLast = std::min(changedLast, deferred.insertedFrom - 1);
        if (deferred.changedFirst >= 0 && deferred.changedFirst <= changedLast) {
            for (ResultViewListener *listener : listeners_)
                listener->ViewRowsChanged(deferred.changedFirst, changedLast);
        }
    }
    if (deferred.reset || deferred.current) {
        for (ResultViewListener *listener : listeners_)
            listener->ViewCurrentChanged(current_);
    }
}

void ResultView::NotifyReset()
{
    if (disabled_ > 0) {
        deferred_.any = deferred_.reset = true;
        return;
    }
    for (ResultViewListener *listener : listeners_)
        listener->ViewAboutToReset();
    for (ResultViewListener *listener : listeners_)
        listener->ViewReset();
}

void ResultView::NotifyInserted(int position, std::size_t row)
{
    // The row is in rows_ already; it joins the display order here, between the two calls.
    if (disabled_ > 0) {
        deferred_.any = true;
        const bool atEnd = position == static_cast<int>(order_.size());
        if (!atEnd)
            deferred_.reset = true;
        else if (deferred_.insertedFrom < 0)
            deferred_.insertedFrom = position;
        order_.insert(order_.begin() + position, static_cast<std::uint32_t>(row));
        return;
    }
    for (ResultViewListener *listener : listeners_)
        listener->ViewRowsAboutToBeInserted(position, position);
    order_.insert(order_.begin() + position, static_cast<std::uint32_t>(row));
    for (ResultViewListener *listener : listeners_)
        listener->ViewRowsInserted();
}

void ResultView::NotifyChanged(int first, int last)
{
    if (first > last)
        return;
    if (disabled_ > 0) {
        deferred_.any = true;
        deferred_.changedFirst = deferred_.changedFirst < 0 ? first : std::min(deferred_.changedFirst, first);
        deferred_.changedLast = std::max(deferred_.changedLast, last);
        return;
    }
    for (ResultViewListener *listener : listeners_)
        listener->ViewRowsChanged(first, last);
}

void ResultView::NotifyCurrent()
{
    if (disabled_ > 0) {
        deferred_.any = deferred_.current = true;
        return;
    }
    for (ResultViewListener *listener : listeners_)
        listener->ViewCurrentChanged(current_);
}

void ResultView::AddListener(ResultViewListener *listener)
{
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void ResultView::RemoveListener(ResultViewListener *listener)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

std::size_t ResultView::MemoryBytes() const
{
    return rows_->MemoryBytes() + order_.capacity() * sizeof(std::uint32_t)
           + pending_.capacity() * sizeof(std::uint32_t);
}

} // namespace store
