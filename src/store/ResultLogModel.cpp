#include "store/ResultLogModel.h"

#include "store/ResultLogSchema.h"
#include "store/ResultView.h"

namespace store {

ResultLogModel::ResultLogModel(ResultView &view, QObject *parent)
    : QAbstractTableModel(parent), view_(view), rows_(view.RecordCount())
{
    view_.AddListener(this);
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
    beginResetModel();
}

void ResultLogModel::ViewReset()
{
    rows_ = view_.RecordCount();
    endResetModel();
}

void ResultLogModel::ViewRowsAboutToBeInserted(int first, int last)
{
    // The view announces positions in its own count; the model's count is what it last
    // announced, which equals the view's before the insertion.
    beginInsertRows(QModelIndex(), first, last);
    insertingTo_ = rows_ + (last - first + 1);
}

void ResultLogModel::ViewRowsInserted()
{
    rows_ = insertingTo_;
    endInsertRows();
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
    emit currentRowChanged(position);
}

} // namespace store
