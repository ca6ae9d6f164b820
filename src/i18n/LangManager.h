#pragma once
// The language manager: holds the current language index, loads the language into its
// storage whenever the index is set, and translates single texts through the storage.
//
// Setting CurrentLanguageIndex runs in full on every call, also with the index already
// current: the file is re-read, the language-change listeners run, and then - with
// FAutoTranslate on - the translation walk, which applies the component entries of the
// language to the open windows, the data modules and the application. The walk lives in a
// layer that knows widgets and is installed with SetTranslationWalk; without one, setting
// the language only reloads the table.
//
// GUI thread only.

#include <QString>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class THashLangFileStorage;

// Which roots the walk visits.
enum TAutoTransOption : std::uint8_t
{
    atApplication = 0x01,
    atForms = 0x02,
    atDataModules = 0x04,
};

class TLangManager
{
public:
    using TranslationWalk = std::function<void(TLangManager &)>;
    using LanguageChangeListener = std::function<void()>;

    explicit TLangManager(THashLangFileStorage *storage = nullptr);
    TLangManager(const TLangManager &) = delete;
    TLangManager &operator=(const TLangManager &) = delete;

    // Where texts come from; not owned.
    THashLangFileStorage *LanguageStorage() const { return FLanguageStorage; }
    void SetLanguageStorage(THashLangFileStorage *storage) { FLanguageStorage = storage; }

    int CurrentLanguageIndex() const { return FCurrentLanguageIndex; }
    // Stores i; a valid index is loaded into the storage and announced to the listeners;
    // then the walk runs (when automatic translation is on), also for an invalid index.
    void SetCurrentLanguageIndex(int i);

    // The current language's value for key src, or an empty text (also without a storage).
    // Loads the manager's language into the storage first when the storage holds another.
    QString TranslateString(const QString &src);
    QString Translate(const QString &src) { return TranslateString(src); }

    // The walk run after every language change (replaces any earlier one; empty removes it).
    void SetTranslationWalk(TranslationWalk walk) { walk_ = std::move(walk); }
    // The walk every manager made from now on starts with. The layer that knows widgets sets
    // it before the data module creates its manager, so that the walk also runs when the
    // data module selects the configured language. Empty: managers start without a walk.
    static void SetDefaultTranslationWalk(TranslationWalk walk);
    // Called after a valid language has been loaded, before the walk. Returns an id for
    // RemoveLanguageChangeListener.
    int AddLanguageChangeListener(LanguageChangeListener listener);
    void RemoveLanguageChangeListener(int id);

    // Settings the walk follows (the program runs with these defaults).
    bool FAutoTranslate = true;
    std::uint8_t FAutoTransOptions = atApplication | atForms | atDataModules;
    bool FUseDefaultFont = true;
    bool FTranslateOtherFont = true;
    bool FTranslateListItem = false;
    bool FTranslateTreeNode = false;
    bool FIgnoreAction = true;

private:
    THashLangFileStorage *FLanguageStorage;
    int FCurrentLanguageIndex = -1;
    TranslationWalk walk_;
    std::vector<std::pair<int, LanguageChangeListener>> listeners_;
    int nextListenerId_ = 1;
};
