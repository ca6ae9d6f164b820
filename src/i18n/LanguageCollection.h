#pragma once
// The languages the storage has detected: one TLanguageItem per valid language file, in
// detection order (the position is the language index).

#include "i18n/FontDescription.h"

#include <QString>

#include <cstdint>
#include <vector>

class TLanguageItem
{
public:
    QString FLanguageName;        // "!LanguageName" (empty when absent)
    QString FAuthor;              // "!TranslationAuthor", informational
    QString FAuthorEmail;         // "!TranslationAuthorEmail", informational
    QString FAbbreviation;        // the platform's three-letter abbreviation ("ENU")
    QString FLanguageFileName;    // file name without folder and extension
    QString FLanguageDirName;     // the identifier in decimal: the folder the file is loaded from
    std::uint32_t FLanguageID = 0;
    TLangFont FDefaultFont;       // from "!TranslationDefaultFont", informational

    // Sets the identifier. A non-zero identifier the platform does not know becomes 0 and
    // SetLanguageID returns false; a known one also sets the abbreviation and the folder name.
    bool SetLanguageID(std::uint32_t id);
};

class TLanguageCollection
{
public:
    int Count() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    const TLanguageItem &Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    TLanguageItem &Item(int index) { return items_.at(static_cast<std::size_t>(index)); }
    const TLanguageItem &operator[](int index) const { return Item(index); }

    TLanguageItem &Add();
    void Delete(int index);
    void Clear() { items_.clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<TLanguageItem> items_;
};
