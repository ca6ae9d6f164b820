#include "meter/BufQuery.h"
#include "meter/MeterRecordQuery.h"

#include <gtest/gtest.h>

#include <thread>

TEST(TBufQuery, PopOnEmptyQueueLeavesTheVariableAlone)
{
    TBufQuery queue;
    QString s = QStringLiteral("kept");
    EXPECT_FALSE(queue.Pop(s));
    EXPECT_EQ(s, QStringLiteral("kept"));
    EXPECT_EQ(queue.Count(), 0);
}

TEST(TBufQuery, TextsComeOutInPushOrderAndTheQueueEndsEmpty)
{
    TBufQuery queue;
    queue.Push(QStringLiteral("A"));
    queue.Push(QStringLiteral("B"));
    EXPECT_EQ(queue.Count(), 2);
    QString s;
    ASSERT_TRUE(queue.Pop(s));
    EXPECT_EQ(s, QStringLiteral("A"));
    ASSERT_TRUE(queue.Pop(s));
    EXPECT_EQ(s, QStringLiteral("B"));
    EXPECT_FALSE(queue.Pop(s));
    EXPECT_EQ(s, QStringLiteral("B"));
    EXPECT_EQ(queue.Count(), 0);
}

TEST(TBufQuery, EmptyDropsEverythingAndTheQueueWorksAfterwards)
{
    TBufQuery queue;
    for (const char *text : {"1", "2", "3"})
        queue.Push(QString::fromLatin1(text));
    queue.Empty();
    EXPECT_EQ(queue.Count(), 0);
    queue.Push(QStringLiteral("new"));
    EXPECT_EQ(queue.Count(), 1);
    QString s;
    ASSERT_TRUE(queue.Pop(s));
    EXPECT_EQ(s, QStringLiteral("new"));
    EXPECT_FALSE(queue.Pop(s));
}

TEST(TBufQuery, EmptyTextIsAValidElement)
{
    TBufQuery queue;
    queue.Push(QString());
    QString s = QStringLiteral("x");
    ASSERT_TRUE(queue.Pop(s));
    EXPECT_TRUE(s.isEmpty());
}

TEST(TBufQuery, PushedTextIsACopy)
{
    TBufQuery queue;
    QString original = QStringLiteral("abc");
    queue.Push(original);
    original[0] = u'z';
    QString s;
    ASSERT_TRUE(queue.Pop(s));
    EXPECT_EQ(s, QStringLiteral("abc"));
}

TEST(TBufQuery, ProducerAndConsumerThreadsLoseNothingAndKeepOrder)
{
    TBufQuery queue;
    constexpr int kCount = 20000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i)
            queue.Push(QString::number(i));
    });
    int expected = 0;
    QString s;
    while (expected < kCount) {
        if (queue.Pop(s)) {
            ASSERT_EQ(s.toInt(), expected);
            ++expected;
        } else {
            (void)queue.Count();
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(queue.Count(), 0);
}

TEST(TMeterRecordQuery, PopOnEmptyQueueWritesNothing)
{
    TMeterRecordQuery queue;
    QString d = "d0", t = "t0", i = "i0", h = "h0", c = "c0";
    EXPECT_FALSE(queue.Pop(d, t, i, h, c));
    EXPECT_EQ(d, "d0");
    EXPECT_EQ(t, "t0");
    EXPECT_EQ(i, "i0");
    EXPECT_EQ(h, "h0");
    EXPECT_EQ(c, "c0");
}

TEST(TMeterRecordQuery, FieldsKeepTheirPlacesAndEntriesTheirOrder)
{
    TMeterRecordQuery queue;
    queue.Push("d", "t", "i", "h", "c");
    queue.Push("d2", "t2", "i2", "h2", "");
    EXPECT_EQ(queue.Count(), 2);
    QString d, t, i, h, c;
    ASSERT_TRUE(queue.Pop(d, t, i, h, c));
    EXPECT_EQ(d, "d");
    EXPECT_EQ(t, "t");
    EXPECT_EQ(i, "i");
    EXPECT_EQ(h, "h");
    EXPECT_EQ(c, "c");
    ASSERT_TRUE(queue.Pop(d, t, i, h, c));
    EXPECT_EQ(d, "d2");
    EXPECT_EQ(t, "t2");
    EXPECT_EQ(i, "i2");
    EXPECT_EQ(h, "h2");
    EXPECT_TRUE(c.isEmpty());
    EXPECT_FALSE(queue.Pop(d, t, i, h, c));
    EXPECT_EQ(queue.Count(), 0);
}

TEST(TMeterRecordQuery, EmptyDropsEverythingAndTheQueueWorksAfterwards)
{
    TMeterRecordQuery queue;
    for (int n = 0; n < 3; ++n)
        queue.Push("d", "t", "i", "h", QString::number(n));
    queue.Empty();
    EXPECT_EQ(queue.Count(), 0);
    queue.Push("a", "b", "c", "d", "e");
    QString d, t, i, h, c;
    ASSERT_TRUE(queue.Pop(d, t, i, h, c));
    EXPECT_EQ(c, "e");
    EXPECT_FALSE(queue.Pop(d, t, i, h, c));
}

TEST(TMeterRecordQuery, ProducerAndConsumerThreadsLoseNothingAndKeepOrder)
{
    TMeterRecordQuery queue;
    constexpr int kCount = 20000;
    std::thread producer([&] {
        for (int n = 0; n < kCount; ++n)
            queue.Push("d", "t", QString::number(n), "h", "c");
    });
    int expected = 0;
    QString d, t, i, h, c;
    while (expected < kCount) {
        if (queue.Pop(d, t, i, h, c)) {
            ASSERT_EQ(i.toInt(), expected);
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(queue.Count(), 0);
}
