#pragma once
// The string table of one language: UTF-16 key -> UTF-16 value, keys matched exactly
// (ordinal, case-sensitive, no trimming).
//
// An open-addressing table with linear probing. It starts with a given number of slots and is
// only rebuilt when every slot is taken and a new key arrives; it then gets (entries x growth
// factor) slots. The hash of a key is h = h * 33 + c over its UTF-16 code units, from 0, in
// 32-bit arithmetic, with the sign bit cleared, reduced modulo the number of slots.
//
// Not thread-safe; the language engine uses it on the GUI thread only.

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

class TWideStrToWideStrHashMap
{
public:
    static constexpr int kDefaultListLength = 1024;
    static constexpr int kDefaultIncSize = 2;

    // listLength below 1 counts as 1, incSize below 2 as 2 (the table must be able to grow).
    explicit TWideStrToWideStrHashMap(int listLength = kDefaultListLength, int incSize = kDefaultIncSize);

    // Adds key with value, or replaces the value of an existing key.
    void Put(const QString &key, const QString &value);

    // The value stored for key, or nullptr. The pointer is valid until the next Put or Clear.
    const QString *Find(QStringView key) const;
    bool Contains(QStringView key) const { return Find(key) != nullptr; }

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(slots_.size()); }

    // Removes every entry and returns to the initial number of slots.
    void Clear();

    static std::uint32_t Hash(QStringView key);

private:
    struct Slot
    {
        QString key;
        QString value;
        bool used = false;
    };

    // Slot holding key, else the first free slot on its probe path, else -1 (table full).
    int probe(QStringView key) const;
    void rebuild(std::size_t slotCount);

    std::vector<Slot> slots_;
    int listLength_;
    int incSize_;
    int count_ = 0;
};
