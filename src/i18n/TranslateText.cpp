#include "i18n/TranslateText.h"

#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"
#include "i18n/TextKeys.h"

#include <cstdint>
#include <iterator>

namespace {

TLangManager *currentManager = nullptr;

char16_t asciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

QString asciiUpperCase(const QString &text)
{
    QString result = text;
    for (QChar &c : result)
        c = QChar(asciiUpper(c.unicode()));
    return result;
}

// First character upper-cased, all others lower-cased.
QString asciiCapitalised(const QString &text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i)
        result[i] = QChar(i == 0 ? asciiUpper(result[i].unicode()) : asciiLower(result[i].unicode()));
    return result;
}

struct ReceivedRecordsRow
{
    int languageId;
    const char16_t *before;
    const char16_t *after;
};

// The last row serves every identifier that has none of its own.
constexpr ReceivedRecordsRow kReceivedRecords[] = {
    {1031, u"", u" Datensätze empfangen."},
    {1033, u"Received ", u" records."},
    {1034, u"Se recibieron ", u" registros."},
    {1035, u"Saatu ", u" tietuetta."},
    {1036, u"", u" enregistrements obtenus."},
    {1040, u"Ricevuti ", u" record."},
    {1043, u"", u" records ontvangen."},
    {1045, u"Odebrano ", u" rekordów."},
    {1053, u"Mottagit ", u" uppgifter."},
    {2070, u"Registos ", u" recebidos."},
    {0, u"Received ", u" records."},
};

} // namespace

const std::array<KnownLanguage, 10> kKnownLanguages = {{
    {1, TextKeys::kEnglish.english, 1033},
    {2, TextKeys::kGerman.english, 1031},
    {3, TextKeys::kSpanish.english, 1034},
    {4, TextKeys::kItalian.english, 1040},
    {5, TextKeys::kPortuguese.english, 2070},
    {6, TextKeys::kFrench.english, 1036},
    {7, TextKeys::kFinnish.english, 1035},
    {8, TextKeys::kPolish.english, 1045},
    {9, TextKeys::kDutch.english, 1043},
    {10, TextKeys::kSwedish.english, 1053},
}};

const KnownLanguage *KnownLanguageAtPosition(int position)
{
    for (const KnownLanguage &language : kKnownLanguages)
        if (language.position == position)
            return &language;
    return nullptr;
}

const KnownLanguage *KnownLanguageWithId(int languageId)
{
    for (const KnownLanguage &language : kKnownLanguages)
        if (language.languageId == languageId)
            return &language;
    return nullptr;
}

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
    if (text.isEmpty())
        return QString();

    QString result = currentManager->Translate(text);
    if (!result.isEmpty())
        return result;

    result = currentManager->Translate(asciiCapitalised(text));
    if (!result.isEmpty())
        return result;

    if (text.endsWith(u':')) {
        result = currentManager->Translate(text.chopped(1));
        return result.isEmpty() ? text : result + u':';
    }

    result = currentManager->Translate(asciiUpperCase(text));
    return result.isEmpty() ? text : result;
}

QString ReceivedRecordsText(int languageId, const QString &countText)
{
    const ReceivedRecordsRow *row = &kReceivedRecords[std::size(kReceivedRecords) - 1];
    for (const ReceivedRecordsRow &candidate : kReceivedRecords) {
        if (candidate.languageId == languageId && candidate.languageId != 0) {
            row = &candidate;
            break;
        }
    }
    return QString::fromUtf16(row->before) + countText + QString::fromUtf16(row->after);
}

int FindHSFileLanguageIndex(const THashLangFileStorage &storage, int languageId)
{
    const TLanguageCollection &languages = storage.Languages();
    for (int i = 0; i < languages.Count(); ++i)
        if (static_cast<std::int64_t>(languages[i].FLanguageID) == languageId)
            return i;
    return 0;
}

QString TranslateWithArguments(const QString &key, const QStringList &arguments)
{
    const QString format = TranslateText(key);
    QString result;
    result.reserve(format.size() + 64);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's') {
            if (next < arguments.size())
                result += arguments[next];
            ++next;
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}
