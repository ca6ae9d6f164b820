#pragma once
// The program's translate-one-text operation, the received-records message and the table of
// the ten languages the program knows.

#include <QString>
#include <QStringList>

#include <array>

class TLangManager;
class THashLangFileStorage;

// English text -> text in the current language. Returns text unchanged while no language
// manager is installed; otherwise, in this order: the empty text for an empty text; the entry
// of text; the entry of text with its first letter upper-cased and the rest lower-cased; for a
// text ending in ":", the entry of the text without the colon followed by ":" (or text itself
// when there is none); else the entry of text upper-cased; else text. Case changes touch only
// the ASCII letters; an empty entry counts as missing. GUI thread.
QString TranslateText(const QString &text);

// TranslateText(key) with each "%s" replaced by the next argument, in order (a "%s" with no
// argument left becomes nothing). The arguments themselves are not translated.
QString TranslateWithArguments(const QString &key, const QStringList &arguments);

// "Received 12 records." in the language with that identifier (the English row for an
// identifier outside the table). Not translated further.
QString ReceivedRecordsText(int languageId, const QString &countText);

// The position in the storage's detected languages of the first one with that identifier;
// 0 when there is none (also when nothing was detected).
int FindHSFileLanguageIndex(const THashLangFileStorage &storage, int languageId);

// The language manager TranslateText asks (the data module installs its LanMan on creation
// and removes it on destruction). Not owned.
void SetTranslationManager(TLangManager *manager);
TLangManager *TranslationManager();

// The ten languages in menu order.
struct KnownLanguage
{
    int position;           // 1 to 10
    const char *captionKey; // "English", "German", ...: the text of TextKeys::kEnglish, ...
    int languageId;         // Windows language identifier
};
extern const std::array<KnownLanguage, 10> kKnownLanguages;

// The row of kKnownLanguages with that position (1 to 10) or identifier; nullptr when none.
const KnownLanguage *KnownLanguageAtPosition(int position);
const KnownLanguage *KnownLanguageWithId(int languageId);

// The identifier the program uses when the settings name none.
inline constexpr int kDefaultLanguageId = 1033;
