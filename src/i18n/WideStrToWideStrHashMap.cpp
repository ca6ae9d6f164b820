#include "i18n/WideStrToWideStrHashMap.h"

#include <algorithm>
#include <limits>
#include <utility>

TWideStrToWideStrHashMap::TWideStrToWideStrHashMap(int listLength, int incSize)
    : listLength_(std::max(listLength, 1)), incSize_(std::max(incSize, 2))
{
    slots_.resize(static_cast<std::size_t>(listLength_));
}

std::uint32_t TWideStrToWideStrHashMap::Hash(QStringView key)
{
    std::uint32_t h = 0;
    for (const QChar c : key)
        h = h * 33u + c.unicode();
    return h & 0x7FFFFFFFu;
}

int TWideStrToWideStrHashMap::probe(QStringView key) const
{
    const std::size_t size = slots_.size();
    std::size_t index = Hash(key) % size;
    for (std::size_t step = 0; step < size; ++step) {
        const Slot &slot = slots_[index];
        if (!slot.used || slot.key == key)
            return static_cast<int>(index);
        if (++index == size)
            index = 0;
    }
    return -1;
}

void TWideStrToWideStrHashMap::rebuild(std::size_t slotCount)
{
    std::vector<Slot> old(slotCount);
    old.swap(slots_);
    for (Slot &slot : old) {
        if (!slot.used)
            continue;
        const int index = probe(slot.key);
        slots_[static_cast<std::size_t>(index)] = std::move(slot);
    }
}

void TWideStrToWideStrHashMap::Put(const QString &key, const QString &value)
{
    int index = probe(key);
    if (index < 0) {
        // Every slot is taken and key is new: grow by the factor, then place it.
        constexpr std::size_t limit = static_cast<std::size_t>(std::numeric_limits<int>::max());
        const std::size_t wanted = static_cast<std::size_t>(count_) * static_cast<std::size_t>(incSize_);
        rebuild(std::min(wanted, limit));
        index = probe(key);
        if (index < 0)
            return;   // cannot grow beyond the int range; the entry is dropped
    }
    Slot &slot = slots_[static_cast<std::size_t>(index)];
    if (!slot.used) {
        slot.used = true;
        slot.key = key;
        ++count_;
    }
    slot.value = value;
}

const QString *TWideStrToWideStrHashMap::Find(QStringView key) const
{
    const int index = probe(key);
    if (index < 0)
        return nullptr;
    const Slot &slot = slots_[static_cast<std::size_t>(index)];
    return slot.used ? &slot.value : nullptr;
}

void TWideStrToWideStrHashMap::Clear()
{
    slots_.clear();
    slots_.resize(static_cast<std::size_t>(listLength_));
    count_ = 0;
}
