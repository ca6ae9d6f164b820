#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"
#include "i18n/TranslateText.h"

#include "LanguageTree.h"

#include <gtest/gtest.h>

#include <set>

using i18ntest::LanguageTree;

namespace {

// A data module in miniature: storage, manager, installed for TranslateText.
class Translation : public ::testing::Test
{
protected:
    void Load(const QString &entries, const QString &folder = QStringLiteral("1031"))
    {
        tree.Write(folder, "!LanguageID=" + folder + "\r\n" + entries);
        storage.SetAutoDetect(true);
        storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
        storage.SetLanguagePath(tree.Root());
        manager.SetCurrentLanguageIndex(0);
        SetTranslationManager(&manager);
    }
    void TearDown() override { SetTranslationManager(nullptr); }

    LanguageTree tree;
    THashLangFileStorage storage;
    TLangManager manager{&storage};
};

} // namespace

TEST(TranslateText, WithoutManagerTextComesBackUnchanged)
{
    SetTranslationManager(nullptr);
    EXPECT_EQ(TranslateText(QStringLiteral("Start")), QStringLiteral("Start"));
    EXPECT_EQ(TranslateText(QStringLiteral("Version:")), QStringLiteral("Version:"));
    EXPECT_EQ(TranslateText(QString()), QString());
}

TEST_F(Translation, DirectEntry)
{
    Load("Start=Starten\r\nExport Excel=Excel-Export\r\n");
    EXPECT_EQ(TranslateText(QStringLiteral("Start")), QStringLiteral("Starten"));
    EXPECT_EQ(TranslateText(QStringLiteral("Export Excel")), QStringLiteral("Excel-Export"));
    EXPECT_EQ(TranslateText(QString()), QString());
}

TEST_F(Translation, CapitalisedThenUpperCaseFallBacks)
{
    Load("Start=Starten\r\nEXIT=Beenden\r\nExport csv file=CSV\r\n");
    EXPECT_EQ(TranslateText(QStringLiteral("START")), QStringLiteral("Starten"));        // step 4
    EXPECT_EQ(TranslateText(QStringLiteral("exit")), QStringLiteral("Beenden"));         // step 6
    EXPECT_EQ(TranslateText(QStringLiteral("Exit")), QStringLiteral("Beenden"));
    // Capitalising lower-cases everything after the first letter.
    EXPECT_EQ(TranslateText(QStringLiteral("Export CSV File")), QStringLiteral("CSV"));
}

TEST_F(Translation, ColonTakesTheEntryWithoutIt)
{
    Load("Version=Fassung\r\nDATE=DATUM\r\n");
    EXPECT_EQ(TranslateText(QStringLiteral("Version:")), QStringLiteral("Fassung:"));
    EXPECT_EQ(TranslateText(QStringLiteral("Unknown:")), QStringLiteral("Unknown:"));
    // With a colon the upper-case step is never tried.
    EXPECT_EQ(TranslateText(QStringLiteral("Date:")), QStringLiteral("Date:"));
    EXPECT_EQ(TranslateText(QStringLiteral("Date")), QStringLiteral("DATUM"));
    // Only one colon is taken off, and the text before it is looked up as it stands.
    EXPECT_EQ(TranslateText(QStringLiteral("Version::")), QStringLiteral("Version::"));
    EXPECT_EQ(TranslateText(QStringLiteral("version:")), QStringLiteral("version:"));
}

TEST_F(Translation, ColonWithItsOwnEntryWins)
{
    Load("Version=Fassung\r\nVersion:=Stand:\r\n");
    EXPECT_EQ(TranslateText(QStringLiteral("Version:")), QStringLiteral("Stand:"));
}

TEST_F(Translation, EmptyEntryCountsAsMissing)
{
    Load("Start=\r\nSTART=Los\r\nClose=\r\n");
    EXPECT_EQ(TranslateText(QStringLiteral("Start")), QStringLiteral("Los"));
    EXPECT_EQ(TranslateText(QStringLiteral("Close")), QStringLiteral("Close"));
}

TEST_F(Translation, CaseChangesTouchOnlyAsciiLetters)
{
    Load(QString::fromUtf8("Éclair=wrong\r\nSTRASSE=wrong\r\nSTRAßE=Straße\r\n"));
    EXPECT_EQ(TranslateText(QString::fromUtf8("éclair")), QString::fromUtf8("éclair"));
    EXPECT_EQ(TranslateText(QString::fromUtf8("straße")), QString::fromUtf8("Straße"));
}

TEST_F(Translation, NoEntryGivesTheTextItself)
{
    Load("Start=Starten\r\n");
    EXPECT_EQ(TranslateText(QStringLiteral("Are you sure you want to quit?")),
              QStringLiteral("Are you sure you want to quit?"));
}

TEST_F(Translation, LineBreakMarkersBecomeCrLf)
{
    Load("Warning=Zeile 1<br>Zeile 2\r\n");
    EXPECT_EQ(TranslateText(QStringLiteral("Warning")), QStringLiteral("Zeile 1\r\nZeile 2"));
}

