#pragma once
// One column of a data grid: the field it shows, its title and how both are aligned, and its
// width in pixels.

#include <QString>
#include <Qt>

struct TColumn
{
    QString FieldName;        // the bound field of the data source; empty: not bound
    QString Title;            // the title caption, as shown
    Qt::Alignment TitleAlignment = Qt::AlignLeft;
    Qt::Alignment Alignment = Qt::AlignLeft;   // of the cell texts
    Qt::Alignment Layout = Qt::AlignVCenter;   // vertical place of title and cell texts
    int Width = 64;
};
