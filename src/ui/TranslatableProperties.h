#pragma once
// The registry of translatable properties: for each kind of component that the translation
// walk knows, the properties it translates, in order, under the names that keys of language
// files use (Caption, Hint, Text, Title, Panels, Columns, DisplayLabel, Font, TitleFont).
//
// Where a Qt class holds a text in a property of its own meta-object (a button's text, a menu's
// title, a widget's statusTip, a window's windowTitle, a field's DisplayLabel), the registry only
// maps the name; the value is read and written through the meta-object. Collections (status-bar
// panels, grid columns) and sub-objects (a column's title) are described by accessors. A kind
// that the registry does not know has no translatable properties; the most derived registered
// class of a component decides.
//
// Hints are status tips (what the status bar shows for a control). GUI thread.

#include <QFont>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QObject;

namespace ui {

struct WalkProperty;
using WalkProperties = std::vector<WalkProperty>;

struct WalkProperty
{
    enum class Kind
    {
        Text,         // a text: get, and set (empty when it cannot be written)
        OwnFont,      // the control's own font (key "!Font"); the walk reads the widget itself
        OtherFont,    // another font property (key "!" + name): getFont, setFont
        Object,       // a sub-object that is not a component: object() lists its properties
        Collection,   // numbered items: count() of them, item(i) lists the properties of item i
    };

    Kind kind = Kind::Text;
    QString name;
    std::function<QString()> get;
    std::function<void(const QString &)> set;
    std::function<QFont()> getFont;
    std::function<void(const QFont &)> setFont;
    std::function<WalkProperties()> object;
    std::function<int()> count;
    std::function<WalkProperties(int)> item;
};

// The translatable properties of component, in order; empty for a kind the registry does not
// know. The accessors refer to component and are valid while it lives.
WalkProperties TranslatableProperties(QObject &component);

// The action whose caption and hint the component shows (a tool button's default action);
// nullptr when it has none.
QAction *ComponentAction(QObject &component);

} // namespace ui
