#pragma once
// TImageList: a numbered list of small images shared by a toolbar and a menu. The main
// window's list (MainToolBarImg) has 31 places of 16 x 16 pixels; the window uses six of them:
// 0 Start, 1 Clear Data, 2 Export Excel, 3 Export CSV File, 4 Exit, 29 Stop. The other places
// hold empty images.
//
// The images are vector drawings compiled into the program, so they stay sharp at any
// scale factor. GUI thread.

#include <QIcon>
#include <QObject>
#include <QSize>

#include <vector>

class TImageList : public QObject
{
    Q_OBJECT
public:
    // The indexes the main window uses.
    static constexpr int kStart = 0;
    static constexpr int kClear = 1;
    static constexpr int kExportExcel = 2;
    static constexpr int kExportCSV = 3;
    static constexpr int kExit = 4;
    static constexpr int kStop = 29;
    static constexpr int kImageCount = 31;

    // The main window's list, with the six drawings in their places.
    explicit TImageList(QObject *owner = nullptr);

    int Count() const { return static_cast<int>(images_.size()); }
    QSize ImageSize() const { return QSize(16, 16); }
    // The image at index; an empty icon for an index outside the list or an unused place.
    QIcon Icon(int index) const;
    // The resource path of the drawing at index; empty for an unused place.
    static QString ImagePath(int index);

private:
    std::vector<QIcon> images_;
};
