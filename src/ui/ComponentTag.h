#pragma once
// The Tag every component carries for the program's own use: a whole number, 0 unless set,
// kept as the object's dynamic property "Tag". The language items carry their position in the
// language table; 2001 keeps a component out of the translation walk. GUI thread.

#include <QObject>
#include <QVariant>

namespace ui {

inline int ComponentTag(const QObject &component)
{
    return component.property("Tag").toInt();
}

inline void SetComponentTag(QObject &component, int tag)
{
    component.setProperty("Tag", tag);
}

} // namespace ui
