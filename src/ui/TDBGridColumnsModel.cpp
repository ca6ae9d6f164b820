#include "ui/TDBGridColumnsModel.h"

TDBGridColumnsModel::TDBGridColumnsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void TDBGridColumnsModel::Disconnect()
{
    for (const QMetaObject::Connection &connection : connections_)
        QObject::disconnect(connection);
    connections_.clear();
}

void TDBGridColumnsModel::SetSource(QAbstractItemModel *source)
{
    beginResetModel();
    Disconnect();
    source_ = source;
    if (source) {
        QAbstractItemModel *s = source;
        auto toReset = [this] { beginResetModel(); };
        auto afterReset = [this] {
            Bind();
            endResetModel();
        };
        connections_.push_back(connect(s, &QAbstractItemModel::modelAboutToBeReset, this, toReset));
        connections_.push_back(connect(s, &QAbstractItemModel::modelReset, this, afterReset));
        connections_.push_back(connect(s, &QAbstractItemModel::layoutAboutToBeChanged, this, toReset));
        connections_.push_back(connect(s, &QAbstractItemModel::layoutChanged, this, afterReset));
        connections_.push_back(connect(s, &QAbstractItemModel::columnsAboutToBeInserted, this, toReset));
        connections_.push_back(connect(s, &QAbstractItemModel::columnsInserted, this, afterReset));
        connections_.push_back(connect(s, &QAbstractItemModel::columnsAboutToBeRemoved, this, toReset));
        connections_.push_back(connect(s, &QAbstractItemModel::columnsRemoved, this, afterReset));
        connections_.push_back(connect(s, &QAbstractItemModel::rowsAboutToBeInserted, this,
                                       [this](const QModelIndex &parent, int first, int last) {
                                           if (!parent.isValid())
                                               beginInsertRows(QModelIndex(), first, last);
                                       }));
        connections_.push_back(connect(s, &QAbstractItemModel::rowsInserted, this,
                                       [this](const QModelIndex &parent, int, int) {
                                           if (!parent.isValid())
                                               endInsertRows();
                                       }));
        connections_.push_back(connect(s, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                                       [this](const QModelIndex &parent, int first, int last) {
                                           if (!parent.isValid())
                                               beginRemoveRows(QModelIndex(), first, last);
                                       }));
        connections_.push_back(connect(s, &QAbstractItemModel::rowsRemoved, this,
                                       [this](const QModelIndex &parent, int, int) {
                                           if (!parent.isValid())
                                               endRemoveRows();
                                       }));
        connections_.push_back(connect(s, &QAbstractItemModel::dataChanged, this,
                                       [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                                           if (columns_.empty() || topLeft.parent().isValid())
                                               return;
                                           emit dataChanged(index(topLeft.row(), 0),
                                                            index(bottomRight.row(), columnCount() - 1));
                                       }));
        connections_.push_back(connect(s, &QObject::destroyed, this, [this] {
            beginResetModel();
            Disconnect();
            source_ = nullptr;
            Bind();
            endResetModel();
        }));
    }
    Bind();
    endResetModel();
}

void TDBGridColumnsModel::SetColumns(const std::vector<TColumn> &columns)
{
    beginResetModel();
    columns_ = columns;
    Bind();
    endResetModel();
}

void TDBGridColumnsModel::SetColumnLook(int index, const TColumn &column)
{
    if (index < 0 || index >= columnCount())
        return;
    TColumn &target = columns_[static_cast<std::size_t>(index)];
    target.Title = column.Title;
    target.TitleAlignment = column.TitleAlignment;
    target.Alignment = column.Alignment;
    target.Layout = column.Layout;
    target.Width = column.Width;
    emit headerDataChanged(Qt::Horizontal, index, index);
    if (rowCount() > 0)
        emit dataChanged(this->index(0, index), this->index(rowCount() - 1, index), {Qt::TextAlignmentRole});
}

void TDBGridColumnsModel::Bind()
{
    sourceColumns_.assign(columns_.size(), -1);
    if (!source_)
        return;
    const int count = source_->columnCount();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const QString &field = columns_[i].FieldName;
        if (field.isEmpty())
            continue;
        for (int c = 0; c < count; ++c) {
            if (source_->headerData(c, Qt::Horizontal).toString().compare(field, Qt::CaseInsensitive) == 0) {
                sourceColumns_[i] = c;
                break;
            }
        }
    }
}

int TDBGridColumnsModel::SourceColumn(int column) const
{
    if (column < 0 || column >= columnCount())
        return -1;
    return sourceColumns_[static_cast<std::size_t>(column)];
}

int TDBGridColumnsModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !source_)
        return 0;
    return source_->rowCount();
}

int TDBGridColumnsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TDBGridColumnsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !source_ || index.column() >= columnCount())
        return QVariant();
    const TColumn &column = columns_[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.Alignment | column.Layout);
    const int sourceColumn = SourceColumn(index.column());
    if (sourceColumn < 0)
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    return source_->data(source_->index(index.row(), sourceColumn), role);
}

QVariant TDBGridColumnsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section < 0 || section >= columnCount())
        return QVariant();
    const TColumn &column = columns_[static_cast<std::size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return column.Title;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.TitleAlignment | column.Layout);
    default:
        return QVariant();
    }
}

Qt::ItemFlags TDBGridColumnsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
