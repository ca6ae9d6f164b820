#include "support/PtyPair.h"

#include "comm/CommLineSettings.h"
#include "comm/CommLink.h"
#include "comm/ReadThread.h"
#include "comm/SerialComm.h"
#include "comm/WriteThread.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <new>

using namespace std::chrono_literals;
using testsupport::WaitUntil;

namespace {

// A port device that passes every call to the real one; the fakes below change a few answers.
class ForwardingDevice : public platform::SerialDevice
{
public:
    explicit ForwardingDevice(std::unique_ptr<platform::SerialDevice> real) : real_(std::move(real)) {}

    std::intptr_t NativeHandle() const override { return real_->NativeHandle(); }
    bool IsCommHandle() const override { return real_->IsCommHandle(); }
    void Claim() override { real_->Claim(); }
    void Restore() override { real_->Restore(); }
    void ApplyLineSettings(const TCommLineSettings &settings) override { real_->ApplyLineSettings(settings); }
    void Purge(bool input, bool output) override { real_->Purge(input, output); }
    std::ptrdiff_t Read(char *buffer, std::size_t size) override { return real_->Read(buffer, size); }
    std::ptrdiff_t Write(const char *buffer, std::size_t size) override { return real_->Write(buffer, size); }
    platform::SerialWaitResult Wait(const platform::ManualResetEvent &wake, bool forWrite,
                                    std::int64_t timeoutMs) override
    {
        return real_->Wait(wake, forWrite, timeoutMs);
    }
    void SetRts(bool on) override { real_->SetRts(on); }
    void Drain() override { real_->Drain(); }
    bool ReadLineCounters(LineCounters &counters) override { return real_->ReadLineCounters(counters); }
    bool ReadModemLines(ModemLines &lines) override { return real_->ReadModemLines(lines); }

private:
    const std::unique_ptr<platform::SerialDevice> real_;
};

std::unique_ptr<platform::SerialDevice> OpenDevice(const QString &path)
{
    auto device = platform::SerialDevice::Open(path);
    if (!device)
        throw std::runtime_error("cannot open the pty slave");
    return device;
}

// The port threads on a pseudo-terminal, posting to a window that records every message.
struct ThreadsOnPty
{
    PtyPair pty;
    QList<std::uint32_t> messages;
    QList<QByteArray> payloads;
    platform::MessageWindow window{[this](const platform::MessageEvent &m) {
        messages.append(m.message());
        payloads.append(m.payload());
    }};
    std::shared_ptr<std::atomic<bool>> sendDataEmpty = std::make_shared<std::atomic<bool>>(true);
    std::shared_ptr<TCommLink> link;

    using DeviceMaker =
        std::function<std::unique_ptr<platform::SerialDevice>(std::unique_ptr<platform::SerialDevice> real)>;
    explicit ThreadsOnPty(const DeviceMaker &makeDevice = [](std::unique_ptr<platform::SerialDevice> real) {
        return real;
    })
    {
        auto device = OpenDevice(pty.slavePath());
        device->ApplyLineSettings(TCommLineSettings{});
        link = std::make_shared<TCommLink>(makeDevice(std::move(device)), window.handle(), sendDataEmpty);
    }

    int count(std::uint32_t message) const { return static_cast<int>(messages.count(message)); }
};

// A USB serial bridge as the receive thread meets it: unlike a pseudo-terminal it keeps line
// counters, and once unplugged it fails them with EIO, as a vanished device's driver does.
class UnpluggableDevice final : public ForwardingDevice
{
public:
    using ForwardingDevice::ForwardingDevice;

    void unplug() { gone_ = true; }
    int bytesRead() const { return bytesRead_; }

    std::ptrdiff_t Read(char *buffer, std::size_t size) override
    {
        const std::ptrdiff_t n = ForwardingDevice::Read(buffer, size);
        if (n > 0)
            bytesRead_ += static_cast<int>(n);
        return n;
    }
    bool ReadLineCounters(LineCounters &counters) override
    {
        if (gone_) {
            errno = EIO;
            return false;
        }
        counters = {};
        return true;
    }

private:
    std::atomic<bool> gone_{false};
    std::atomic<int> bytesRead_{0};
};

// A device whose every transfer runs out of memory.
class ExhaustedDevice final : public ForwardingDevice
{
public:
    using ForwardingDevice::ForwardingDevice;
    std::ptrdiff_t Read(char *, std::size_t) override { throw std::bad_alloc(); }
    std::ptrdiff_t Write(const char *, std::size_t) override { throw std::bad_alloc(); }
};

} // namespace

