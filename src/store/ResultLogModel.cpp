#include "store/ResultLogModel.h"

#include "store/ResultLogSchema.h"
#include "store/ResultView.h"

#include <QTimer>

#include <algorithm>

namespace store {

ResultLogModel::ResultLogModel(ResultView &view, QObject *parent)
    : QAbstractTableModel(parent), view_(view), rows_(view.RecordCount()), flushTimer_(new QTimer(this))
{
    flushTimer_->setSingleShot(true);
    connect(flushTimer_, &QTimer::timeout, this, &ResultLogModel::FlushInsertions);
    view_.AddListener(this);
}

void ResultLogModel::SetInsertInterval(int milliseconds)
{
    interval_ = std::max(0, milliseconds);
    if (interval_ == 0)
        FlushInsertions();
}

void ResultLogModel::FlushInsertions()
{
    flushTimer_->stop();
    if (heldTo_ >= 0) {
        const int to = heldTo_;
        heldTo_ = -1;
        if (to > rows_) {
            beginInsertRows(QModelIndex(), rows_, to - 1);
            rows_ = to;
            endInsertRows();
        }
        sinceAnnounced_.start();
    }
    if (currentHeld_) {
        currentHeld_ = false;
        emit currentRowChanged(heldCurrent_);
    }
}

ResultLogModel::~ResultLogModel()
{
    view_.RemoveListener(this);
}

int ResultLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int ResultLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kViewColumnCount;
}

QVariant ResultLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return view_.Text(index.row(), index.column());
    case Qt::EditRole:
        return view_.Value(index.row(), index.column());
    default:
        return QVariant();
    }
}

QVariant ResultLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= kViewColumnCount)
            return QVariant();
        return ColumnName(static_cast<ResultColumn>(section));
    }
    return section + 1;
}

Qt::ItemFlags ResultLogModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Read-only: nothing is edited, inserted or deleted through the model.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ResultLogModel::ViewAboutToReset()
{
    // The reset counts the held rows anew.
    flushTimer_->stop();
    heldTo_ = -1;
    beginResetModel();
}

void ResultLogModel::ViewReset()
{
    rows_ = view_.RecordCount();
    endResetModel();
    if (currentHeld_) {
        currentHeld_ = false;
        emit currentRowChanged(heldCurrent_);
    }
}

void ResultLogModel::ViewRowsAboutToBeInserted(int first, int last)
{
    // The view announces positions in its own count, which is the model's count plus the
    // rows held back.
    const int known = heldTo_ >= 0 ? heldTo_ : rows_;
    const bool quiet = !sinceAnnounced_.isValid() || sinceAnnounced_.elapsed() >= interval_;
    if (interval_ > 0 && first == known && (heldTo_ >= 0 || !quiet)) {
        holding_ = true;
        heldTo_ = known + (last - first + 1);
        if (!flushTimer_->isActive())
            flushTimer_->start(std::max<int>(0, interval_ - static_cast<int>(sinceAnnounced_.elapsed())));
        return;
    }
    FlushInsertions();
    beginInsertRows(QModelIndex(), first, last);
    insertingTo_ = rows_ + (last - first + 1);
}

void ResultLogModel::ViewRowsInserted()
{
    if (holding_) {
        holding_ = false;
        return;
    }
    rows_ = insertingTo_;
    endInsertRows();
    sinceAnnounced_.start();
}

void ResultLogModel::ViewRowsChanged(int first, int last)
{
    if (rows_ == 0)
        return;
    last = std::min(last, rows_ - 1);
    if (first > last)
        return;
    emit dataChanged(index(first, 0), index(last, kViewColumnCount - 1), {Qt::DisplayRole, Qt::EditRole});
}

void ResultLogModel::ViewCurrentChanged(int position)
{
    // While rows are held the current row, most likely one of them, waits with them.
    if (heldTo_ >= 0) {
        currentHeld_ = true;
        heldCurrent_ = position;
        return;
    }
    emit currentRowChanged(position);
}

} // namespace store
