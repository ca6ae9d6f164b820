#pragma once
// What the result view tells the one who shows it (the grid's model) about its rows.
// Positions are display positions (after the sort). While the view's display updates are
// switched off nothing is sent; switching them on again sends one summary: the rows appended
// at the end as one insertion, or a reset when anything else moved.

namespace store {

class ResultViewListener
{
public:
    virtual ~ResultViewListener() = default;
    virtual void ViewAboutToReset() = 0;
    virtual void ViewReset() = 0;
    // Rows first..last are about to appear at those positions; ViewRowsInserted follows once
    // they are there.
    virtual void ViewRowsAboutToBeInserted(int first, int last) = 0;
    virtual void ViewRowsInserted() = 0;
    // Values of rows first..last changed (row keys assigned by a batch write).
    virtual void ViewRowsChanged(int first, int last) = 0;
    // The current row moved to position (-1: no row).
    virtual void ViewCurrentChanged(int position) = 0;
};

} // namespace store
