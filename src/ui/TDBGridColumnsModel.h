#pragma once
// The rows of a data source seen through a grid's columns: column i of this model shows the
// field bound to the grid's column i, with the column's title and alignments. Rows are the
// source's rows, one to one. Fields are found by the source's horizontal header texts (field
// names, letters without regard to case); a column whose field the source lacks shows nothing.
//
// Read-only whatever the source allows. Row insertions and data changes of the source pass
// through as such; anything else (resets, layout changes, column changes) becomes a reset.
// GUI thread; the source must outlive the model or be replaced first.

#include "ui/TColumn.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <vector>

class TDBGridColumnsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TDBGridColumnsModel(QObject *parent = nullptr);

    void SetSource(QAbstractItemModel *source);
    QAbstractItemModel *Source() const { return source_; }

    void SetColumns(const std::vector<TColumn> &columns);
    const std::vector<TColumn> &Columns() const { return columns_; }
    // Changes title and alignments of one column without disturbing the rows.
    void SetColumnLook(int index, const TColumn &column);

    // The source column of a grid column, -1 when unbound.
    int SourceColumn(int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void Bind();
    void Disconnect();

    QPointer<QAbstractItemModel> source_;
    std::vector<TColumn> columns_;
    std::vector<int> sourceColumns_;
    std::vector<QMetaObject::Connection> connections_;
};
