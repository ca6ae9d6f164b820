#include "ui/TranslatableProperties.h"

#include "store/TField.h"
#include "ui/TDBGrid.h"
#include "ui/TStatusBar.h"

#include <QAbstractButton>
#include <QAction>
#include <QByteArray>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMetaProperty>
#include <QToolBar>
#include <QToolButton>

#include <array>

namespace ui {

namespace {

using Kind = WalkProperty::Kind;

// A text that the component keeps in a property of its meta-object.
WalkProperty MetaText(QObject &component, const char *name, const char *qtProperty)
{
    WalkProperty property;
    property.name = QString::fromLatin1(name);
    QObject *target = &component;
    const QByteArray qtName(qtProperty);
    property.get = [target, qtName] { return target->property(qtName.constData()).toString(); };
    const QMetaObject *meta = component.metaObject();
    const int index = meta->indexOfProperty(qtProperty);
    if (index >= 0 && meta->property(index).isWritable())
        property.set = [target, qtName](const QString &value) { target->setProperty(qtName.constData(), value); };
    return property;
}

WalkProperty Text(const char *name, std::function<QString()> get, std::function<void(const QString &)> set)
{
    WalkProperty property;
    property.name = QString::fromLatin1(name);
    property.get = std::move(get);
    property.set = std::move(set);
    return property;
}

// Numbered items, each with the properties item(i) lists.
WalkProperty Collection(const char *name, std::function<int()> count, std::function<WalkProperties(int)> item)
{
    WalkProperty property;
    property.kind = Kind::Collection;
    property.name = QString::fromLatin1(name);
    property.count = std::move(count);
    property.item = std::move(item);
    return property;
}

// A sub-object that is no component, with the properties object() lists.
WalkProperty SubObject(const char *name, std::function<WalkProperties()> object)
{
    WalkProperty property;
    property.kind = Kind::Object;
    property.name = QString::fromLatin1(name);
    property.object = std::move(object);
    return property;
}

WalkProperty OwnFont()
{
    WalkProperty property;
    property.kind = Kind::OwnFont;
    property.name = QStringLiteral("Font");
    return property;
}

WalkProperty Hint(QObject &component)
{
    return MetaText(component, "Hint", "statusTip");
}

// --- the kinds --------------------------------------------------------------------------------

WalkProperties Window(QObject &form)
{
    return {MetaText(form, "Caption", "windowTitle"), OwnFont(), Hint(form)};
}

WalkProperties Control(QObject &control)
{
    return {OwnFont(), Hint(control)};
}

WalkProperties CaptionedControl(QObject &control)
{
    return {MetaText(control, "Caption", "text"), OwnFont(), Hint(control)};
}

WalkProperties ToolBar(QObject &toolBar)
{
    return {MetaText(toolBar, "Caption", "windowTitle"), OwnFont(), Hint(toolBar)};
}

// A menu bar holds its menus; it has no text of its own.
WalkProperties MenuBar(QObject &)
{
    return {};
}

// A submenu is a menu item with items of its own: its caption is the menu's title, its hint
// the status tip of the entry that opens it.
WalkProperties SubMenu(QObject &component)
{
    auto *menu = static_cast<QMenu *>(&component);
    return {MetaText(component, "Caption", "title"),
            Text("Hint", [menu] { return menu->menuAction()->statusTip(); },
                 [menu](const QString &value) { menu->menuAction()->setStatusTip(value); })};
}

WalkProperties MenuItem(QObject &item)
{
    return {MetaText(item, "Caption", "text"), Hint(item)};
}

WalkProperties StatusBar(QObject &component)
{
    auto *bar = static_cast<TStatusBar *>(&component);
    const WalkProperty panels = Collection("Panels", [bar] { return bar->PanelCount(); }, [bar](int i) -> WalkProperties {
        return {Text("Text", [bar, i] { return bar->PanelText(i); },
                     [bar, i](const QString &value) { bar->SetPanelText(i, value); })};
    });
    return {OwnFont(), Hint(component), panels};
}

WalkProperties Grid(QObject &component)
{
    auto *grid = static_cast<TDBGrid *>(&component);
    const WalkProperty columns = Collection("Columns", [grid] { return grid->ColumnCount(); }, [grid](int i) -> WalkProperties {
        return {SubObject("Title", [grid, i]() -> WalkProperties {
            return {Text("Caption", [grid, i] { return grid->Column(i).Title; },
                         [grid, i](const QString &value) {
                             TColumn column = grid->Column(i);
                             column.Title = value;
                             grid->SetColumnLook(i, column);
                         })};
        })};
    });
    WalkProperty titleFont;
    titleFont.kind = Kind::OtherFont;
    titleFont.name = QStringLiteral("TitleFont");
    titleFont.getFont = [grid] { return grid->horizontalHeader()->font(); };
    titleFont.setFont = [grid](const QFont &font) { grid->horizontalHeader()->setFont(font); };
    return {columns, OwnFont(), Hint(component), titleFont};
}

WalkProperties Field(QObject &field)
{
    return {MetaText(field, "DisplayLabel", "DisplayLabel")};
}

struct Registration
{
    const QMetaObject *kind;
    WalkProperties (*describe)(QObject &);
};

// The most derived registered class of a component decides, so a kind is listed before none
// of its bases needs to be.
const std::array<Registration, 12> kRegistry = {{
    {&QMainWindow::staticMetaObject, Window},
    {&QDialog::staticMetaObject, Window},
    {&QAbstractButton::staticMetaObject, CaptionedControl},
    {&QLabel::staticMetaObject, CaptionedControl},
    {&QToolBar::staticMetaObject, ToolBar},
    {&QMenuBar::staticMetaObject, MenuBar},
    {&QMenu::staticMetaObject, SubMenu},
    {&TStatusBar::staticMetaObject, StatusBar},
    {&TDBGrid::staticMetaObject, Grid},
    {&QWidget::staticMetaObject, Control},
    {&QAction::staticMetaObject, MenuItem},
    {&TField::staticMetaObject, Field},
}};

} // namespace

WalkProperties TranslatableProperties(QObject &component)
{
    for (const QMetaObject *meta = component.metaObject(); meta; meta = meta->superClass()) {
        for (const Registration &registration : kRegistry) {
            if (registration.kind == meta)
                return registration.describe(component);
        }
    }
    return {};
}

QAction *ComponentAction(QObject &component)
{
    if (auto *button = qobject_cast<QToolButton *>(&component))
        return button->defaultAction();
    return nullptr;
}

} // namespace ui
