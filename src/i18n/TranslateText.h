#pragma once
// The program's translate-one-text operation, the received-records message and the table of
// the ten languages the program knows.

#include <QString>

#include <array>

class TLangManager;

// English text -> text in the current language, with the fall-backs of the language engine.
// Returns text unchanged while no language manager is installed. GUI thread.
QString TranslateText(const QString &text);

// "Received 12 records." in the language with that identifier (not translated further).
QString ReceivedRecordsText(int languageId, const QString &countText);

// The language manager TranslateText asks (the data module installs its LanMan on creation
// and removes it on destruction). Not owned.
void SetTranslationManager(TLangManager *manager);
TLangManager *TranslationManager();

// The ten languages in menu order.
struct KnownLanguage
{
    int position;           // 1 to 10
    const char *captionKey; // "English", "German", ... (a TranslateText key)
    int languageId;         // Windows language identifier
};
extern const std::array<KnownLanguage, 10> kKnownLanguages;
