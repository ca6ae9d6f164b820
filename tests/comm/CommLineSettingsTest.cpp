#include "comm/CommLineSettings.h"

#include <gtest/gtest.h>

TEST(LineCounters, ErrorsAndModemEventsComeFromCounterChanges)
{
    LineCounters before;
    before.frame = 3;
    before.ring = 7;
    LineCounters after = before;
    EXPECT_EQ(LineErrorFlags(before, after), 0u);
    EXPECT_EQ(ModemEventBits(before, after), 0u);

    after.frame = 4;
    after.overrun = 1;
    EXPECT_EQ(LineErrorFlags(before, after), CE_FRAME | CE_OVERRUN);
    after = before;
    after.parity = 1;
    after.bufOverrun = 2;
    after.brk = 1;
    EXPECT_EQ(LineErrorFlags(before, after), CE_RXPARITY | CE_RXOVER | CE_BREAK);
    // Counters wrap; a change is a change.
    before.frame = 0xFFFFFFFFu;
    after = before;
    after.frame = 0;
    EXPECT_EQ(LineErrorFlags(before, after), CE_FRAME);

    after = before;
    after.carrier += 1;
    EXPECT_EQ(ModemEventBits(before, after), 8u);
    after.ring += 2;
    EXPECT_EQ(ModemEventBits(before, after), 12u);
}

TEST(LineCounters, ModemStatusBits)
{
    EXPECT_EQ(ModemStatusFromLines(ModemLines{}), 0u);
    EXPECT_EQ(ModemStatusFromLines(ModemLines{.cts = true}), MS_CTS_ON);
    EXPECT_EQ(ModemStatusFromLines(ModemLines{.dsr = true, .ring = true}), MS_DSR_ON | MS_RING_ON);
    EXPECT_EQ(ModemStatusFromLines(ModemLines{.carrier = true}), MS_RLSD_ON);
}
