#include "platform/ManualResetEvent.h"
#include "platform/Messages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace platform;

TEST(Messages, PostedMessagesArriveInOrderFromAnotherThread)
{
    std::vector<std::uint32_t> seen;
    MessageWindow window([&](const MessageEvent &e) { seen.push_back(e.message()); });
    std::thread sender([&] {
        for (std::uint32_t i = 0; i < 1000; ++i)
            ASSERT_TRUE(PostMessage(window.handle(), i, i, -static_cast<LParam>(i)));
    });
    sender.join();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return seen.size() == 1000; }));
    for (std::uint32_t i = 0; i < 1000; ++i)
        ASSERT_EQ(seen[i], i);
}

TEST(Messages, DeadHandleRefusesPosts)
{
    WindowHandle handle = 0;
    {
        MessageWindow window([](const MessageEvent &) {});
        handle = window.handle();
        EXPECT_TRUE(IsWindow(handle));
    }
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(PostMessage(handle, 1, 0, 0, QByteArray("payload")));
    EXPECT_FALSE(PostMessage(0, 1, 0, 0));
}

TEST(Messages, PayloadTravelsWithTheMessage)
{
    QByteArray got;
    WParam w = 0;
    MessageWindow window([&](const MessageEvent &e) { got = e.payload(); w = e.wParam(); });
    ASSERT_TRUE(PostMessage(window.handle(), 0x0401, 3, 0, QByteArray("abc")));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return !got.isEmpty(); }));
    EXPECT_EQ(got, QByteArray("abc"));
    EXPECT_EQ(w, 3u);
}

TEST(ManualResetEvent, StaysSetUntilReset)
{
    ManualResetEvent event;
    EXPECT_FALSE(event.isSet());
    event.set();
    EXPECT_TRUE(event.isSet());
    EXPECT_TRUE(event.isSet());
    event.reset();
    EXPECT_FALSE(event.isSet());
    std::thread setter([&] { event.set(); });
    EXPECT_TRUE(event.wait(std::chrono::seconds(5)));
    setter.join();
}

TEST(ManualResetEvent, WaitForAnyNamesTheSetEventFirstOneFirst)
{
    ManualResetEvent first;
    ManualResetEvent second;
    std::thread setter([&] { second.set(); });
    EXPECT_EQ(WaitForAny(first, second), 1);
    setter.join();
    first.set();
    EXPECT_EQ(WaitForAny(first, second), 0);
}
