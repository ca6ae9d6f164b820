#include "comm/MeterPortSearch.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *name;
    QStringList lines;
    std::vector<int> numbers;
};

TEST(MeterPortNumbers, OnlyBridgeLinesWithANumberAfterComCountInListOrder)
{
    const Case cases[] = {
        {"a built-in port then the bridge", {"\\Device\\Serial0##COM1", "\\Device\\Silabser0##COM5"}, {5}},
        {"two bridges, both in order", {"\\Device\\Silabser0##COM5", "\\Device\\Silabser1##COM9"}, {5, 9}},
        {"no number after COM", {"\\Device\\Silabser0##COMX"}, {}},
        {"no COM in the data", {"\\Device\\Silabser0##ttyUSB0"}, {}},
        {"the name is matched with its case", {"\\Device\\silabser0##COM3"}, {}},
        {"no bridge at all", {"\\Device\\Serial0##COM1", "\\Device\\VirtualSerial0##COM7"}, {}},
        {"the number is read after the first COM of the data", {"\\Device\\Silabser0##COM12"}, {12}},
        {"Silabser in the data is enough", {"\\Device\\cdc_acm0##Silabser COM4"}, {4}},
        {"text after the number", {"\\Device\\Silabser0##COM4 "}, {}},
        {"COM in the name before ## does not count", {"\\Device\\SilabserCOM7##COM2"}, {2}},
        {"an empty list", {}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MeterPortNumbers(c.lines), c.numbers) << c.name;
}

} // namespace
