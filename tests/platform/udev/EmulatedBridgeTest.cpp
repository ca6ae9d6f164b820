// The emulated bridge's /dev/ttyUSB0 is a port the serial device opens and reads: what the
// test writes on the testbed's side of it arrives as from a meter.

#include "platform/ManualResetEvent.h"
#include "platform/SerialDevice.h"
#include "support/umockdev/Testbed.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace platform;

TEST(EmulatedBridge, BytesFromTheDeviceSideAreRead)
{
    Testbed testbed;
    testbed.AddFromFile(KELO_TEST_FIXTURES "/serial-ports.umockdev");
    const auto port = SerialDevice::Open(QStringLiteral("/dev/ttyUSB0"));
    ASSERT_TRUE(port) << CommErrorReason(errno).toStdString();
    ASSERT_TRUE(port->IsCommHandle());
    port->Claim();
    port->ApplyLineSettings(TCommLineSettings{});

    const int deviceSide = testbed.DeviceSide("/dev/ttyUSB0");
    ASSERT_GE(deviceSide, 0);
    const QByteArray sent("2024/05/06 10:11\r\n\r\n");
    ASSERT_EQ(::write(deviceSide, sent.constData(), static_cast<size_t>(sent.size())), sent.size());

    const ManualResetEvent never;
    QByteArray received;
    while (received.size() < sent.size()) {
        const SerialWaitResult wait = port->Wait(never, false, 20000);
        ASSERT_GT(wait.ready, 0) << "nothing came from the device side";
        char buffer[128];
        const auto count = port->Read(buffer, sizeof buffer);
        ASSERT_GE(count, 0) << CommErrorReason(errno).toStdString();
        received.append(buffer, count);
    }
    EXPECT_EQ(received, sent);
}
