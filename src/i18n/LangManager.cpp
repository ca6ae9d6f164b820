#include "i18n/LangManager.h"

#include "i18n/HashLangFileStorage.h"

#include <algorithm>

namespace {

TLangManager::TranslationWalk &DefaultWalk()
{
    static TLangManager::TranslationWalk walk;
    return walk;
}

} // namespace

TLangManager::TLangManager(THashLangFileStorage *storage) : FLanguageStorage(storage), walk_(DefaultWalk()) {}

void TLangManager::SetDefaultTranslationWalk(TranslationWalk walk)
{
    DefaultWalk() = std::move(walk);
}

void TLangManager::SetCurrentLanguageIndex(int i)
{
    FCurrentLanguageIndex = i;
    if (FLanguageStorage && i >= 0 && i < FLanguageStorage->Languages().Count()) {
        FLanguageStorage->SetCurrentLanguageIndex(i);
        // A listener may remove itself; run over a copy.
        const auto listeners = listeners_;
        for (const auto &entry : listeners)
            entry.second();
    }
    if (FAutoTranslate && walk_) {
        const TranslationWalk walk = walk_;
        walk(*this);
    }
}

QString TLangManager::TranslateString(const QString &src)
{
    if (!FLanguageStorage)
        return QString();
    if (FLanguageStorage->CurrentLanguageIndex() != FCurrentLanguageIndex)
        FLanguageStorage->SetCurrentLanguageIndex(FCurrentLanguageIndex);
    QString value;
    FLanguageStorage->GetString(src, value);
    return value;
}

int TLangManager::AddLanguageChangeListener(LanguageChangeListener listener)
{
    const int id = nextListenerId_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void TLangManager::RemoveLanguageChangeListener(int id)
{
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                    [id](const auto &entry) { return entry.first == id; }),
                     listeners_.end());
}