TEST(ReadThread, EmptyReadEndsTheThreadWithoutAMessage)
{
    ThreadsOnPty t;
    TCommTimeouts immediate;
    immediate.ReadIntervalTimeout = kMaxTimeout; // return at once with what is there
    t.link->setTimeouts(immediate);
    auto thread = std::make_shared<TReadThread>(t.link, 128, 2048);
    thread->Start(0);
    ASSERT_TRUE(thread->WaitFor(10s));
    t.pty.send("late");
    testsupport::ProcessEventsFor(100ms);
    EXPECT_TRUE(t.messages.isEmpty());
}

TEST(ReadThread, CloseEventEndsItPassingOnTheBytesOfThePendingRead)
{
    UnpluggableDevice *device = nullptr;
    ThreadsOnPty t([&](std::unique_ptr<platform::SerialDevice> real) {
        auto made = std::make_unique<UnpluggableDevice>(std::move(real));
        device = made.get();
        return made;
    });
    TCommTimeouts slow;
    slow.ReadIntervalTimeout = 600000; // the read would wait ten minutes for more
    t.link->setTimeouts(slow);
    auto thread = std::make_shared<TReadThread>(t.link, 128, 2048);
    thread->Start(2); // raising the priority may be refused; the thread runs anyway
    t.pty.send("pending");
    ASSERT_TRUE(WaitUntil([&] { return device->bytesRead() == 7; }));
    t.link->closeEvent.set();
    ASSERT_TRUE(thread->WaitFor(10s));
    testsupport::ProcessEventsFor(50ms);
    EXPECT_EQ(t.messages, QList<std::uint32_t>{WM_COMM_DATA});
    EXPECT_EQ(t.payloads.value(0), QByteArray("pending"));
}

TEST(ReadThread, DeadWindowEndsTheThread)
{
    ThreadsOnPty t;
    auto window = std::make_unique<platform::MessageWindow>([](const platform::MessageEvent &) {});
    auto device = OpenDevice(t.pty.slavePath());
    auto link = std::make_shared<TCommLink>(std::move(device), window->handle(), t.sendDataEmpty);
    window.reset(); // posting the chunk fails
    auto thread = std::make_shared<TReadThread>(link, 128, 2048);
    thread->Start(0);
    t.pty.send("x");
    EXPECT_TRUE(thread->WaitFor(10s));
}

TEST(WriteThread, ReportsEmptyOnceAfterTheStartAndAfterWrites)
{
    ThreadsOnPty t;
    auto thread = std::make_shared<TWriteThread>(t.link);
    thread->Start(1);
    ASSERT_TRUE(WaitUntil([&] { return t.count(WM_COMM_SENT) == 1; }));

    // A message other than WM_COMM_WRITE is dropped: nothing written, nothing reported.
    ASSERT_TRUE(thread->PostThreadMessage(0x0999, 3, "abc"));
    t.sendDataEmpty->store(false);
    ASSERT_TRUE(thread->PostThreadMessage(WM_COMM_WRITE, 3, "xyz"));
    EXPECT_EQ(t.pty.receive(3), QByteArray("xyz"));
    ASSERT_TRUE(WaitUntil([&] { return t.count(WM_COMM_SENT) == 2; }));
    EXPECT_TRUE(t.sendDataEmpty->load());

    // wParam counts the bytes to send even when the buffer holds more.
    ASSERT_TRUE(thread->PostThreadMessage(WM_COMM_WRITE, 2, "12345"));
    EXPECT_EQ(t.pty.receive(2), QByteArray("12"));
    ASSERT_TRUE(WaitUntil([&] { return t.count(WM_COMM_SENT) == 3; }));
    EXPECT_EQ(t.count(WM_COMM_HANGUP), 0);

    t.link->closeEvent.set();
    ASSERT_TRUE(thread->WaitFor(10s));
    EXPECT_FALSE(thread->PostThreadMessage(WM_COMM_WRITE, 1, "z"));
}

