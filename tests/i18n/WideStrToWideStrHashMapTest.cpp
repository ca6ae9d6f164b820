#include "i18n/WideStrToWideStrHashMap.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <random>

namespace {

std::uint32_t referenceHash(const QString &key)
{
    std::uint64_t h = 0;
    for (const QChar c : key)
        h = (h * 33 + c.unicode()) & 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(h) & 0x7FFFFFFFu;
}

QString keyNumber(int i) { return QStringLiteral("TfrmMain.Key%1.Caption").arg(i); }

} // namespace

TEST(WideStrToWideStrHashMap, HashIsTimes33PlusCodeUnitIn32BitsWithoutSign)
{
    EXPECT_EQ(TWideStrToWideStrHashMap::Hash(u""), 0u);
    EXPECT_EQ(TWideStrToWideStrHashMap::Hash(u"A"), 65u);
    EXPECT_EQ(TWideStrToWideStrHashMap::Hash(u"AB"), 65u * 33 + 66);
    // Code units, not bytes or code points: a character outside the BMP counts as two units.
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    EXPECT_EQ(TWideStrToWideStrHashMap::Hash(emoji), 0xD83Du * 33 + 0xDE00u);
    // Long keys wrap around 32 bits and never come out negative.
    std::mt19937 random(7);
    for (int n = 0; n < 200; ++n) {
        QString key;
        for (int i = 0; i < 40; ++i)
            key += QChar(char16_t(random() % 0xD000 + 1));
        const std::uint32_t h = TWideStrToWideStrHashMap::Hash(key);
        EXPECT_EQ(h, referenceHash(key));
        EXPECT_LT(h, 0x80000000u);
    }
}

TEST(WideStrToWideStrHashMap, KeysMatchExactly)
{
    TWideStrToWideStrHashMap map;
    map.Put(QStringLiteral("Start"), QStringLiteral("Starten"));
    EXPECT_EQ(*map.Find(u"Start"), QStringLiteral("Starten"));
    EXPECT_EQ(map.Find(u"start"), nullptr);
    EXPECT_EQ(map.Find(u"START"), nullptr);
    EXPECT_EQ(map.Find(u"Start "), nullptr);
    EXPECT_EQ(map.Find(u" Start"), nullptr);
}

TEST(WideStrToWideStrHashMap, LaterPutReplacesValueWithoutNewEntry)
{
    TWideStrToWideStrHashMap map;
    map.Put(QStringLiteral("Start"), QStringLiteral("first"));
    map.Put(QStringLiteral("Start"), QStringLiteral("second"));
    EXPECT_EQ(map.Count(), 1);
    EXPECT_EQ(*map.Find(u"Start"), QStringLiteral("second"));
}

TEST(WideStrToWideStrHashMap, EmptyKeyAndEmptyValueAreEntries)
{
    TWideStrToWideStrHashMap map;
    map.Put(QString(), QString());
    map.Put(QStringLiteral("Empty"), QString());
    ASSERT_NE(map.Find(u""), nullptr);
    ASSERT_NE(map.Find(u"Empty"), nullptr);
    EXPECT_TRUE(map.Find(u"Empty")->isEmpty());
    EXPECT_EQ(map.Count(), 2);
}

TEST(WideStrToWideStrHashMap, GrowsOnlyWhenFullThenDoubles)
{
    TWideStrToWideStrHashMap map;   // 1024 slots, factor 2
    for (int i = 0; i < 1024; ++i)
        map.Put(keyNumber(i), QString::number(i));
    EXPECT_EQ(map.Capacity(), 1024);
    EXPECT_EQ(map.Count(), 1024);
    // Replacing in a full table does not grow it.
    map.Put(keyNumber(5), QStringLiteral("five"));
    EXPECT_EQ(map.Capacity(), 1024);
    map.Put(keyNumber(1024), QStringLiteral("1024"));
    EXPECT_EQ(map.Capacity(), 2048);
    EXPECT_EQ(map.Count(), 1025);
    for (int i = 0; i <= 1024; ++i) {
        const QString *value = map.Find(keyNumber(i));
        ASSERT_NE(value, nullptr) << i;
        EXPECT_EQ(*value, i == 5 ? QStringLiteral("five") : QString::number(i));
    }
}

TEST(WideStrToWideStrHashMap, GrowthUsesEntriesTimesFactor)
{
    TWideStrToWideStrHashMap map(3, 3);
    for (int i = 0; i < 3; ++i)
        map.Put(keyNumber(i), QString());
    EXPECT_EQ(map.Capacity(), 3);
    map.Put(keyNumber(3), QString());
    EXPECT_EQ(map.Capacity(), 9);
    // Settings that could never grow are raised to the smallest that can.
    TWideStrToWideStrHashMap tiny(0, 1);
    tiny.Put(QStringLiteral("a"), QString());
    tiny.Put(QStringLiteral("b"), QString());
    EXPECT_EQ(tiny.Capacity(), 2);
    EXPECT_NE(tiny.Find(u"a"), nullptr);
    EXPECT_NE(tiny.Find(u"b"), nullptr);
}

TEST(WideStrToWideStrHashMap, MissingKeyInFullTableIsNotFound)
{
    TWideStrToWideStrHashMap map(4, 2);
    for (int i = 0; i < 4; ++i)
        map.Put(keyNumber(i), QString::number(i));
    ASSERT_EQ(map.Capacity(), 4);
    EXPECT_EQ(map.Find(u"absent"), nullptr);
}

TEST(WideStrToWideStrHashMap, CollidingKeysProbeLinearlyAndWrap)
{
    // Keys with the same hash modulo 8: all land on one slot and probe past the table's end.
    TWideStrToWideStrHashMap map(8, 2);
    QStringList keys;
    for (int i = 0; keys.size() < 6; ++i) {
        const QString key = keyNumber(i);
        if (TWideStrToWideStrHashMap::Hash(key) % 8 == 7)
            keys.append(key);
    }
    for (const QString &key : keys)
        map.Put(key, key + u'!');
    for (const QString &key : keys) {
        ASSERT_NE(map.Find(key), nullptr);
        EXPECT_EQ(*map.Find(key), key + u'!');
    }
    EXPECT_EQ(map.Capacity(), 8);
}

TEST(WideStrToWideStrHashMap, ClearReturnsToInitialSize)
{
    TWideStrToWideStrHashMap map(2, 2);
    for (int i = 0; i < 5; ++i)
        map.Put(keyNumber(i), QString());
    map.Clear();
    EXPECT_EQ(map.Count(), 0);
    EXPECT_EQ(map.Capacity(), 2);
    EXPECT_EQ(map.Find(keyNumber(1)), nullptr);
}
