#include "i18n/HashLangFileStorage.h"

#include "LanguageTree.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <gtest/gtest.h>

using i18ntest::Encoding;
using i18ntest::LanguageTree;

namespace {

const QString kFixtures = QStringLiteral(KELO_TEST_FIXTURES);
const QString kFileName = QStringLiteral("KELO_HB_METER.txt");

// Set up the way the data module does it.
void configure(THashLangFileStorage &storage, const QString &root)
{
    storage.SetAutoDetect(true);
    storage.SetFileName(kFileName);
    storage.SetLanguagePath(root);
}

std::vector<std::uint32_t> ids(const THashLangFileStorage &storage)
{
    std::vector<std::uint32_t> result;
    for (const TLanguageItem &item : storage.Languages())
        result.push_back(item.FLanguageID);
    return result;
}

QString lookup(const THashLangFileStorage &storage, const QString &key)
{
    QString value;
    storage.GetString(key, value);
    return value;
}

class FixtureRoot : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform::SetAnsiCodePage(1252);
        configure(storage, kFixtures + QStringLiteral("/langroot"));
    }
    void TearDown() override { platform::SetAnsiCodePage(0); }
    THashLangFileStorage storage;
};

} // namespace

TEST_F(FixtureRoot, DetectionKeepsOnlyValidLanguagesInFolderOrder)
{
    // 1031 declares 1033; 1034, 1045 fail the first-line test; 1036 and 1040 declare no known
    // identifier; 1035 and 1043 lack the file; notes.txt is no folder.
    EXPECT_EQ(ids(storage), (std::vector<std::uint32_t>{1033, 1033, 1053}));
    EXPECT_EQ(storage.CurrentLanguageIndex(), -1);

    const TLanguageItem &english = storage.Languages()[1];
    EXPECT_EQ(english.FLanguageName, QStringLiteral("English"));
    EXPECT_EQ(english.FAuthor, QStringLiteral("Kelo"));
    EXPECT_EQ(english.FAuthorEmail, QStringLiteral("lang@example.com"));
    EXPECT_EQ(english.FAbbreviation, QStringLiteral("ENU"));
    EXPECT_EQ(english.FLanguageDirName, QStringLiteral("1033"));
    EXPECT_EQ(english.FLanguageFileName, QStringLiteral("KELO_HB_METER"));
    EXPECT_EQ(english.FDefaultFont.font.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(english.FDefaultFont.font.pointSize(), 10);

    // Header names are matched without regard to case during detection.
    const TLanguageItem &swedish = storage.Languages()[2];
    EXPECT_EQ(swedish.FLanguageName, QStringLiteral("Svenska"));
    EXPECT_EQ(swedish.FAuthor, QString::fromUtf8("Översättare"));
    EXPECT_EQ(swedish.FAbbreviation, QStringLiteral("SVE"));
}

TEST_F(FixtureRoot, FolderDeclaringAnotherIdentifierLoadsThatIdentifiersFolder)
{
    const TLanguageItem &mislabelled = storage.Languages()[0];
    EXPECT_EQ(mislabelled.FLanguageName, QStringLiteral("Mislabelled"));
    EXPECT_EQ(mislabelled.FLanguageDirName, QStringLiteral("1033"));
    storage.SetCurrentLanguageIndex(0);
    EXPECT_EQ(storage.GetCurrentLanguageFileName(), QStringLiteral("1033/KELO_HB_METER.txt"));
    EXPECT_EQ(lookup(storage, QStringLiteral("Version")), QStringLiteral("Version"));
    EXPECT_EQ(lookup(storage, QStringLiteral("!LanguageName")), QStringLiteral("English"));
}

TEST_F(FixtureRoot, TableRules)
{
    storage.SetCurrentLanguageIndex(2);
    ASSERT_EQ(storage.CurrentLanguageIndex(), 2);
    QString value;
    // The last of two lines with one key wins.
    EXPECT_EQ(lookup(storage, QStringLiteral("Start")), QStringLiteral("Starta"));
    // Spaces around "=" belong to the key and the value.
    EXPECT_FALSE(storage.GetString(QStringLiteral("TfrmMain.btnStart.Caption"), value));
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(lookup(storage, QStringLiteral("TfrmMain.btnStart.Caption ")), QStringLiteral(" Starta"));
    // "<BR>" in any case becomes CR LF.
    EXPECT_EQ(lookup(storage, QStringLiteral("Warning")), QString::fromUtf8("Rad ett\r\nrad två\r\nrad tre\r\n"));
    // Split at the first "="; no comments, no sections.
    EXPECT_EQ(lookup(storage, QStringLiteral("Formula")), QStringLiteral("a=b"));
    EXPECT_EQ(lookup(storage, QStringLiteral("; a remark")), QStringLiteral("with an equals sign"));
    EXPECT_FALSE(storage.GetString(QStringLiteral("[SECTION]"), value));
    // A present but empty value is found (and empty).
    EXPECT_TRUE(storage.GetString(QStringLiteral("Empty"), value));
    EXPECT_TRUE(value.isEmpty());
    // The NUL ends the file.
    EXPECT_EQ(lookup(storage, QStringLiteral("Before NUL")), QStringLiteral("kept"));
    EXPECT_FALSE(storage.GetString(QStringLiteral("After NUL"), value));
    // Keys are exact in the table: the header written in lower case is found only so.
    EXPECT_EQ(lookup(storage, QStringLiteral("!languagename")), QStringLiteral("Svenska"));
    EXPECT_FALSE(storage.GetString(QStringLiteral("!LanguageName"), value));
}

TEST(HashLangFileStorage, ThreeEncodingsLoadTheSameEntries)
{
    LanguageTree tree;
    const QString text = QString::fromUtf8("!LanguageID=%1\r\nHemoglobin=Hämoglobin\r\nClear Data=Daten löschen\r\n");
    tree.Write("1031", text.arg(1031), Encoding::Utf8Bom);
    tree.Write("1040", text.arg(1040), Encoding::Utf16LeBom);
    platform::SetAnsiCodePage(1252);
    tree.Write("1053", text.arg(1053), Encoding::Ansi);
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    ASSERT_EQ(ids(storage), (std::vector<std::uint32_t>{1031, 1040, 1053}));
    for (int i = 0; i < 3; ++i) {
        storage.SetCurrentLanguageIndex(i);
        EXPECT_EQ(lookup(storage, "Hemoglobin"), QString::fromUtf8("Hämoglobin")) << i;
        EXPECT_EQ(lookup(storage, "Clear Data"), QString::fromUtf8("Daten löschen")) << i;
        EXPECT_EQ(storage.StringTable()->Count(), 3) << i;
    }
    platform::SetAnsiCodePage(0);
}

TEST(HashLangFileStorage, FoldersAreTakenInAscendingNameOrderIgnoringCase)
{
    LanguageTree tree;
    // Created out of order; the names must decide, not the file system.
    tree.Write("2070", "!LanguageID=2070\r\n");
    tree.Write("B", "!LanguageID=1053\r\n");
    tree.Write("1033", "!LanguageID=1033\r\n");
    tree.Write("a", "!LanguageID=1031\r\n");
    tree.Write("1035", "!LanguageID=1035\r\n");
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    EXPECT_EQ(ids(storage), (std::vector<std::uint32_t>{1033, 1035, 2070, 1031, 1053}));
}

TEST(HashLangFileStorage, SettersAndAutomaticDetection)
{
    LanguageTree tree;
    tree.Write("1031", "!LanguageID=1031\r\n");
    THashLangFileStorage storage;
    // Without automatic detection nothing is searched.
    storage.SetFileName(kFileName);
    storage.SetLanguagePath(tree.Root());
    EXPECT_TRUE(storage.Languages().IsEmpty());
    storage.SetAutoDetect(true);
    EXPECT_EQ(ids(storage), std::vector<std::uint32_t>{1031});

    // The path gets its trailing separator; setting the same path again does not search again.
    THashLangFileStorage second;
    second.SetAutoDetect(true);
    second.SetFileName(kFileName);
    QString root = tree.Root();
    root.chop(1);
    second.SetLanguagePath(root);
    EXPECT_EQ(second.LanguagePath(), tree.Root());
    tree.Write("1033", "!LanguageID=1033\r\n");
    second.SetLanguagePath(root);
    EXPECT_EQ(ids(second), std::vector<std::uint32_t>{1031});
    // The file-name setter always searches again.
    second.SetFileName(kFileName);
    EXPECT_EQ(ids(second), (std::vector<std::uint32_t>{1031, 1033}));
    // The file name's extension is replaced by .txt.
    second.SetFileName(QStringLiteral("KELO_HB_METER.dat"));
    EXPECT_EQ(second.Languages().Count(), 2);
    second.SetFileName(QStringLiteral("OTHER"));
    EXPECT_TRUE(second.Languages().IsEmpty());
    // An empty path or file name gives an empty list.
    second.SetFileName(kFileName);
    second.SetLanguagePath(QString());
    EXPECT_TRUE(second.Languages().IsEmpty());
    EXPECT_EQ(second.CurrentLanguageIndex(), -1);
}

TEST(HashLangFileStorage, DetectionResetsTheCurrentLanguage)
{
    LanguageTree tree;
    tree.Write("1031", "!LanguageID=1031\r\n");
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    storage.SetCurrentLanguageIndex(0);
    ASSERT_EQ(storage.CurrentLanguageIndex(), 0);
    storage.DetectLanguages();
    EXPECT_EQ(storage.CurrentLanguageIndex(), -1);
}

TEST(HashLangFileStorage, IdentifierValues)
{
    LanguageTree tree;
    tree.Write("a", "!LanguageID= 1040 \r\n");   // blanks around the number are allowed
    tree.Write("b", "!LanguageID=0\r\n");
    tree.Write("c", "!LanguageID=-1033\r\n");
    tree.Write("d", "!LanguageID=4294968329\r\n");   // 1033 + 2^32 must not wrap to 1033
    tree.Write("e", "!LanguageID\r\n");
    tree.Write("f", "!LanguageIDX=1031\r\n!LanguageID=1045\r\n");   // passes the first-line test
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    EXPECT_EQ(ids(storage), (std::vector<std::uint32_t>{1040, 1045}));
}

TEST(HashLangFileStorage, RegisterAndIsLanguageFile)
{
    LanguageTree tree;
    const QString good = tree.Write("x", "!LanguageID=1034\r\n!LanguageName=Español\r\n");
    const QString unknown = tree.Write("y", "!LanguageID=12345\r\n");
    const QString notLanguage = tree.Write("z", "LanguageID=1034\r\n");
    THashLangFileStorage storage;
    EXPECT_TRUE(storage.IsLanguageFile(good));
    EXPECT_TRUE(storage.IsLanguageFile(unknown));
    EXPECT_FALSE(storage.IsLanguageFile(notLanguage));
    EXPECT_FALSE(storage.IsLanguageFile(tree.Root() + "missing.txt"));

    EXPECT_TRUE(storage.RegisterLanguageFile(good));
    ASSERT_EQ(storage.Languages().Count(), 1);
    EXPECT_EQ(storage.Languages()[0].FLanguageName, QString::fromUtf8("Español"));
    EXPECT_EQ(storage.Languages()[0].FAbbreviation, QStringLiteral("ESP"));
    EXPECT_FALSE(storage.RegisterLanguageFile(unknown));
    EXPECT_EQ(storage.Languages().Count(), 1);
    EXPECT_FALSE(storage.RegisterLanguageFile(tree.Root() + "missing.txt"));
    EXPECT_EQ(storage.Languages().Count(), 1);
}

TEST(HashLangFileStorage, FailedLoadLeavesAnEmptyTableAndTheOldFont)
{
    LanguageTree tree;
    tree.Write("1033", "!LanguageID=1033\r\nStart=Go\r\n!TranslationDefaultFont=Font A,11\r\n");
    // Found in 1036 but declares 1031, which has no folder: it can never be loaded.
    tree.Write("1036", "!LanguageID=1031\r\nStart=Los\r\n!TranslationDefaultFont=Font B,12\r\n");
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    ASSERT_EQ(ids(storage), (std::vector<std::uint32_t>{1033, 1031}));
    EXPECT_FALSE(storage.FontInited());

    storage.SetCurrentLanguageIndex(0);
    EXPECT_TRUE(storage.FontInited());
    EXPECT_EQ(storage.DefaultFont().font.family(), QStringLiteral("Font A"));
    EXPECT_EQ(lookup(storage, "Start"), QStringLiteral("Go"));

    storage.SetCurrentLanguageIndex(1);
    EXPECT_EQ(storage.CurrentLanguageIndex(), 1);
    EXPECT_EQ(lookup(storage, "Start"), QString());
    EXPECT_EQ(storage.StringTable()->Count(), 0);
    EXPECT_EQ(storage.DefaultFont().font.family(), QStringLiteral("Font A"));
    EXPECT_FALSE(storage.LoadCurrentLanguage());
}

TEST(HashLangFileStorage, DefaultFontFollowsTheLoadedLanguage)
{
    LanguageTree tree;
    tree.Write("1033", "!LanguageID=1033\r\n!TranslationDefaultFont=Font A,11,B\r\n");
    tree.Write("1031", "!LanguageID=1031\r\n");
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    storage.SetCurrentLanguageIndex(1);   // 1033
    EXPECT_EQ(storage.DefaultFont().font.family(), QStringLiteral("Font A"));
    EXPECT_TRUE(storage.DefaultFont().font.bold());
    // A language without its own font returns to the platform's default GUI font.
    storage.SetCurrentLanguageIndex(0);
    EXPECT_EQ(storage.DefaultFont().font, QGuiApplication::font());
    EXPECT_TRUE(storage.FontInited());
}

TEST(HashLangFileStorage, OutOfRangeIndexIsIgnored)
{
    LanguageTree tree;
    tree.Write("1033", "!LanguageID=1033\r\nStart=Go\r\n");
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    storage.SetCurrentLanguageIndex(0);
    storage.SetCurrentLanguageIndex(1);
    storage.SetCurrentLanguageIndex(-1);
    EXPECT_EQ(storage.CurrentLanguageIndex(), 0);
    EXPECT_EQ(lookup(storage, "Start"), QStringLiteral("Go"));
}

TEST(HashLangFileStorage, NoLanguagesNoLookups)
{
    LanguageTree tree;
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    EXPECT_TRUE(storage.Languages().IsEmpty());
    storage.SetCurrentLanguageIndex(0);
    QString value = QStringLiteral("stale");
    EXPECT_FALSE(storage.GetString(QStringLiteral("Start"), value));
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(storage.GetCurrentLanguageFileName(), QString());
}

TEST(HashLangFileStorage, LargeFileGrowsTheTable)
{
    LanguageTree tree;
    QString text = QStringLiteral("!LanguageID=1033\r\n");
    for (int i = 0; i < 2000; ++i)
        text += QStringLiteral("Key%1=Value%1\r\n").arg(i);
    tree.Write("1033", text);
    THashLangFileStorage storage;
    configure(storage, tree.Root());
    storage.SetCurrentLanguageIndex(0);
    EXPECT_EQ(storage.StringTable()->Count(), 2001);
    EXPECT_EQ(storage.StringTable()->Capacity(), 2048);   // grown once, when the 1025th key came
    EXPECT_EQ(lookup(storage, "Key0"), QStringLiteral("Value0"));
    EXPECT_EQ(lookup(storage, "Key1999"), QStringLiteral("Value1999"));
}

TEST(HashLangFileStorage, FileModeListsTheRootsTextFiles)
{
    LanguageTree tree;
    tree.WriteBytes(QString(), "!LanguageID=1053\r\nStart=Starta\r\n", "svenska.txt");
    tree.WriteBytes(QString(), "!LanguageID=1031\r\nStart=Los\r\n", "deutsch.txt");
    tree.WriteBytes(QString(), "Start=nothing\r\n", "readme.txt");
    THashLangFileStorage storage;
    storage.SetStorageMode(TStorageMode::smByFile);
    storage.SetAutoDetect(true);
    storage.SetFileName(kFileName);
    storage.SetLanguagePath(tree.Root());
    EXPECT_TRUE(storage.Languages().IsEmpty());   // file mode does not search by itself
    storage.DetectLanguages();
    ASSERT_EQ(ids(storage), (std::vector<std::uint32_t>{1031, 1053}));
    storage.SetCurrentLanguageIndex(1);
    EXPECT_EQ(storage.GetCurrentLanguageFileName(), QStringLiteral("svenska.txt"));
    EXPECT_EQ(lookup(storage, "Start"), QStringLiteral("Starta"));
}
