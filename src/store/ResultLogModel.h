#pragma once
// The data source DSResultLog: the result view as a read-only table model for the grid and
// anything else that shows rows. Rows are the view's display positions; columns are the
// view's nineteen columns (the fifteen table columns, then fDate_C, fTime_C, fHB_C, fHCT_C),
// titled with their field names.
//
// The model reports the row count it last announced, so while the view's display updates are
// switched off the grid keeps seeing the rows it knew; switching them on again brings one
// insertion (or one reset) for everything that changed meanwhile.
//
// Rows that the view adds at its end may be announced at most once per interval (see
// SetInsertInterval): a download adds a row or two many times a second, and every
// announcement scrolls and repaints the grid. Anything else the view announces first
// announces the rows held back, so the grid never sees them out of order.
//
// GUI thread. The view must outlive the model.

#include "store/ResultViewListener.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>

class QTimer;

namespace store {

class ResultView;

class ResultLogModel : public QAbstractTableModel, private ResultViewListener
{
    Q_OBJECT

public:
    explicit ResultLogModel(ResultView &view, QObject *parent = nullptr);
    ~ResultLogModel() override;

    ResultView &View() const { return view_; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // DisplayRole: the display text; EditRole: the value (see ResultView::Value).
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Rows added at the end reach the grid at most once per interval: after a quiet interval
    // at once, otherwise together when the interval has passed. 0 (the default): at once.
    void SetInsertInterval(int milliseconds);
    // Announces the rows held back (and the current row that waits with them) now.
    void FlushInsertions();

signals:
    // The view's current row moved (-1: none); sent while display updates are on.
    void currentRowChanged(int row);

private:
    void ViewAboutToReset() override;
    void ViewReset() override;
    void ViewRowsAboutToBeInserted(int first, int last) override;
    void ViewRowsInserted() override;
    void ViewRowsChanged(int first, int last) override;
    void ViewCurrentChanged(int position) override;

    ResultView &view_;
    int rows_ = 0;
    int insertingTo_ = 0;
    int interval_ = 0;
    QTimer *flushTimer_;
    QElapsedTimer sinceAnnounced_; // since rows were last announced
    int heldTo_ = -1;              // the view's row count up to which rows are held (-1: none)
    bool holding_ = false;         // between the two calls of an insertion being held
    bool currentHeld_ = false;
    int heldCurrent_ = -1;
};

} // namespace store
