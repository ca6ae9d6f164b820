#include "i18n/LanguageIdentifiers.h"
#include "i18n/TranslateText.h"

#include <gtest/gtest.h>

TEST(LanguageIdentifiers, TheTenLanguagesAndTheirNeighboursAreKnown)
{
    for (const KnownLanguage &language : kKnownLanguages)
        EXPECT_TRUE(IsKnownLanguageId(std::uint32_t(language.languageId))) << language.languageId;
    EXPECT_EQ(LanguageAbbreviation(1033), QStringLiteral("ENU"));
    EXPECT_EQ(LanguageAbbreviation(1031), QStringLiteral("DEU"));
    EXPECT_EQ(LanguageAbbreviation(1034), QStringLiteral("ESP"));
    EXPECT_EQ(LanguageAbbreviation(3082), QStringLiteral("ESN"));
    EXPECT_EQ(LanguageAbbreviation(2070), QStringLiteral("PTG"));
    EXPECT_EQ(LanguageAbbreviation(1046), QStringLiteral("PTB"));
    EXPECT_EQ(LanguageAbbreviation(1045), QStringLiteral("PLK"));
    EXPECT_EQ(LanguageAbbreviation(1053), QStringLiteral("SVE"));
}

TEST(LanguageIdentifiers, UnknownIdentifiers)
{
    for (std::uint32_t id : {0u, 1u, 1024u, 1047u, 9999u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(IsKnownLanguageId(id)) << id;
        EXPECT_TRUE(LanguageAbbreviation(id).isEmpty()) << id;
    }
}
