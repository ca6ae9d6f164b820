#include "ui/TranslationWalk.h"

#include "i18n/FontDescription.h"
#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"
#include "store/DataModule.h"
#include "ui/ComponentTag.h"
#include "ui/TranslatableProperties.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <QWidget>

namespace ui {

namespace {

std::vector<QPointer<QWidget>> &FormList()
{
    static std::vector<QPointer<QWidget>> forms;
    return forms;
}

bool IsForm(const QObject &object)
{
    return qobject_cast<const QMainWindow *>(&object) || qobject_cast<const QDialog *>(&object);
}

bool IsDataModule(const QObject &object)
{
    return qobject_cast<const TDM *>(&object) != nullptr;
}

bool IsRoot(const QObject &object)
{
    return IsForm(object) || IsDataModule(object);
}

bool IsApplication(const QObject &object)
{
    return &object == QCoreApplication::instance();
}

bool IsComponent(const QObject &object)
{
    const QString &name = object.objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

bool Skipped(const QObject &object)
{
    return ComponentTag(object) == kNoTranslationTag;
}

QString ClassName(const QObject &object)
{
    return QString::fromLatin1(object.metaObject()->className());
}

QString Join(const QString &base, const QString &name)
{
    return base.isEmpty() ? name : base + u'.' + name;
}

// The root above a component (or the application object for its own children); nullptr for
// roots and for objects outside any.
QObject *Owner(const QObject &component)
{
    if (IsRoot(component))
        return nullptr;
    for (QObject *above = component.parent(); above; above = above->parent()) {
        if (IsRoot(*above) || IsApplication(*above))
            return above;
    }
    return nullptr;
}

QString RootBaseName(const QObject &component)
{
    if (IsRoot(component))
        return ClassName(component);
    QObject *owner = Owner(component);
    if (!owner)
        return QString();
    if (IsForm(*owner))
        return ClassName(*owner);
    return RootBaseName(*owner) + u'.' + owner->objectName();
}

void CollectOwned(const QObject &object, std::vector<QObject *> &owned)
{
    for (QObject *child : object.children()) {
        if (IsRoot(*child) || Skipped(*child))
            continue;
        if (IsComponent(*child))
            owned.push_back(child);
        CollectOwned(*child, owned);
    }
}

// What a root (or the application object) owns, in the object tree's order; nothing for any
// other component.
std::vector<QObject *> OwnedComponents(const QObject &component)
{
    std::vector<QObject *> owned;
    if (IsRoot(component) || IsApplication(component))
        CollectOwned(component, owned);
    return owned;
}

std::uint32_t ColorValue(const QColor &color)
{
    return static_cast<std::uint32_t>(color.red()) | (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

TLangFont LangFontOf(const QWidget &control)
{
    TLangFont font;
    font.font = control.font();
    font.color = ColorValue(control.palette().color(control.foregroundRole()));
    return font;
}

void SetLangFont(QWidget &control, const TLangFont &font)
{
    control.setFont(font.font);
    const QColor color = ColorFromValue(font.color);
    if (!color.isValid())
        return;
    QPalette palette = control.palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(role, color);
    control.setPalette(palette);
}

// The control a font entry of component is applied on top of: a control's parent control (a
// window has none), or for a component that is no control its owner when that is one.
QWidget *FontBase(QObject &component)
{
    if (auto *control = qobject_cast<QWidget *>(&component))
        return control->isWindow() ? nullptr : control->parentWidget();
    return qobject_cast<QWidget *>(Owner(component));
}

class UpdatesSuspended
{
public:
    explicit UpdatesSuspended(QWidget &widget) : widget_(widget), enabled_(widget.updatesEnabled())
    {
        widget_.setUpdatesEnabled(false);
    }
    ~UpdatesSuspended() { widget_.setUpdatesEnabled(enabled_); }
    UpdatesSuspended(const UpdatesSuspended &) = delete;
    UpdatesSuspended &operator=(const UpdatesSuspended &) = delete;

private:
    QWidget &widget_;
    bool enabled_;
};

} // namespace

TranslationWalk::TranslationWalk(const TLangManager &manager)
    : storage_(manager.LanguageStorage()),
      autoTransOptions_(manager.FAutoTransOptions),
      useDefaultFont_(manager.FUseDefaultFont),
      translateOtherFont_(manager.FTranslateOtherFont),
      ignoreAction_(manager.FIgnoreAction)
{
}

TranslationWalk::TranslationWalk(std::vector<TranslationEntry> &entries) : record_(&entries)
{
    const TLangManager program;
    autoTransOptions_ = program.FAutoTransOptions;
    useDefaultFont_ = program.FUseDefaultFont;
    translateOtherFont_ = program.FTranslateOtherFont;
    ignoreAction_ = program.FIgnoreAction;
}

void TranslationWalk::Run()
{
    if (autoTransOptions_ & atForms) {
        for (QWidget *form : Forms())
            TranslateForm(*form);
    }
    if ((autoTransOptions_ & atDataModules) && DM)
        TranslateComponent(*DM);
    if ((autoTransOptions_ & atApplication) && QCoreApplication::instance())
        TranslateComponent(*QCoreApplication::instance());
}

void TranslationWalk::TranslateForm(QWidget &form)
{
    if (record_) {
        TranslateComponent(form, ClassName(form));
        return;
    }
    const UpdatesSuspended suspended(form);
    if (useDefaultFont_ && storage_ && storage_->FontInited() && storage_->CurrentLanguageIndex() >= 0) {
        const QFont &language = storage_->DefaultFont().font;
        QFont font = form.font();
        font.setFamilies(language.families());
        if (language.pointSizeF() > 0)
            font.setPointSizeF(language.pointSizeF());
        else if (language.pixelSize() > 0)
            font.setPixelSize(language.pixelSize());
        form.setFont(font);
    }
    TranslateComponent(form, ClassName(form));
}

void TranslationWalk::TranslateComponent(QObject &component, QString baseName)
{
    if (Skipped(component))
        return;
    if (baseName.isEmpty())
        baseName = RootBaseName(component);
    Visited visited;
    if (OwnedComponents(component).empty())
        TranslateProperties(component, baseName, visited);
    else
        TranslateOwnedComponents(component, baseName, visited);
}

void TranslationWalk::TranslateOwnedComponents(QObject &component, const QString &baseName, Visited &visited)
{
    if (Skipped(component))
        return;
    {
        Visited own;
        TranslateProperties(component, baseName, own);
    }
    visited.components.insert(&component);
    const QString ownedBase = IsForm(component) ? baseName : baseName + u'.' + component.objectName();
    for (QObject *owned : OwnedComponents(component)) {
        if (Skipped(*owned) || !visited.components.insert(owned).second)
            continue;
        TranslateOwnedComponents(*owned, ownedBase, visited);
    }
}

void TranslationWalk::TranslateProperties(QObject &component, const QString &baseName, Visited &visited)
{
    if ((!storage_ && !record_) || component.objectName().isEmpty())
        return;
    const bool form = IsForm(component);
    const QString name = form ? ClassName(component) : component.objectName();
    const auto textKey = [&](const QString &property) {
        const QString key = name + u'.' + property;
        return form ? key : Join(baseName, key);
    };
    const auto fontKey = [&](const QString &property) {
        return Join(baseName, form ? property : name + u'.' + property);
    };
    const auto objectBase = [&](const QString &property) {
        return form ? name + u'.' + property : Join(baseName, name + u'.' + property);
    };
    QAction *action = ignoreAction_ ? ComponentAction(component) : nullptr;

    for (const WalkProperty &property : TranslatableProperties(component)) {
        switch (property.kind) {
        case WalkProperty::Kind::Text:
            if (!property.set)
                break;
            if (action && !record_) {
                const QString current = property.get();
                if ((property.name == QLatin1String("Caption") && current == action->text()) ||
                    (property.name == QLatin1String("Hint") && current == action->statusTip()))
                    break;
            }
            TranslateText(textKey(property.name), property);
            break;
        case WalkProperty::Kind::OwnFont:
            if (auto *control = qobject_cast<QWidget *>(&component)) {
                // A form gets a font of its own from the language's default font (TranslateForm),
                // so a dry run counts it as having one.
                if (control->testAttribute(Qt::WA_SetFont) || (record_ && form))
                    TranslateOwnFont(fontKey(QStringLiteral("!Font")), *control);
            }
            break;
        case WalkProperty::Kind::OtherFont:
            if (translateOtherFont_)
                TranslateOtherFont(fontKey(u'!' + property.name), property, component);
            break;
        case WalkProperty::Kind::Object: {
            const QString base = objectBase(property.name);
            if (visited.objects.insert(base).second)
                TranslateObject(property.object(), base, visited);
            break;
        }
        case WalkProperty::Kind::Collection: {
            const QString base = objectBase(property.name);
            if (visited.objects.insert(base).second)
                TranslateCollection(property, base, visited);
            break;
        }
        }
    }
}

void TranslationWalk::TranslateObject(const std::vector<WalkProperty> &properties, const QString &baseName,
                                      Visited &visited)
{
    for (const WalkProperty &property : properties) {
        const QString key = Join(baseName, property.name);
        switch (property.kind) {
        case WalkProperty::Kind::Text:
            if (property.set)
                TranslateText(key, property);
            break;
        case WalkProperty::Kind::Object:
            if (visited.objects.insert(key).second)
                TranslateObject(property.object(), key, visited);
            break;
        case WalkProperty::Kind::Collection:
            if (visited.objects.insert(key).second)
                TranslateCollection(property, key, visited);
            break;
        case WalkProperty::Kind::OwnFont:
        case WalkProperty::Kind::OtherFont:
            // Fonts of sub-objects are walked as sub-objects of their own; none is registered.
            break;
        }
    }
}

void TranslationWalk::TranslateCollection(const WalkProperty &collection, const QString &baseName, Visited &visited)
{
    const int count = collection.count();
    for (int i = 0; i < count; ++i) {
        const QString itemBase = Join(baseName, QStringLiteral("Item%1").arg(i));
        if (visited.objects.insert(itemBase).second)
            TranslateObject(collection.item(i), itemBase, visited);
    }
}

bool TranslationWalk::LookUp(const QString &key, const QString &currentValue, TranslationEntry::Kind kind,
                             QString &value)
{
    if (record_) {
        record_->push_back({key, currentValue, kind});
        return false;
    }
    return storage_->GetString(key, value) && !value.isEmpty();
}

void TranslationWalk::TranslateText(const QString &key, const WalkProperty &property)
{
    QString value;
    if (LookUp(key, property.get(), TranslationEntry::Kind::Text, value))
        property.set(value);
}

void TranslationWalk::TranslateOwnFont(const QString &key, QWidget &control)
{
    QString description;
    if (!LookUp(key, FontDescriptionText(LangFontOf(control)), TranslationEntry::Kind::Font, description))
        return;
    TLangFont font = LangFontOf(control);
    if (QWidget *base = FontBase(control)) {
        const TLangFont baseFont = LangFontOf(*base);
        ApplyFontDescription(font, description, &baseFont);
    } else {
        ApplyFontDescription(font, description);
    }
    SetLangFont(control, font);
}

void TranslationWalk::TranslateOtherFont(const QString &key, const WalkProperty &property, QObject &component)
{
    TLangFont current;
    current.font = property.getFont();
    QString description;
    if (!LookUp(key, FontDescriptionText(current), TranslationEntry::Kind::Font, description))
        return;
    TLangFont font = current;
    if (QWidget *base = FontBase(component)) {
        const TLangFont baseFont = LangFontOf(*base);
        ApplyFontDescription(font, description, &baseFont);
    } else {
        ApplyFontDescription(font, description);
    }
    property.setFont(font.font);
}

void InstallTranslationWalk()
{
    const TLangManager::TranslationWalk walk = [](TLangManager &manager) { TranslationWalk(manager).Run(); };
    TLangManager::SetDefaultTranslationWalk(walk);
    if (DM && DM->LanMan)
        DM->LanMan->SetTranslationWalk(walk);
}

void AddForm(QWidget &form)
{
    FormList().emplace_back(&form);
}

std::vector<QWidget *> Forms()
{
    std::vector<QPointer<QWidget>> &list = FormList();
    std::erase_if(list, [](const QPointer<QWidget> &form) { return form.isNull(); });
    std::vector<QWidget *> forms;
    for (const QPointer<QWidget> &form : list)
        forms.push_back(form.data());
    return forms;
}

std::vector<TranslationEntry> ReachableTranslationEntries()
{
    std::vector<TranslationEntry> entries;
    TranslationWalk(entries).Run();
    return entries;
}

} // namespace ui
