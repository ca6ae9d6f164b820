#include "platform/SerialDevice.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::ResolveCommDevice;

TEST(ResolveCommDevice, NumberingWithoutLinks)
{
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM1"), QString()), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM64"), QString()), QStringLiteral("/dev/ttyUSB63"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM65"), QString()), QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM128"), QString()), QStringLiteral("/dev/ttyACM63"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM129"), QString()), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM160"), QString()), QStringLiteral("/dev/ttyS31"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("com5"), QString()), QStringLiteral("/dev/ttyUSB4"));
}

TEST(ResolveCommDevice, NamesOutsideTheNumberingLeadToMissingFiles)
{
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM0"), QString()), QStringLiteral("/dev/COM0"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM161"), QString()), QStringLiteral("/dev/COM161"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("ttyUSB3"), QString()), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("/dev/pts/4"), QString()), QStringLiteral("/dev/pts/4"));
}

TEST(ResolveCommDevice, LinkInThePortsFolderComesFirst)
{
    QTemporaryDir ports;
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), ports.filePath(QStringLiteral("COM5"))));
    // Dangling links count too: opening them reports the missing target.
    ASSERT_TRUE(QFile::link(ports.filePath(QStringLiteral("gone")), ports.filePath(QStringLiteral("COM200"))));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM5"), ports.path()), ports.filePath(QStringLiteral("COM5")));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM200"), ports.path()), ports.filePath(QStringLiteral("COM200")));
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM6"), ports.path()), QStringLiteral("/dev/ttyUSB5"));
    // The link's name is COM plus the number as written in decimal.
    EXPECT_EQ(ResolveCommDevice(QStringLiteral("COM05"), ports.path()), ports.filePath(QStringLiteral("COM5")));
}
