#include "i18n/TranslateText.h"

namespace {
TLangManager *currentManager = nullptr;
}

const std::array<KnownLanguage, 10> kKnownLanguages = {{
    {1, "English", 1033},
    {2, "German", 1031},
    {3, "Spanish", 1034},
    {4, "Italian", 1040},
    {5, "Portuguese", 2070},
    {6, "French", 1036},
    {7, "Finnish", 1035},
    {8, "Polish", 1045},
    {9, "Dutch", 1043},
    {10, "Swedish", 1053},
}};

void SetTranslationManager(TLangManager *manager)
{
    currentManager = manager;
}

TLangManager *TranslationManager()
{
    return currentManager;
}

QString TranslateText(const QString &text)
{
    if (!currentManager)
        return text;
    // The look-ups through the manager come with the language engine.
    return text;
}
