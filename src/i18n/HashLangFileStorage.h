#pragma once
// The language storage: finds the language files below a root folder, keeps the list of
// available languages and the string table of the current one, and answers look-ups.
//
// Layout (directory mode): <LanguagePath><identifier>/<FileName>, one folder per language,
// named by its decimal Windows language identifier. Folders are taken in ascending name order
// (letter case ignored), so the list and its position 0 - the fallback language - are the same
// on every file system. A language is loaded from the folder named by the identifier its file
// declares, whatever folder it was found in.
//
// GUI thread only. Failures (no folder, unreadable or invalid files) are silent: the list or
// the table simply stays empty.

#include "i18n/FontDescription.h"
#include "i18n/LanguageCollection.h"
#include "i18n/WideStrToWideStrHashMap.h"

#include <QString>

#include <memory>

class TWideStringList;

enum class TStorageMode
{
    smByFile,        // every language's file directly in the root: <LanguagePath><name>.txt
    smByDirectory,   // one folder per language (the program's layout)
};

class THashLangFileStorage
{
public:
    THashLangFileStorage();
    ~THashLangFileStorage();
    THashLangFileStorage(const THashLangFileStorage &) = delete;
    THashLangFileStorage &operator=(const THashLangFileStorage &) = delete;

    // With AutoDetect on and directory mode, each of these setters runs DetectLanguages.
    // SetLanguagePath adds a trailing "/" to a non-empty path and does nothing when the path
    // is unchanged.
    bool AutoDetect() const { return FAutoDetect; }
    void SetAutoDetect(bool value);
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &value);
    const QString &LanguagePath() const { return FLanguagePath; }
    void SetLanguagePath(const QString &value);
    TStorageMode StorageMode() const { return FStorageMode; }
    void SetStorageMode(TStorageMode value);

    // Initial slot count and growth factor of the string tables made by later loads.
    int ListLength() const { return FListLength; }
    void SetListLength(int value) { FListLength = value; }
    int IncSize() const { return FIncSize; }
    void SetIncSize(int value) { FIncSize = value; }

    const TLanguageCollection &Languages() const { return FLanguages; }

    // Index of the loaded language in Languages(), -1 for none.
    int CurrentLanguageIndex() const { return FCurrentLanguageIndex; }
    // Makes language i current and loads it; i outside the list is ignored. After a
    // successful load the default font becomes the platform's default GUI font with the
    // language's "!TranslationDefaultFont" applied.
    void SetCurrentLanguageIndex(int i);

    // Rebuilds the language list from the root folder; the current index becomes -1.
    void DetectLanguages();
    // Adds the language of file to the list; false (and nothing added, current index -1)
    // when the file cannot be read or declares no identifier the platform knows.
    bool RegisterLanguageFile(const QString &file);
    // True when the file's first line begins with "!LanguageID" (case-sensitive).
    bool IsLanguageFile(const QString &file) const;

    // Replaces the string table with the current language's file. False, with an empty table,
    // when there is no current language or its file cannot be read.
    bool LoadCurrentLanguage();

    // The current language's value for name, with every "<BR>" (any letter case) replaced by
    // CR LF. False and an empty value when the table has no such key.
    bool GetString(const QString &name, QString &value) const;

    // The current language's file relative to the root ("1031/KELO_HB_METER.txt"); empty
    // without a current language.
    QString GetCurrentLanguageFileName() const;
    static QString GetLanguageFileExt() { return QStringLiteral(".txt"); }

    // Default font of the current language and whether a load has set it.
    const TLangFont &DefaultFont() const { return FDefaultFont; }
    bool FontInited() const { return FFontInited; }

    // The current string table; nullptr before the first load.
    const TWideStrToWideStrHashMap *StringTable() const { return FHashMap.get(); }

private:
    bool registerLanguage(const QString &file, const TWideStringList &lines);
    void detectIfAutomatic();

    TLangFont FDefaultFont;
    bool FFontInited = false;
    TLanguageCollection FLanguages;
    int FCurrentLanguageIndex = -1;
    QString FLanguagePath;
    bool FAutoDetect = false;
    TStorageMode FStorageMode = TStorageMode::smByDirectory;
    QString FFileName;
    std::unique_ptr<TWideStrToWideStrHashMap> FHashMap;
    int FListLength = TWideStrToWideStrHashMap::kDefaultListLength;
    int FIncSize = TWideStrToWideStrHashMap::kDefaultIncSize;
};