TEST(TranslateText, NoLanguageFolderLeavesEveryTextEnglish)
{
    LanguageTree tree;
    THashLangFileStorage storage;
    storage.SetAutoDetect(true);
    storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
    storage.SetLanguagePath(tree.Root());
    TLangManager manager(&storage);
    manager.SetCurrentLanguageIndex(FindHSFileLanguageIndex(storage, 1031));
    SetTranslationManager(&manager);
    EXPECT_EQ(TranslateText(QStringLiteral("Start")), QStringLiteral("Start"));
    EXPECT_EQ(TranslateText(QStringLiteral("Version:")), QStringLiteral("Version:"));
    SetTranslationManager(nullptr);
}

TEST(FindHSFileLanguageIndex, PositionOfTheFirstMatchOrZero)
{
    LanguageTree tree;
    tree.Write("1031", "!LanguageID=1031\r\n");
    tree.Write("1033", "!LanguageID=1033\r\n");
    tree.Write("1036", "!LanguageID=1033\r\n");
    tree.Write("1053", "!LanguageID=1053\r\n");
    THashLangFileStorage storage;
    EXPECT_EQ(FindHSFileLanguageIndex(storage, 1033), 0);   // nothing detected
    storage.SetAutoDetect(true);
    storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
    storage.SetLanguagePath(tree.Root());
    EXPECT_EQ(FindHSFileLanguageIndex(storage, 1031), 0);
    EXPECT_EQ(FindHSFileLanguageIndex(storage, 1033), 1);
    EXPECT_EQ(FindHSFileLanguageIndex(storage, 1053), 3);
    EXPECT_EQ(FindHSFileLanguageIndex(storage, 2070), 0);
    EXPECT_EQ(FindHSFileLanguageIndex(storage, -1), 0);
    EXPECT_EQ(FindHSFileLanguageIndex(storage, 0), 0);
}

TEST(ReceivedRecordsText, EveryRowAndTheFallback)
{
    const QString n = QStringLiteral("12");
    EXPECT_EQ(ReceivedRecordsText(1031, n), QString::fromUtf8("12 Datensätze empfangen."));
    EXPECT_EQ(ReceivedRecordsText(1033, n), QStringLiteral("Received 12 records."));
    EXPECT_EQ(ReceivedRecordsText(1034, n), QStringLiteral("Se recibieron 12 registros."));
    EXPECT_EQ(ReceivedRecordsText(1035, n), QStringLiteral("Saatu 12 tietuetta."));
    EXPECT_EQ(ReceivedRecordsText(1036, n), QStringLiteral("12 enregistrements obtenus."));
    EXPECT_EQ(ReceivedRecordsText(1040, n), QStringLiteral("Ricevuti 12 record."));
    EXPECT_EQ(ReceivedRecordsText(1043, n), QStringLiteral("12 records ontvangen."));
    EXPECT_EQ(ReceivedRecordsText(1045, n), QString::fromUtf8("Odebrano 12 rekordów."));
    EXPECT_EQ(ReceivedRecordsText(1053, n), QStringLiteral("Mottagit 12 uppgifter."));
    EXPECT_EQ(ReceivedRecordsText(2070, n), QStringLiteral("Registos 12 recebidos."));
    EXPECT_EQ(ReceivedRecordsText(1046, n), QStringLiteral("Received 12 records."));
    EXPECT_EQ(ReceivedRecordsText(0, n), QStringLiteral("Received 12 records."));
    EXPECT_EQ(ReceivedRecordsText(-1, QStringLiteral("0")), QStringLiteral("Received 0 records."));
}

TEST(ReceivedRecordsText, DoesNotGoThroughTheLanguageFile)
{
    LanguageTree tree;
    tree.Write("1031", "!LanguageID=1031\r\nReceived 5 records.=wrong\r\n");
    THashLangFileStorage storage;
    storage.SetAutoDetect(true);
    storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
    storage.SetLanguagePath(tree.Root());
    TLangManager manager(&storage);
    manager.SetCurrentLanguageIndex(0);
    SetTranslationManager(&manager);
    EXPECT_EQ(ReceivedRecordsText(1033, QStringLiteral("5")), QStringLiteral("Received 5 records."));
    SetTranslationManager(nullptr);
}

TEST(KnownLanguages, TenLanguagesInMenuOrder)
{
    const std::vector<std::pair<const char *, int>> expected = {
        {"English", 1033}, {"German", 1031},  {"Spanish", 1034}, {"Italian", 1040}, {"Portuguese", 2070},
        {"French", 1036},  {"Finnish", 1035}, {"Polish", 1045},  {"Dutch", 1043},   {"Swedish", 1053}};
    ASSERT_EQ(kKnownLanguages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(kKnownLanguages[i].position, int(i) + 1);
        EXPECT_STREQ(kKnownLanguages[i].captionKey, expected[i].first);
        EXPECT_EQ(kKnownLanguages[i].languageId, expected[i].second);
        EXPECT_EQ(KnownLanguageAtPosition(int(i) + 1), &kKnownLanguages[i]);
        EXPECT_EQ(KnownLanguageWithId(expected[i].second), &kKnownLanguages[i]);
    }
    EXPECT_EQ(KnownLanguageAtPosition(0), nullptr);
    EXPECT_EQ(KnownLanguageAtPosition(11), nullptr);
    EXPECT_EQ(KnownLanguageWithId(1046), nullptr);
}