TEST(WriteThread, CloseEventEndsABlockedWriteQuietly)
{
    ThreadsOnPty t;
    auto thread = std::make_shared<TWriteThread>(t.link);
    thread->Start(0);
    const QByteArray big(65535, 'w');
    for (int i = 0; i < 8; ++i) // far more than the pseudo-terminal holds; nobody reads
        ASSERT_TRUE(thread->PostThreadMessage(WM_COMM_WRITE, big.size(), big));
    t.link->closeEvent.set();
    ASSERT_TRUE(thread->WaitFor(10s));
    testsupport::ProcessEventsFor(50ms);
    EXPECT_EQ(t.count(WM_COMM_HANGUP), 0);
    EXPECT_TRUE(t.sendDataEmpty->load());
}

TEST(WriteThread, BrokenLineRequestsHangup)
{
    ThreadsOnPty t;
    auto thread = std::make_shared<TWriteThread>(t.link);
    thread->Start(0);
    t.pty.closeMaster();
    ASSERT_TRUE(thread->PostThreadMessage(WM_COMM_WRITE, 3, "abc"));
    ASSERT_TRUE(thread->WaitFor(10s));
    ASSERT_TRUE(WaitUntil([&] { return t.count(WM_COMM_HANGUP) == 1; }));
}

TEST(ReadThread, UnpluggedDeviceDeliversTheBytesReadBeforeTheHangup)
{
    UnpluggableDevice *device = nullptr;
    ThreadsOnPty t([&](std::unique_ptr<platform::SerialDevice> real) {
        auto made = std::make_unique<UnpluggableDevice>(std::move(real));
        device = made.get();
        return made;
    });
    TCommTimeouts slow;
    slow.ReadIntervalTimeout = 600000; // the bytes stay in the pending read
    t.link->setTimeouts(slow);
    auto thread = std::make_shared<TReadThread>(t.link, 128, 2048);
    thread->Start(0);
    t.pty.send("abc");
    ASSERT_TRUE(WaitUntil([&] { return device->bytesRead() == 3; }));
    device->unplug();
    ASSERT_TRUE(thread->WaitFor(10s));
    ASSERT_TRUE(WaitUntil([&] { return t.count(WM_COMM_HANGUP) == 1; }));
    EXPECT_EQ(t.messages, (QList<std::uint32_t>{WM_COMM_DATA, WM_COMM_HANGUP}));
    EXPECT_EQ(t.payloads.value(0), QByteArray("abc"));
}

TEST(CommThreads, AnEscapingExceptionEndsTheThreadWithAHangup)
{
    const ThreadsOnPty::DeviceMaker exhausted = [](std::unique_ptr<platform::SerialDevice> real) {
        return std::make_unique<ExhaustedDevice>(std::move(real));
    };
    {
        SCOPED_TRACE("receive");
        ThreadsOnPty t(exhausted);
        auto thread = std::make_shared<TReadThread>(t.link, 128, 2048);
        thread->Start(0);
        ASSERT_TRUE(thread->WaitFor(10s));
        EXPECT_TRUE(WaitUntil([&] { return t.count(WM_COMM_HANGUP) == 1; }));
    }
    {
        SCOPED_TRACE("transmit");
        ThreadsOnPty t(exhausted);
        auto thread = std::make_shared<TWriteThread>(t.link);
        thread->Start(0);
        t.sendDataEmpty->store(false);
        ASSERT_TRUE(thread->PostThreadMessage(WM_COMM_WRITE, 3, "abc"));
        ASSERT_TRUE(thread->WaitFor(10s));
        EXPECT_TRUE(WaitUntil([&] { return t.count(WM_COMM_HANGUP) == 1; }));
        // An ended thread takes nothing more to send, and nothing waits to be sent.
        EXPECT_FALSE(thread->PostThreadMessage(WM_COMM_WRITE, 1, "z"));
        EXPECT_TRUE(t.sendDataEmpty->load());
    }
}
