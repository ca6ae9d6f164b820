#include "comm/CommTimeouts.h"

#include <gtest/gtest.h>

namespace {

TCommTimeouts Timeouts(std::uint32_t interval, std::uint32_t multiplier, std::uint32_t constant)
{
    TCommTimeouts t;
    t.ReadIntervalTimeout = interval;
    t.ReadTotalTimeoutMultiplier = multiplier;
    t.ReadTotalTimeoutConstant = constant;
    return t;
}

} // namespace

TEST(DecideRead, InitialTimeoutsWaitForeverForTheFirstByteThenUseTheInterval)
{
    const TCommTimeouts t;
    ReadWait w = DecideRead(t, 128, 0, 3'600'000, 0);
    EXPECT_FALSE(w.complete);
    EXPECT_EQ(w.waitMs, -1);

    w = DecideRead(t, 128, 5, 500, 30);
    EXPECT_FALSE(w.complete);
    EXPECT_EQ(w.waitMs, 70);
    EXPECT_TRUE(DecideRead(t, 128, 5, 500, 100).complete);
    EXPECT_TRUE(DecideRead(t, 128, 128, 0, 0).complete);
    EXPECT_TRUE(DecideRead(t, 128, 200, 0, 0).complete);
}

TEST(DecideRead, TotalTimeoutCountsFromTheStartAndMayEndEmpty)
{
    const TCommTimeouts t = Timeouts(0, 10, 50); // 10 ms a byte + 50 ms
    ReadWait w = DecideRead(t, 4, 0, 0, 0);
    EXPECT_FALSE(w.complete);
    EXPECT_EQ(w.waitMs, 90);
    EXPECT_TRUE(DecideRead(t, 4, 0, 90, 0).complete);
    // No interval timeout: a long gap does not end it early.
    w = DecideRead(t, 4, 2, 60, 60);
    EXPECT_FALSE(w.complete);
    EXPECT_EQ(w.waitMs, 30);
}

TEST(DecideRead, IntervalAndTotalTogetherTakeTheEarlier)
{
    const TCommTimeouts t = Timeouts(100, 0, 250);
    ReadWait w = DecideRead(t, 10, 1, 200, 0);
    EXPECT_EQ(w.waitMs, 50);
    w = DecideRead(t, 10, 1, 20, 10);
    EXPECT_EQ(w.waitMs, 90);
    EXPECT_TRUE(DecideRead(t, 10, 1, 250, 10).complete);
}

TEST(DecideRead, MaximumIntervalAloneReturnsAtOnce)
{
    const TCommTimeouts t = Timeouts(kMaxTimeout, 0, 0);
    EXPECT_TRUE(DecideRead(t, 128, 0, 0, 0).complete);
    EXPECT_TRUE(DecideRead(t, 128, 3, 0, 0).complete);
}

TEST(DecideRead, MaximumIntervalAndMultiplierReturnOnTheFirstByte)
{
    const TCommTimeouts t = Timeouts(kMaxTimeout, kMaxTimeout, 500);
    ReadWait w = DecideRead(t, 128, 0, 100, 0);
    EXPECT_FALSE(w.complete);
    EXPECT_EQ(w.waitMs, 400);
    EXPECT_TRUE(DecideRead(t, 128, 1, 100, 0).complete);
    EXPECT_TRUE(DecideRead(t, 128, 0, 500, 0).complete);
}

TEST(DecideRead, HugeTotalsDoNotOverflow)
{
    const TCommTimeouts t = Timeouts(0, 0xFFFFFFFEu, 0xFFFFFFFEu);
    const ReadWait w = DecideRead(t, 65535, 0, 0, 0);
    EXPECT_FALSE(w.complete);
    EXPECT_EQ(w.waitMs, static_cast<std::int64_t>(0xFFFFFFFEu) * 65535 + 0xFFFFFFFEu);
}
