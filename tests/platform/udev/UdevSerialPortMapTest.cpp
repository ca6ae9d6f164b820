#include "platform/SerialPortMap.h"
#include "support/PtyPair.h"
#include "support/umockdev/Testbed.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::EnumSerialPorts;

namespace {

// The lines of serial-ports.umockdev's devices, in kernel-name order. Left out: ttyS1 (a UART
// slot without a UART, type 0), ttyS32 and ttyAMA0 (no COM number reaches them), tty1 (a
// console without a device behind it).
const QStringList kDeviceLines{
    QStringLiteral("\\Device\\cdc_acm0##COM65"),   // ttyACM0
    QStringLiteral("\\Device\\Serial0##COM129"),   // ttyS0, 8250 UART on a PnP port
    QStringLiteral("\\Device\\Silabser0##COM1"),   // ttyUSB0, cp210x
    QStringLiteral("\\Device\\Silabser1##COM2"),   // ttyUSB1, cp210x
    QStringLiteral("\\Device\\ftdi_sio0##COM3"),   // ttyUSB2
    QStringLiteral("\\Device\\Silabser2##COM11"),  // ttyUSB10: after ttyUSB2, numbers compare as numbers
};

} // namespace

TEST(EnumSerialPorts, DevicesWithHardwareInKernelNameOrder)
{
    Testbed testbed;
    testbed.AddFromFile(KELO_TEST_FIXTURES "/serial-ports.umockdev");
    QStringList list{QStringLiteral("old line")};
    ASSERT_TRUE(EnumSerialPorts(list, QString()));
    EXPECT_EQ(list, kDeviceLines);
}

TEST(EnumSerialPorts, PortsFolderLinksFollowInNameOrder)
{
    Testbed testbed;
    testbed.AddFromFile(KELO_TEST_FIXTURES "/serial-ports.umockdev");
    QTemporaryDir ports;
    ASSERT_TRUE(ports.isValid());
    PtyPair pty;   // a real pseudo-terminal; its own link lives in another folder

    struct Link
    {
        const char *name;
        QString target;
    };
    // Made in this order; readdir's order must not matter.
    const Link links[] = {
        {"com27", QStringLiteral("/dev/ttyACM0")},
        {"COM26", QStringLiteral("/dev/pts/999999")},   // no such pseudo-terminal
        {"COM25", QStringLiteral("/dev/ttyS1")},         // a UART slot without a UART
        {"COM29", QStringLiteral("/dev/tty1")},          // a console, no serial port
        {"COM24", QStringLiteral("/dev/ttyUSB7")},       // device not present
        {"COM23", pty.slavePath()},
        {"COM22", QStringLiteral("../../ttyUSB1")},      // the style of /dev/serial/by-id links
        {"COM21", QStringLiteral("/dev/ttyUSB0")},
        {"COMX", QStringLiteral("/dev/ttyUSB0")},        // not a COM name
        {"port1", QStringLiteral("/dev/ttyUSB0")},
    };
    for (const Link &link : links)
        ASSERT_TRUE(QFile::link(link.target, ports.filePath(QString::fromLatin1(link.name)))) << link.name;
    // A plain file is no link, even with a COM name.
    QFile plain(ports.filePath(QStringLiteral("COM28")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));

    QStringList expected = kDeviceLines;
    expected << QStringLiteral("\\Device\\Silabser3##COM21") << QStringLiteral("\\Device\\Silabser4##COM22")
             << QStringLiteral("\\Device\\VirtualSerial0##COM23") << QStringLiteral("\\Device\\cdc_acm1##com27");
    QStringList list;
    ASSERT_TRUE(EnumSerialPorts(list, ports.path()));
    EXPECT_EQ(list, expected);

    // A missing folder has no links.
    ASSERT_TRUE(EnumSerialPorts(list, ports.filePath(QStringLiteral("missing"))));
    EXPECT_EQ(list, kDeviceLines);
}

TEST(EnumSerialPorts, UnreadableDeviceListLeavesTheListAsItWas)
{
    Testbed testbed;
    testbed.AddFromFile(KELO_TEST_FIXTURES "/serial-ports.umockdev");
    // /sys/class that is no folder: the device scan fails (ENOTDIR) as with a broken /sys.
    const QString sysClass = testbed.RootDir() + QStringLiteral("/sys/class");
    ASSERT_TRUE(QDir(sysClass).removeRecursively());
    QFile file(sysClass);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    QStringList list{QStringLiteral("\\Device\\Silabser0##COM5")};
    EXPECT_FALSE(EnumSerialPorts(list, QString()));
    EXPECT_EQ(list, QStringList{QStringLiteral("\\Device\\Silabser0##COM5")});
}
