#include "ui/TDBGrid.h"

#include "store/ResultLogModel.h"
#include "store/ResultView.h"
#include "ui/TDBGridColumnsModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScrollBar>

TDBGrid::TDBGrid(QWidget *parent)
    : QTableView(parent), columnsModel_(new TDBGridColumnsModel(this))
{
    // Flat look: a plain one-pixel border.
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(false);
    setModel(columnsModel_);
    // Rows that arrive are painted on their own (see RowCountChanged) instead of the table's
    // whole re-layout and repaint for every new row.
    disconnect(verticalHeader(), SIGNAL(sectionCountChanged(int,int)), this, SLOT(rowCountChanged(int,int)));
    connect(verticalHeader(), &QHeaderView::sectionCountChanged, this, &TDBGrid::RowCountChanged);
    // Announced before the header hears of the new rows.
    connect(columnsModel_, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex &parent, int first, int) {
                if (!parent.isValid())
                    firstInsertedRow_ = firstInsertedRow_ < 0 ? first : qMin(firstInsertedRow_, first);
            });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { RowClicked(current); });
}

TDBGrid::~TDBGrid()
{
    QObject::disconnect(currentConnection_);
}

void TDBGrid::SetOptions(unsigned options)
{
    options_ = options & ~(dgEditing | dgAlwaysShowEditor);
    horizontalHeader()->setVisible((options_ & dgTitles) != 0);
    verticalHeader()->setVisible((options_ & dgIndicator) != 0);
    horizontalHeader()->setSectionResizeMode((options_ & dgColumnResize) ? QHeaderView::Interactive
                                                                          : QHeaderView::Fixed);
    // The table view draws both kinds of lines or none.
    setShowGrid((options_ & (dgColLines | dgRowLines)) != 0);
    setSelectionBehavior((options_ & dgRowSelect) ? QAbstractItemView::SelectRows
                                                  : QAbstractItemView::SelectItems);
    setSelectionMode((options_ & dgMultiSelect) ? QAbstractItemView::ExtendedSelection
                                                : QAbstractItemView::SingleSelection);
    setTabKeyNavigation((options_ & dgTabs) != 0);
    // Without dgAlwaysShowSelection the selection is not shown while the grid lacks the focus.
    QPalette colours = palette();
    const QPalette active = QPalette();
    if (options_ & dgAlwaysShowSelection) {
        colours.setColor(QPalette::Inactive, QPalette::Highlight, active.color(QPalette::Active, QPalette::Highlight));
        colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         active.color(QPalette::Active, QPalette::HighlightedText));
    } else {
        colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Inactive, QPalette::Base));
        colours.setColor(QPalette::Inactive, QPalette::HighlightedText, colours.color(QPalette::Inactive, QPalette::Text));
    }
    setPalette(colours);
}

void TDBGrid::SetDataSource(store::ResultLogModel *source)
{
    QObject::disconnect(currentConnection_);
    dataSource_ = source;
    columnsModel_->SetSource(source);
    if (source) {
        currentConnection_ = connect(source, &store::ResultLogModel::currentRowChanged, this,
                                     [this](int row) { FollowCurrentRow(row); });
        FollowCurrentRow(source->View().RecNo());
    }
}

int TDBGrid::ColumnCount() const
{
    return columnsModel_->columnCount();
}

const TColumn &TDBGrid::Column(int index) const
{
    return columnsModel_->Columns().at(static_cast<std::size_t>(index));
}

void TDBGrid::SetColumns(const std::vector<TColumn> &columns)
{
    columnsModel_->SetColumns(columns);
    for (int i = 0; i < ColumnCount(); ++i)
        SetColumnWidth(i, columns[static_cast<std::size_t>(i)].Width);
}

void TDBGrid::SetColumnLook(int index, const TColumn &column)
{
    if (index < 0 || index >= ColumnCount())
        return;
    columnsModel_->SetColumnLook(index, column);
    SetColumnWidth(index, column.Width);
}

int TDBGrid::ColumnWidth(int index) const
{
    return horizontalHeader()->sectionSize(index);
}

void TDBGrid::SetColumnWidth(int index, int width)
{
    horizontalHeader()->resizeSection(index, qMax(0, width));
}

int TDBGrid::DefaultRowHeight() const
{
    return verticalHeader()->defaultSectionSize();
}

void TDBGrid::SetDefaultRowHeight(int height)
{
    verticalHeader()->setMinimumSectionSize(qMin(verticalHeader()->minimumSectionSize(), height));
    verticalHeader()->setDefaultSectionSize(height);
}

int TDBGrid::TitleRowHeight() const
{
    return horizontalHeader()->height();
}

void TDBGrid::SetTitleRowHeight(int height)
{
    horizontalHeader()->setFixedHeight(height);
}

int TDBGrid::TitleFontSize() const
{
    return horizontalHeader()->font().pointSize();
}

void TDBGrid::SetTitleFontSize(int pointSize)
{
    QFont titleFont = font();
    titleFont.setPointSize(pointSize);
    horizontalHeader()->setFont(titleFont);
}

int TDBGrid::ClientWidth() const
{
    int client = viewport()->width();
    if (verticalHeader()->isVisible())
        client += verticalHeader()->width();
    return client;
}

QString TDBGrid::CellText(int row, int column) const
{
    return columnsModel_->data(columnsModel_->index(row, column), Qt::DisplayRole).toString();
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    // Moving around is allowed; nothing that would change the data is (Insert, Delete,
    // Ctrl+Delete, typing, F2, Enter).
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        QTableView::keyPressEvent(event);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (options_ & dgTabs) {
            QTableView::keyPressEvent(event);
            return;
        }
        break;
    default:
        break;
    }
    event->ignore();
}

bool TDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    (void)index;
    (void)trigger;
    (void)event;
    return false;
}

void TDBGrid::FollowCurrentRow(int row)
{
    if (following_)
        return;
    following_ = true;
    if (row < 0 || row >= columnsModel_->rowCount()) {
        selectionModel()->clearCurrentIndex();
        clearSelection();
    } else {
        const QModelIndex target = columnsModel_->index(row, qMax(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect
                                                      | QItemSelectionModel::Rows);
    }
    following_ = false;
}

void TDBGrid::RowClicked(const QModelIndex &current)
{
    if (following_ || !dataSource_ || !current.isValid())
        return;
    following_ = true;
    dataSource_->View().MoveTo(current.row());
    following_ = false;
}

void TDBGrid::RowCountChanged(int oldCount, int newCount)
{
    const int first = firstInsertedRow_;
    firstInsertedRow_ = -1;
    // Fewer rows, a first row, or a change that came without an insertion (a reset): the
    // table's own full re-layout.
    if (newCount <= oldCount || oldCount == 0 || first < 0 || first >= newCount) {
        QTableView::rowCountChanged(oldCount, newCount);
        return;
    }
    // Rows inserted: the scroll bars follow, and what stands from the first new row down is
    // painted again; the rows above it have not moved. During a download this is one row at
    // the end, where a full repaint would draw every visible cell for it.
    updateGeometries();
    const int top = qMax(0, rowViewportPosition(first));
    if (top < viewport()->height())
        viewport()->update(QRect(0, top, viewport()->width(), viewport()->height() - top));
}
