#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"

#include "LanguageTree.h"

#include <gtest/gtest.h>

using i18ntest::LanguageTree;

namespace {

class LangManagerFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree.Write("1031", "!LanguageID=1031\r\nStart=Los\r\n");
        tree.Write("1033", "!LanguageID=1033\r\nStart=Go\r\n");
        storage.SetAutoDetect(true);
        storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
        storage.SetLanguagePath(tree.Root());
        ASSERT_EQ(storage.Languages().Count(), 2);
    }

    LanguageTree tree;
    THashLangFileStorage storage;
    TLangManager manager{&storage};
};

} // namespace

TEST_F(LangManagerFixture, SettingTheIndexLoadsAndTranslates)
{
    EXPECT_EQ(manager.Translate(QStringLiteral("Start")), QString());   // nothing chosen yet
    manager.SetCurrentLanguageIndex(1);
    EXPECT_EQ(storage.CurrentLanguageIndex(), 1);
    EXPECT_EQ(manager.Translate(QStringLiteral("Start")), QStringLiteral("Go"));
    EXPECT_EQ(manager.TranslateString(QStringLiteral("Missing")), QString());
    manager.SetCurrentLanguageIndex(0);
    EXPECT_EQ(manager.Translate(QStringLiteral("Start")), QStringLiteral("Los"));
}

TEST_F(LangManagerFixture, SameIndexTwiceReloadsTheFileAndWalksTwice)
{
    int walks = 0;
    manager.SetTranslationWalk([&](TLangManager &walked) {
        EXPECT_EQ(&walked, &manager);
        ++walks;
    });
    manager.SetCurrentLanguageIndex(1);
    EXPECT_EQ(manager.Translate(QStringLiteral("Start")), QStringLiteral("Go"));
    tree.Write("1033", "!LanguageID=1033\r\nStart=Begin\r\n");
    manager.SetCurrentLanguageIndex(1);
    EXPECT_EQ(manager.Translate(QStringLiteral("Start")), QStringLiteral("Begin"));
    EXPECT_EQ(walks, 2);
}

TEST_F(LangManagerFixture, ListenersRunBeforeTheWalkAndOnlyForValidIndexes)
{
    std::vector<QString> events;
    const int id = manager.AddLanguageChangeListener([&] { events.push_back("listener " + manager.Translate("Start")); });
    manager.SetTranslationWalk([&](TLangManager &) { events.push_back("walk"); });
    manager.SetCurrentLanguageIndex(0);
    EXPECT_EQ(events, (std::vector<QString>{"listener Los", "walk"}));

    // An invalid index is stored; nothing is loaded, but the walk still runs.
    events.clear();
    manager.SetCurrentLanguageIndex(5);
    EXPECT_EQ(manager.CurrentLanguageIndex(), 5);
    EXPECT_EQ(storage.CurrentLanguageIndex(), 0);
    EXPECT_EQ(events, std::vector<QString>{"walk"});

    manager.RemoveLanguageChangeListener(id);
    manager.FAutoTranslate = false;
    events.clear();
    manager.SetCurrentLanguageIndex(1);
    EXPECT_TRUE(events.empty());
}

TEST_F(LangManagerFixture, LookupFirstLoadsTheManagersLanguage)
{
    manager.SetCurrentLanguageIndex(1);
    // Somebody switched the storage behind the manager's back.
    storage.SetCurrentLanguageIndex(0);
    EXPECT_EQ(manager.Translate(QStringLiteral("Start")), QStringLiteral("Go"));
    EXPECT_EQ(storage.CurrentLanguageIndex(), 1);
    // A new detection resets the storage; the next look-up loads the manager's language again.
    storage.DetectLanguages();
    EXPECT_EQ(manager.Translate(QStringLiteral("Start")), QStringLiteral("Go"));
}

TEST(LangManager, WithoutStorageEverythingIsEmpty)
{
    TLangManager manager;
    int walks = 0;
    manager.SetTranslationWalk([&](TLangManager &) { ++walks; });
    manager.SetCurrentLanguageIndex(0);
    EXPECT_EQ(walks, 1);
    EXPECT_EQ(manager.Translate(QStringLiteral("Start")), QString());
}
