#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"

#include <gtest/gtest.h>

#include <set>

TEST(TextKeys, EachTextIsListedOnceAndTheLanguageMenuTakesItsCaptionsFromThem)
{
    std::set<QString> seen;
    for (const TextKey &key : AllTextKeys()) {
        const QString text = key;
        EXPECT_FALSE(text.isEmpty());
        EXPECT_EQ(text, text.trimmed()) << "a key with outer blanks never matches a file's entry";
        EXPECT_TRUE(seen.insert(text).second) << "listed twice: " << text.toStdString();
    }
    for (const KnownLanguage &language : kKnownLanguages)
        EXPECT_TRUE(seen.count(QString::fromUtf8(language.captionKey))) << language.captionKey;
}
