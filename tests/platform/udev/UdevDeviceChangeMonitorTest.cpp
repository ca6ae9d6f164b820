#include "platform/DeviceChange.h"
#include "support/TestSupport.h"
#include "support/umockdev/Testbed.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <functional>
#include <vector>

using namespace platform;

namespace {

constexpr WParam kArrival = DBT_DEVICEARRIVAL;
constexpr WParam kRemoval = DBT_DEVICEREMOVECOMPLETE;

// The main window's side: the wParam of each WM_DEVICECHANGE it is sent (0 for any other
// message, which would be a fault).
struct BroadcastLog
{
    std::vector<WParam> seen;
    MessageWindow window{[this](const MessageEvent &event) {
        seen.push_back(event.message() == WM_DEVICECHANGE && event.lParam() == 0 ? event.wParam() : 0);
    }};

    bool WaitFor(std::size_t count)
    {
        return testsupport::WaitUntil([&] { return seen.size() >= count; }, std::chrono::seconds(20));
    }
};

class SystemEvents : public ::testing::TestWithParam<DeviceEventSource>
{
};

} // namespace

// Each case's uevents, then a marker (a UART's tty removed): when the marker's broadcast has
// come, every earlier event has been read, so an extra broadcast would show.
TEST_P(SystemEvents, OnePortOrPartitionIsOneBroadcast)
{
    Testbed testbed;
    testbed.AddFromFile(KELO_TEST_FIXTURES "/serial-ports.umockdev");
    const QString usb = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2");
    const QString interface = usb + QStringLiteral("/1-2:1.0");
    const QString port = interface + QStringLiteral("/ttyUSB0");
    const QString tty = port + QStringLiteral("/tty/ttyUSB0");
    const QString disk = testbed.AddDevice("block", "sda", QString(), {"size", "1000"}, {"DEVTYPE", "disk"});
    const QString partition = testbed.AddDevice("block", "sda1", disk, {"partition", "1"}, {"DEVTYPE", "partition"});
    const QString marker = QStringLiteral("/sys/devices/pnp0/00:01/tty/ttyS0");

    BroadcastLog log;
    const auto monitor = DeviceChangeMonitor::Start(log.window.handle(), QString(), GetParam());
    const DeviceEventSource expectedSource = GetParam() != DeviceEventSource::Automatic ? GetParam()
                                             : ::access("/run/udev/control", F_OK) == 0
                                                 ? DeviceEventSource::DeviceManager
                                                 : DeviceEventSource::Kernel;
    ASSERT_EQ(monitor->ActiveSource(), expectedSource) << monitor->Failure().toStdString();
    EXPECT_TRUE(monitor->Failure().isEmpty());

    struct Case
    {
        const char *what;
        std::vector<std::pair<QString, const char *>> uevents;
        std::vector<WParam> expected;
    };
    const Case cases[] = {
        {"plug of a cp210x bridge", {{usb, "add"}, {interface, "add"}, {port, "add"}, {tty, "add"}}, {kArrival}},
        {"unplug", {{tty, "remove"}, {port, "remove"}, {interface, "remove"}, {usb, "remove"}}, {kRemoval}},
        {"disk with a partition", {{disk, "add"}, {partition, "add"}}, {kArrival}},
        {"partition and disk gone", {{partition, "remove"}, {disk, "remove"}}, {kRemoval}},
        {"port changed, driver bound", {{tty, "change"}, {interface, "bind"}}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t before = log.seen.size();
        for (const auto &[sysPath, action] : c.uevents)
            testbed.Uevent(sysPath, action);
        testbed.Uevent(marker, "remove");
        std::vector<WParam> expected = c.expected;
        expected.push_back(kRemoval);
        ASSERT_TRUE(log.WaitFor(before + expected.size())) << "broadcasts missing";
        EXPECT_EQ(std::vector<WParam>(log.seen.begin() + static_cast<std::ptrdiff_t>(before), log.seen.end()),
                  expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, SystemEvents,
                         ::testing::Values(DeviceEventSource::Automatic, DeviceEventSource::DeviceManager,
                                           DeviceEventSource::Kernel),
                         [](const auto &info) {
                             return info.param == DeviceEventSource::DeviceManager ? "DeviceManager"
                                    : info.param == DeviceEventSource::Kernel      ? "Kernel"
                                                                                  : "Automatic";
                         });

TEST(PortsFolderEvents, EachEntryMadeOrRemovedIsOneBroadcast)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    // Neither the folder nor its parent exists yet when watching starts.
    const QString ports = root.filePath(QStringLiteral("KELODATA/ports"));
    BroadcastLog log;
    const auto monitor = DeviceChangeMonitor::Start(log.window.handle(), ports, DeviceEventSource::None);
    EXPECT_EQ(monitor->ActiveSource(), DeviceEventSource::None);

    const auto link = [&](const char *target, const char *name) {
        return QFile::link(QString::fromLatin1(target), ports + QLatin1Char('/') + QLatin1String(name));
    };
    const std::pair<std::function<bool()>, std::vector<WParam>> steps[] = {
        {[&] { return QDir().mkpath(ports) && link("/dev/ttyUSB0", "COM1"); }, {kArrival}},
        {[&] { return link("/dev/nothing", "COM2"); }, {kArrival}},   // dangling: names a port too
        {[&] { return QFile::remove(ports + QStringLiteral("/COM1")); }, {kRemoval}},
        {[&] { return QDir(ports).removeRecursively(); }, {kRemoval}},
        {[&] { return QDir().mkpath(ports); }, {}},
        {[&] { return link("/dev/ttyUSB1", "COM4") && link("/dev/ttyUSB2", "COM5"); }, {kArrival, kArrival}},
    };
    std::vector<WParam> expected;
    for (const auto &[step, broadcasts] : steps) {
        ASSERT_TRUE(step());
        expected.insert(expected.end(), broadcasts.begin(), broadcasts.end());
        ASSERT_TRUE(log.WaitFor(expected.size())) << "broadcast " << expected.size() << " missing";
        EXPECT_EQ(log.seen, expected);
    }
}

TEST(PortsFolderEvents, WatchedAlsoWhenSystemEventsCannotBe)
{
    QTemporaryDir ports;
    ASSERT_TRUE(ports.isValid());
    BroadcastLog log;
    // A first monitor, made while descriptors are plenty, lets the undefined-behaviour
    // sanitizer learn the monitor's type (its check needs a pipe).
    DeviceChangeMonitor::Start(log.window.handle(), QString(), DeviceEventSource::None).reset();

    // Every descriptor taken but one: the folder watch gets it, the kernel's event socket none.
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = 128;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    std::vector<int> taken;
    for (int fd = ::dup(0); fd >= 0; fd = ::dup(0))
        taken.push_back(fd);
    ASSERT_FALSE(taken.empty()) << "more than 128 descriptors open already";
    ::close(taken.back());
    taken.pop_back();
    auto monitor = DeviceChangeMonitor::Start(log.window.handle(), ports.path(), DeviceEventSource::Kernel);
    for (const int fd : taken)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_EQ(monitor->ActiveSource(), DeviceEventSource::None);
    EXPECT_TRUE(monitor->Failure().contains(QStringLiteral("Too many open files"))) << monitor->Failure().toStdString();
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ttyUSB0"), ports.filePath(QStringLiteral("COM1"))));
    ASSERT_TRUE(log.WaitFor(1)) << "the folder is not watched";
    EXPECT_EQ(log.seen, std::vector<WParam>{kArrival});
}
