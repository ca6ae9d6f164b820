// Look-ups in a language's string table of 2,000 entries: hits, misses (which walk the
// probe cluster of a table that only grows when full), TranslateText with its fall-backs,
// and the load of the file itself. items_per_second is look-ups (or loads) per second.
#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"
#include "i18n/TranslateText.h"
#include "i18n/WideStrToWideStrHashMap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kEntries = 2000;

QString keyNumber(int i)
{
    // Component keys and free texts, as a real file mixes them.
    return (i % 2) ? QStringLiteral("TfrmMain.Component%1.Caption").arg(i)
                   : QStringLiteral("Free text number %1 of the program").arg(i);
}

// A language root with one 2,000-entry file, loaded into a storage and a manager.
struct Language
{
    Language()
    {
        QDir().mkpath(dir.path() + "/1031");
        QFile file(dir.path() + "/1031/KELO_HB_METER.txt");
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the language file");
        QString text = QStringLiteral("!LanguageID=1031\r\n");
        for (int i = 0; i < kEntries - 1; ++i)
            text += keyNumber(i) + u'=' + QStringLiteral("Wert %1").arg(i) + QStringLiteral("\r\n");
        file.write("\xEF\xBB\xBF" + text.toUtf8());
        file.close();
        storage.SetAutoDetect(true);
        storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
        storage.SetLanguagePath(dir.path());
        manager.SetCurrentLanguageIndex(0);
        for (int i = 0; i < kEntries - 1; ++i) {
            hits.push_back(keyNumber(i));
            misses.push_back(keyNumber(i) + QStringLiteral(" (missing)"));
        }
    }

    QTemporaryDir dir;
    THashLangFileStorage storage;
    TLangManager manager{&storage};
    std::vector<QString> hits;
    std::vector<QString> misses;
};

Language &language()
{
    static Language instance;
    return instance;
}

void BM_GetStringHit(benchmark::State &state)
{
    Language &lang = language();
    QString value;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lang.storage.GetString(lang.hits[i], value));
        if (++i == lang.hits.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["entries"] = lang.storage.StringTable()->Count();
    state.counters["slots"] = lang.storage.StringTable()->Capacity();
}
BENCHMARK(BM_GetStringHit);

void BM_GetStringMiss(benchmark::State &state)
{
    Language &lang = language();
    QString value;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lang.storage.GetString(lang.misses[i], value));
        if (++i == lang.misses.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetStringMiss);

void BM_TranslateTextHit(benchmark::State &state)
{
    Language &lang = language();
    SetTranslationManager(&lang.manager);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TranslateText(lang.hits[i]));
        if (++i == lang.hits.size())
            i = 0;
    }
    SetTranslationManager(nullptr);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TranslateTextHit);

// A text with no entry: three look-ups before the text itself comes back.
void BM_TranslateTextMiss(benchmark::State &state)
{
    Language &lang = language();
    SetTranslationManager(&lang.manager);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TranslateText(lang.misses[i]));
        if (++i == lang.misses.size())
            i = 0;
    }
    SetTranslationManager(nullptr);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TranslateTextMiss);

// The table alone, filled with 2,000 keys from the default 1,024 slots.
void BM_TableFill(benchmark::State &state)
{
    Language &lang = language();
    for (auto _ : state) {
        TWideStrToWideStrHashMap table;
        for (const QString &key : lang.hits)
            table.Put(key, key);
        benchmark::DoNotOptimize(table.Count());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(lang.hits.size()));
}
BENCHMARK(BM_TableFill);

// A language change: the file is read and the table rebuilt.
void BM_LoadLanguage(benchmark::State &state)
{
    Language &lang = language();
    for (auto _ : state)
        lang.storage.SetCurrentLanguageIndex(0);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoadLanguage)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
