// The language files the build ships (data/lang/<LCID>/KELO_HB_METER.txt in the source tree,
// copied unchanged beside the program), read through the program's own storage and checked
// against the program's table of texts.

#include "i18n/HashLangFileStorage.h"
#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "i18n/WideStringList.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <map>
#include <set>

namespace {

const QString kLanguageRoot = QStringLiteral(KELO_SOURCE_DIR "/data/lang");
const QString kFileName = QStringLiteral("KELO_HB_METER.txt");

// Component entries belong to the translation walk; their keys start with the class name of
// the window or data module they reach.
const QStringList kComponentPrefixes = {QStringLiteral("TfrmMain."), QStringLiteral("TFrmAbout."),
                                        QStringLiteral("TDM.")};
const QStringList kHeaderKeys = {QStringLiteral("!LanguageID"), QStringLiteral("!LanguageName"),
                                 QStringLiteral("!TranslationAuthor"), QStringLiteral("!TranslationAuthorEmail"),
                                 QStringLiteral("!TranslationDefaultFont")};

bool IsComponentKey(const QString &key)
{
    for (const QString &prefix : kComponentPrefixes)
        if (key.startsWith(prefix))
            return true;
    return false;
}

std::set<QString> ProgramTextKeys()
{
    std::set<QString> keys;
    for (const TextKey &key : AllTextKeys())
        keys.insert(key);
    return keys;
}

// The entries of one file as the storage reads its lines: key -> value, as written.
struct RawFile
{
    std::map<QString, QString> entries;
    QStringList problems;   // stray lines, repeated keys
};

RawFile ReadRaw(int lcid)
{
    RawFile raw;
    TWideStringList lines;
    const QString path = kLanguageRoot + QStringLiteral("/%1/").arg(lcid) + kFileName;
    if (!lines.LoadFromFile(path)) {
        raw.problems << QStringLiteral("cannot read ") + path;
        return raw;
    }
    for (const QString &line : lines.Lines()) {
        const auto [key, value] = TWideStringList::SplitLine(line);
        if (key.isEmpty())
            raw.problems << QStringLiteral("line without a key: \"%1\"").arg(line);
        else if (!raw.entries.emplace(key, value).second)
            raw.problems << QStringLiteral("key given twice: ") + key;
    }
    return raw;
}

// The placeholders and line-break markers of a text, in order: "%s", "%d", "%1", "<BR>" ...
QStringList MarkerList(const QString &text)
{
    static const QRegularExpression marker(
        QStringLiteral("%[-+ #0]*\\d*(?:\\.\\d+)?[sdiuxXfgeEcp%]|%\\d+|<[Bb][Rr]>"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();) {
        // "<br>" and "<BR>" break the line alike; "%S" is no "%s".
        const QString match = it.next().captured();
        found << (match.startsWith(u'<') ? match.toUpper() : match);
    }
    return found;
}

// The same as one printable text, markers separated by blanks.
std::string Markers(const QString &text)
{
    return MarkerList(text).join(u' ').toStdString();
}

std::string Listed(const std::set<QString> &keys)
{
    QStringList list(keys.begin(), keys.end());
    return list.join(u'\n').toStdString();
}

class ShippedLanguageFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        storage.SetAutoDetect(true);
        storage.SetFileName(kFileName);
        storage.SetLanguagePath(kLanguageRoot);
    }

    THashLangFileStorage storage;
};

} // namespace

