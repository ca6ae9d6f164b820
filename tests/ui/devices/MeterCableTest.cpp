// The main window and the meter's cable, an emulated CP2102 bridge (ttyUSB0, COM1): a plug
// switches the reader to the cable's port and saves it, a pull stops a running download, each
// with its signal; any arrival runs the search, and a settings file that cannot be written ends
// it with its error.

#include "ProgramFixture.h"

#include "shell/Settings.h"
#include "platform/DeviceChange.h"
#include "platform/Exception.h"
#include "support/AlsaDefaultPcm.h"
#include "support/TestSupport.h"
#include "support/umockdev/Testbed.h"
#include "ui/TStatusBar.h"
#include "comm/SerialComm.h"
#include "meter/HBMeter.h"
#include "ui/TfrmMain.h"

#include <QDir>
#include <QFile>
#include <QToolButton>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using testsupport::WaitUntil;

const QString kCableFixture = QStringLiteral(KELO_TEST_FIXTURES "/meter-cable.umockdev");
const QString kUsb = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2");
// The cable's devices, parents first: the USB device, its interface, the bridge's port, the tty.
const QStringList kCableDevices{kUsb, kUsb + "/1-2:1.0", kUsb + "/1-2:1.0/ttyUSB0",
                                kUsb + "/1-2:1.0/ttyUSB0/tty/ttyUSB0"};
constexpr std::size_t kToneSamples = 48000 * 150 / 1000;

class MeterCable : public ::testing::Test
{
protected:
    // Adding the cable's devices to the testbed is its plug: with the window there, the window
    // sees it arrive; before, the cable is simply there when the window starts.
    void Plug() { testbed_.AddFromFile(kCableFixture); }
    // The kernel's events of a pull, children first.
    void Pull()
    {
        for (auto device = kCableDevices.crbegin(); device != kCableDevices.crend(); ++device)
            testbed_.Uevent(*device, "remove");
    }
    void CreateWindow()
    {
        fixture_.CreateDataModule();
        window_ = &fixture_.CreateWindow();
    }
    // The cable is there from the start; then a link names it COM7, which the window sees
    // arrive: the map lists the cable as COM1, then the link as COM7, and the last one wins.
    void StartWithTheCableLinkedAsCom7()
    {
        Plug();
        CreateWindow();
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ttyUSB0"), fixture_.PortsFolder() + "/COM7"));
        ASSERT_TRUE(WaitUntil([] { return GlobalOption.MeterSet.CommPort == 7; }));
    }
    QString SettingsPath() const { return fixture_.Root() + "/KELODATA/HBAPP.INI"; }
    std::size_t TonesPlayed() const
    {
        const auto samples = sound_.recordedSamples();
        return samples ? samples->size() / kToneSamples : 0;
    }

    // The testbed first: the window's device monitor must find it when it opens its socket.
    Testbed testbed_;
    testsupport::AlsaDefaultPcm sound_{{}, true};
    uitest::ProgramFixture fixture_;
    TfrmMain *window_ = nullptr;
};

TEST_F(MeterCable, PlugSwitchesThePortAndSavesItPullStopsTheDownloadEachWithItsSignal)
{
    CreateWindow();
    ASSERT_EQ(GlobalOption.MeterSet.CommPort, 5);
    Plug();
    ASSERT_TRUE(WaitUntil([] { return GlobalOption.MeterSet.CommPort == 1; }));
    EXPECT_TRUE(testsupport::ReadFileBytes(SettingsPath()).contains("Port=1"));

    // The reader downloads from the cable's port.
    window_->btnStartClick(nullptr);
    ASSERT_TRUE(window_->lb_StartRead);
    const QByteArray record = uitest::MeterRecord(QStringLiteral("2024-03-05 14:07"), 7, QStringLiteral("14.2g/dL"),
                                                  QStringLiteral("42%"));
    ASSERT_EQ(::write(testbed_.DeviceSide("/dev/ttyUSB0"), record.constData(), record.size()), record.size());
    ASSERT_TRUE(WaitUntil([&] { return uitest::StoredRecIDs(fixture_.DatabasePath()) == QStringList{"7"}; }));

    Pull();
    ASSERT_TRUE(WaitUntil([&] { return !window_->lb_StartRead; }));
    EXPECT_EQ(window_->btnStart->text(), QStringLiteral("Start"));
    EXPECT_EQ(window_->StatBar->PanelText(0), QStringLiteral("Stop"));
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), QStringList{"7"});
    EXPECT_TRUE(fixture_.dialogs.boxes.empty());
    EXPECT_TRUE(fixture_.dialogs.errors.empty());

    // One rising signal (500 Hz, 800 Hz) for the plug, one falling (800 Hz, 500 Hz) for the pull.
    const auto samples = sound_.recordedSamples();
    ASSERT_TRUE(samples);
    ASSERT_EQ(samples->size(), 4 * kToneSamples);
    const double expected[] = {500, 800, 800, 500};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::vector<std::int16_t> tone(samples->begin() + i * kToneSamples,
                                             samples->begin() + (i + 1) * kToneSamples);
        EXPECT_NEAR(testsupport::MeasuredFrequency(tone, 48000), expected[i], 5) << "tone " << i;
    }
}

