#pragma once
// The translation walk: after every language change it gives each translatable property of
// each named component of the open forms, the data module and the application object the value
// that the current language file holds for the property's key. What a component's translatable
// properties are is the registry's (ui/TranslatableProperties.h).
//
// Components and owners. A component is a QObject with an object name (Qt's own parts, named
// "qt_...", are not components). Forms (QMainWindow, QDialog) and the data module (TDM) are
// roots: a root owns every component below it in the object tree, down to the next root, in
// the tree's order. Other components own nothing. A component whose Tag (ui/ComponentTag.h) is
// 2001 is skipped together with everything below it in the object tree.
//
// Keys. The root's class name, then component names, property names and "Item" + index for a
// collection's items, joined by ".":
//   TfrmMain.Caption                              a form's own text
//   TfrmMain.btnStart.Caption, ...Hint            a component of a form
//   TfrmMain.StatBar.Panels.Item0.Text            a collection item's text
//   TfrmMain.GridRec.Columns.Item0.Title.Caption  a sub-object of an item
//   TDM.DM.qryResultLogfHB.DisplayLabel           a component of the data module
//   TfrmMain.!Font, TFrmAbout.btnOK.!Font         a form's or control's own font
//   TfrmMain.GridRec.!TitleFont                   another font property
// A missing key or an empty value changes nothing. A control's own font is taken only while the
// control has a font of its own (not while it follows its parent's); a font value is a font
// description (i18n/FontDescription.h) applied on top of the parent control's font and colour.
// With FIgnoreAction on, a caption or hint that equals the one of the component's action is
// left alone.
//
// GUI thread only: it runs inside the language change.

#include <QString>

#include <cstdint>
#include <set>
#include <vector>

class QObject;
class QWidget;
class TLangManager;
class THashLangFileStorage;

namespace ui {

struct WalkProperty;

// The Tag that keeps a component, and everything below it, out of the walk.
inline constexpr int kNoTranslationTag = 2001;

// One key the walk reaches, with what the program shows under it at the moment.
struct TranslationEntry
{
    enum class Kind
    {
        Text,   // value: the text
        Font,   // value: the font's description ("name,size,style,pitch,colour,charset")
    };
    QString key;
    QString value;
    Kind kind = Kind::Text;
};

class TranslationWalk
{
public:
    // A walk that applies the language loaded in manager's storage, with manager's settings.
    explicit TranslationWalk(const TLangManager &manager);
    // A dry run: it visits what a walk with the program's settings visits, records every key
    // and the current value into entries, and changes nothing.
    explicit TranslationWalk(std::vector<TranslationEntry> &entries);

    // The whole walk, each kind of root when the settings have it: every form (Forms(), in
    // order) with TranslateForm, then the data module, then the application object, each with
    // TranslateComponent and an empty base name.
    void Run();

    // Translates form with its drawing suspended. When a language is loaded (and
    // FUseDefaultFont is on), the form's font first takes the family and size of the
    // language's default font; style and colour stay.
    void TranslateForm(QWidget &form);
    // Translates component and what it owns under baseName; an empty baseName becomes the
    // component's own: a root's class name, else its owner's path.
    void TranslateComponent(QObject &component, QString baseName = {});

private:
    struct Visited
    {
        std::set<const QObject *> components;
        std::set<QString> objects;
    };

    void TranslateOwnedComponents(QObject &component, const QString &baseName, Visited &visited);
    void TranslateProperties(QObject &component, const QString &baseName, Visited &visited);
    void TranslateObject(const std::vector<WalkProperty> &properties, const QString &baseName, Visited &visited);
    void TranslateCollection(const WalkProperty &collection, const QString &baseName, Visited &visited);
    void TranslateText(const QString &key, const WalkProperty &property);
    void TranslateOwnFont(const QString &key, QWidget &control);
    void TranslateOtherFont(const QString &key, const WalkProperty &property, QObject &component);
    // The current language's non-empty value for key; false when there is none. In a dry run
    // it records the key and its current value and returns false.
    bool LookUp(const QString &key, const QString &currentValue, TranslationEntry::Kind kind, QString &value);

    const THashLangFileStorage *storage_ = nullptr;
    std::vector<TranslationEntry> *record_ = nullptr;
    std::uint8_t autoTransOptions_;
    bool useDefaultFont_;
    bool translateOtherFont_;
    bool ignoreAction_;
};

// Installs the walk: every language manager made from now on runs it, and so does the data
// module's when it exists. The start-up calls it before it makes the data module, so the walk
// also runs when the data module selects the configured language.
void InstallTranslationWalk();

// The program's forms that the walk translates ("the open forms"), in the order they were
// added; hidden forms count. A form leaves the list when it is destroyed.
void AddForm(QWidget &form);
std::vector<QWidget *> Forms();

// The one table of component keys: a dry run of the walk over what exists now. With the
// windows and the data module made as the start-up makes them (the data module, the main
// window, the About box), these are all the component keys the program's walk can reach, in
// walk order (forms, then the data module, then the application), each with the value the
// program holds at that moment (the built-in English text when no language file is loaded)
// and its kind. Texts that the program's own code sets again after a language change are in
// it too (their values equal their TranslateText keys in English); so are texts that are
// empty. Changes nothing.
std::vector<TranslationEntry> ReachableTranslationEntries();

} // namespace ui
