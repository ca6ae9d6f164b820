#include "support/PtyPair.h"

#include "comm/CommLineSettings.h"
#include "comm/CommLink.h"
#include "comm/ReadThread.h"
#include "comm/SerialComm.h"
#include "comm/WriteThread.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono_literals;
using testsupport::WaitUntil;

namespace {

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

    ThreadsOnPty()
    {
        const int fd = ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            throw std::runtime_error("cannot open the pty slave");
        ApplyLineSettings(fd, TCommLineSettings{});
        link = std::make_shared<TCommLink>(fd, window.handle(), sendDataEmpty);
    }

    int count(std::uint32_t message) const { return static_cast<int>(messages.count(message)); }
};

} // namespace

TEST(ReadThread, EmptyReadEndsTheThreadWithoutAMessage)
{
    ThreadsOnPty t;
    TCommTimeouts immediate;
    immediate.ReadIntervalTimeout = kMaxTimeout; // return at once with what is there
    t.link->setTimeouts(immediate);
    auto thread = std::make_shared<TReadThread>(t.link, 128, 2048);
    ASSERT_TRUE(thread->Start(0));
    ASSERT_TRUE(thread->WaitFor(10s));
    t.pty.send("late");
    testsupport::ProcessEventsFor(100ms);
    EXPECT_TRUE(t.messages.isEmpty());
}

TEST(ReadThread, CloseEventEndsItWithBytesPending)
{
    ThreadsOnPty t;
    TCommTimeouts slow;
    slow.ReadIntervalTimeout = 600000;
    t.link->setTimeouts(slow);
    auto thread = std::make_shared<TReadThread>(t.link, 128, 2048);
    ASSERT_TRUE(thread->Start(2)); // raising the priority may be refused; the thread runs anyway
    t.pty.send("pending");
    t.link->closeEvent.set();
    ASSERT_TRUE(thread->WaitFor(10s));
    testsupport::ProcessEventsFor(50ms);
    EXPECT_TRUE(t.messages.isEmpty());
}

TEST(ReadThread, DeadWindowEndsTheThread)
{
    ThreadsOnPty t;
    auto window = std::make_unique<platform::MessageWindow>([](const platform::MessageEvent &) {});
    auto link = std::make_shared<TCommLink>(::dup(t.link->fd), window->handle(), t.sendDataEmpty);
    window.reset(); // posting the chunk fails
    auto thread = std::make_shared<TReadThread>(link, 128, 2048);
    ASSERT_TRUE(thread->Start(0));
    t.pty.send("x");
    EXPECT_TRUE(thread->WaitFor(10s));
}

TEST(WriteThread, ReportsEmptyOnceAfterTheStartAndAfterWrites)
{
    ThreadsOnPty t;
    auto thread = std::make_shared<TWriteThread>(t.link);
    ASSERT_TRUE(thread->Start(1));
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
    ASSERT_TRUE(thread->Start(0));
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
    ASSERT_TRUE(thread->Start(0));
    t.pty.closeMaster();
    ASSERT_TRUE(thread->PostThreadMessage(WM_COMM_WRITE, 3, "abc"));
    ASSERT_TRUE(thread->WaitFor(10s));
    ASSERT_TRUE(WaitUntil([&] { return t.count(WM_COMM_HANGUP) == 1; }));
}
