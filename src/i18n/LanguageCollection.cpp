#include "i18n/LanguageCollection.h"

#include "i18n/LanguageIdentifiers.h"

bool TLanguageItem::SetLanguageID(std::uint32_t id)
{
    if (id != 0 && !IsKnownLanguageId(id)) {
        FLanguageID = 0;
        return false;
    }
    FLanguageID = id;
    if (id != 0) {
        FAbbreviation = LanguageAbbreviation(id);
        FLanguageDirName = QString::number(id);
    }
    return true;
}

TLanguageItem &TLanguageCollection::Add()
{
    return items_.emplace_back();
}

void TLanguageCollection::Delete(int index)
{
    if (index >= 0 && index < Count())
        items_.erase(items_.begin() + index);
}