TEST_F(ShippedLanguageFiles, TheTenLanguagesAreDetectedEachFromItsOwnFolderAsUtf8WithMarker)
{
    std::set<int> detected;
    for (int i = 0; i < storage.Languages().Count(); ++i) {
        const TLanguageItem &language = storage.Languages()[i];
        detected.insert(static_cast<int>(language.FLanguageID));
        EXPECT_FALSE(language.FLanguageName.isEmpty()) << language.FLanguageID << " has no !LanguageName";
    }
    std::set<int> known;
    for (const KnownLanguage &language : kKnownLanguages) {
        known.insert(language.languageId);
        QFile file(kLanguageRoot + QStringLiteral("/%1/").arg(language.languageId) + kFileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        EXPECT_TRUE(file.read(3) == "\xEF\xBB\xBF") << language.languageId << ": not UTF-8 with a byte-order mark";
    }
    EXPECT_EQ(detected, known);
    EXPECT_EQ(storage.Languages().Count(), 10) << "a folder declares another folder's language";
}

TEST_F(ShippedLanguageFiles, EveryTextOfTheProgramHasAnEntryInEveryLanguage)
{
    ASSERT_GT(storage.Languages().Count(), 0);
    for (int i = 0; i < storage.Languages().Count(); ++i) {
        storage.SetCurrentLanguageIndex(i);
        const auto lcid = storage.Languages()[i].FLanguageID;
        QStringList missing;
        for (const TextKey &key : AllTextKeys()) {
            QString value;
            if (!storage.GetString(key, value) || value.isEmpty())
                missing << key;
        }
        EXPECT_TRUE(missing.isEmpty()) << lcid << " lacks:\n  " << missing.join(QStringLiteral("\n  ")).toStdString();
    }
}

TEST_F(ShippedLanguageFiles, NoFileHasAnEntryTheProgramNeverAsksFor)
{
    const std::set<QString> textKeys = ProgramTextKeys();
    std::set<QString> englishComponents;
    for (const KnownLanguage &language : kKnownLanguages) {
        const RawFile raw = ReadRaw(language.languageId);
        EXPECT_TRUE(raw.problems.isEmpty()) << language.languageId << ":\n  "
                                            << raw.problems.join(QStringLiteral("\n  ")).toStdString();
        QStringList unknown;
        std::set<QString> components;
        for (const auto &[key, value] : raw.entries) {
            if (IsComponentKey(key))
                components.insert(key);
            else if (!textKeys.count(key) && !kHeaderKeys.contains(key))
                unknown << key;
        }
        EXPECT_TRUE(unknown.isEmpty()) << language.languageId << " has entries nobody asks for:\n  "
                                       << unknown.join(QStringLiteral("\n  ")).toStdString();
        // Every language translates the same windows' components as English.
        if (language.languageId == kDefaultLanguageId)
            englishComponents = components;
        else
            EXPECT_EQ(Listed(components), Listed(englishComponents)) << language.languageId;
    }
    EXPECT_FALSE(englishComponents.empty());
}

TEST_F(ShippedLanguageFiles, PlaceholdersAndLineBreaksAreThoseOfEnglish)
{
    const RawFile english = ReadRaw(kDefaultLanguageId);
    ASSERT_FALSE(english.entries.empty());
    // The English file is the program's own wording: its values repeat the keys' markers.
    for (const TextKey &key : AllTextKeys()) {
        const auto entry = english.entries.find(key);
        if (entry != english.entries.end()) {
            EXPECT_EQ(Markers(entry->second), Markers(key)) << entry->first.toStdString();
        }
    }
    for (const KnownLanguage &language : kKnownLanguages) {
        const RawFile raw = ReadRaw(language.languageId);
        for (const auto &[key, value] : raw.entries) {
            const auto original = english.entries.find(key);
            if (original == english.entries.end() || key.startsWith(u'!'))
                continue;
            EXPECT_EQ(Markers(value), Markers(original->second))
                << language.languageId << " " << key.toStdString() << "=" << value.toStdString();
        }
    }
}

TEST(ShippedLanguageMarkers, FindsPrintfPlaceholdersNumberedArgumentsAndLineBreaks)
{
    EXPECT_EQ(Markers(QStringLiteral("Cannot create file \"%s\". %s")), "%s %s");
    EXPECT_EQ(Markers(QStringLiteral("%d of %5.2f%% %1<br>x<BR>")), "%d %5.2f %% %1 <BR> <BR>");
    EXPECT_NE(Markers(QStringLiteral("%S")), Markers(QStringLiteral("%s")));
    EXPECT_EQ(Markers(QStringLiteral("65535 results, 100 percent")), "");
}