TEST_F(MeterCable, PullMidRecordStoresEveryCompleteRecordAndLogsThePartialOne)
{
    CreateWindow();
    Plug();
    ASSERT_TRUE(WaitUntil([] { return GlobalOption.MeterSet.CommPort == 1; }));
    window_->btnStartClick(nullptr);
    ASSERT_TRUE(window_->lb_StartRead);

    // The pull follows the bytes at once: it reaches the window while they are still on their
    // way to it.
    QByteArray bytes;
    for (int id = 1; id <= 3; ++id)
        bytes += uitest::MeterRecord(QStringLiteral("2024-03-05 14:0%1").arg(id), id, QStringLiteral("14.2g/dL"),
                                     QStringLiteral("42%"));
    const QByteArray partial("2024-03-05 14:04\r\nID: 0004\r\nHB: 13");
    bytes += partial;
    ASSERT_EQ(::write(testbed_.DeviceSide("/dev/ttyUSB0"), bytes.constData(), bytes.size()), bytes.size());
    Pull();
    ASSERT_TRUE(WaitUntil([&] { return !window_->lb_StartRead; }));
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), (QStringList{"1", "2", "3"}));
    const QByteArray logged =
        QStringLiteral("Incomplete record dropped (%1 characters):").arg(partial.size()).toLatin1() + partial;
    EXPECT_TRUE(testsupport::ReadFileBytes(fixture_.LogPath()).contains(logged));
    EXPECT_EQ(window_->HBReader->Comm()->Handle(), -1);
}

TEST_F(MeterCable, AnyArrivalRunsTheSearchTheLastBridgeWinsARemovalWhileIdleOnlySignals)
{
    ASSERT_NO_FATAL_FAILURE(StartWithTheCableLinkedAsCom7());

    // A memory stick's partition is no bridge, but its arrival runs the search all the same.
    GlobalOption.MeterSet.CommPort = 5;
    SaveSettings();
    const QString disk = testbed_.AddDevice("block", "sdb", {}, {"size", "1000"}, {"DEVTYPE", "disk"});
    const QString partition = testbed_.AddDevice("block", "sdb1", disk, {"partition", "1"}, {"DEVTYPE", "partition"});
    ASSERT_TRUE(WaitUntil([] { return GlobalOption.MeterSet.CommPort == 7; }));
    EXPECT_TRUE(testsupport::ReadFileBytes(SettingsPath()).contains("Port=7"));

    const QString statusBefore = window_->StatBar->PanelText(0);
    testbed_.Uevent(partition, "remove");
    ASSERT_TRUE(WaitUntil([&] { return TonesPlayed() == 6; }));
    EXPECT_FALSE(window_->lb_StartRead);
    EXPECT_EQ(window_->StatBar->PanelText(0), statusBefore);
    EXPECT_TRUE(fixture_.dialogs.boxes.empty());
}

TEST_F(MeterCable, ASettingsFileThatCannotBeWrittenEndsTheSearchWithItsError)
{
    ASSERT_NO_FATAL_FAILURE(StartWithTheCableLinkedAsCom7());

    GlobalOption.MeterSet.CommPort = 5;
    ASSERT_TRUE(QFile::remove(SettingsPath()));
    ASSERT_TRUE(QDir().mkdir(SettingsPath()));   // in the way of every write
    try {
        window_->WMDeviceChange(platform::DBT_DEVICEARRIVAL, 0);
        FAIL() << "the failed save was not reported";
    } catch (const platform::Exception &error) {
        EXPECT_EQ(error.message(), "Unable to write to " + SettingsPath());
    }
    // The first bridge was applied before its save failed; the link's port was not reached.
    EXPECT_EQ(GlobalOption.MeterSet.CommPort, 1);
}

} // namespace
