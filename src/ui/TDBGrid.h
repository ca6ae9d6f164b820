#pragma once
// TDBGrid: a read-only data grid over the result view's data source. It shows the fields
// bound to its columns, one row per record of the source; it never edits, inserts or deletes
// anything, whatever key or mouse button is used. The grid's selection follows the view's
// current row and a click on a row makes that row the view's current one.
//
// GUI thread. The data source must outlive the grid or be replaced first.

#include "ui/TColumn.h"

#include <QTableView>

#include <vector>

namespace store {
class ResultLogModel;
}

class TDBGridColumnsModel;

class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    // The grid options, with the numbering of the option set's bits.
    enum Option : unsigned {
        dgEditing = 1u << 0,
        dgAlwaysShowEditor = 1u << 1,
        dgTitles = 1u << 2,
        dgIndicator = 1u << 3,
        dgColumnResize = 1u << 4,
        dgColLines = 1u << 5,
        dgRowLines = 1u << 6,
        dgTabs = 1u << 7,
        dgRowSelect = 1u << 8,
        dgAlwaysShowSelection = 1u << 9,
        dgConfirmDelete = 1u << 10,
        dgCancelOnExit = 1u << 11,
        dgMultiSelect = 1u << 12,
    };

    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;

    // The option set; editing is never switched on, whatever the set holds.
    unsigned Options() const { return options_; }
    void SetOptions(unsigned options);

    // The data source (nullptr: none).
    store::ResultLogModel *DataSource() const { return dataSource_; }
    void SetDataSource(store::ResultLogModel *source);

    int ColumnCount() const;
    const TColumn &Column(int index) const;
    // Replaces all columns (binding, titles, alignments, widths).
    void SetColumns(const std::vector<TColumn> &columns);
    // Title, alignments and width of one column; the binding stays.
    void SetColumnLook(int index, const TColumn &column);
    // The column's width on screen (what the user's dragging or the program last set).
    int ColumnWidth(int index) const;
    void SetColumnWidth(int index, int width);

    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);
    int TitleRowHeight() const;
    void SetTitleRowHeight(int height);
    int TitleFontSize() const;
    void SetTitleFontSize(int pointSize);

    // The width inside the border: what the rows may use, the indicator column included,
    // without a vertical scroll bar that is shown.
    int ClientWidth() const;

    // The grid's text of a cell (the display text of the bound field).
    QString CellText(int row, int column) const;
    TDBGridColumnsModel *ColumnsModel() const { return columnsModel_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    void FollowCurrentRow(int row);
    void RowClicked(const QModelIndex &current);
    void RowCountChanged(int oldCount, int newCount);

    TDBGridColumnsModel *columnsModel_;
    store::ResultLogModel *dataSource_ = nullptr;
    QMetaObject::Connection currentConnection_;
    unsigned options_ = 0;
    bool following_ = false;
    int firstInsertedRow_ = -1; // the first row of an insertion whose count change is due
};
