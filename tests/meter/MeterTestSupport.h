#pragma once
// Helpers for the reader's tests: a clock the test moves by hand, and a window that records
// the worker's messages.

#include "meter/MeterMessages.h"
#include "platform/Messages.h"
#include "platform/TickCount.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace metertest {

// A tick counter that only moves when the test sets it. It counts its reads, and it can hold
// the worker inside one read until the test releases it.
class FakeClock
{
public:
    explicit FakeClock(std::uint32_t start) : now_(start) {}

    platform::TickSource Source()
    {
        return [this] { return Read(); };
    }

    void Set(std::uint32_t now)
    {
        std::lock_guard lock(mutex_);
        now_ = now;
    }
    std::uint32_t Now()
    {
        std::lock_guard lock(mutex_);
        return now_;
    }
    std::uint64_t Reads()
    {
        std::lock_guard lock(mutex_);
        return reads_;
    }

    // The next read blocks until Release().
    void HoldNextRead()
    {
        std::lock_guard lock(mutex_);
        hold_ = true;
    }
    bool Holding()
    {
        std::lock_guard lock(mutex_);
        return holding_;
    }
    void Release()
    {
        {
            std::lock_guard lock(mutex_);
            hold_ = false;
        }
        changed_.notify_all();
    }

private:
    std::uint32_t Read()
    {
        std::unique_lock lock(mutex_);
        ++reads_;
        if (hold_) {
            holding_ = true;
            changed_.wait(lock, [this] { return !hold_; });
            holding_ = false;
        }
        return now_;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint32_t now_;
    std::uint64_t reads_ = 0;
    bool hold_ = false;
    bool holding_ = false;
};

struct Message
{
    std::uint32_t id;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Records every message posted to its handle (on the GUI thread, in arrival order).
class MessageLog
{
public:
    MessageLog() : window_([this](const platform::MessageEvent &e) {
                       messages.push_back({e.message(), e.wParam(), e.lParam()});
                   })
    {
    }
    platform::WindowHandle Handle() const { return window_.handle(); }

    int CountOf(std::uint32_t id, int wParam = -1) const
    {
        int n = 0;
        for (const Message &m : messages)
            if (m.id == id && (wParam < 0 || m.wParam == static_cast<std::uintptr_t>(wParam)))
                ++n;
        return n;
    }
    int Starts() const { return CountOf(WM_TRANSFER_STATE, 0); }
    int Ends() const { return CountOf(WM_TRANSFER_STATE, 1); }
    int Ready() const { return CountOf(WM_RECORDS_READY); }

    // "S" start, "Q" queue status, "R" records ready, "E" end: the order at a glance.
    std::string Pattern() const
    {
        std::string out;
        for (const Message &m : messages) {
            if (m.id == WM_TRANSFER_STATE)
                out += m.wParam == 0 ? 'S' : 'E';
            else if (m.id == WM_QUEUE_STATUS)
                out += 'Q';
            else if (m.id == WM_RECORDS_READY)
                out += 'R';
            else
                out += '?';
        }
        return out;
    }

    std::vector<Message> messages;

private:
    platform::MessageWindow window_;
};

// "S" + n times "QR" + "E" style patterns.
inline std::string Repeat(const std::string &part, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += part;
    return out;
}

// The texts of one result as the meter's line format carries them.
struct RecordFields
{
    QString date, time, id, hb, hct, secondHct;
};

// Made-up but well-formed results: four lines, or five with a second HCT value.
inline RecordFields MakeFields(int i, bool secondHct = false)
{
    RecordFields f;
    f.date = QStringLiteral("2024-%1-%2").arg(1 + i % 12, 2, 10, QChar(u'0')).arg(1 + i % 28, 2, 10, QChar(u'0'));
    f.time = QStringLiteral("%1:%2:05").arg(i % 24, 2, 10, QChar(u'0')).arg(i % 60, 2, 10, QChar(u'0'));
    f.id = QStringLiteral("ID:%1").arg(i, 4, 10, QChar(u'0'));
    f.hb = QStringLiteral("HB: %1.%2g/dL").arg(8 + i % 10).arg(i % 10);
    f.hct = QStringLiteral("HCT: %1.%2%").arg(30 + i % 20).arg(i % 10);
    if (secondHct)
        f.secondHct = QStringLiteral("HCT:H %1%--").arg(40 + i % 10);
    return f;
}

inline QString RecordText(const RecordFields &f)
{
    QString text = f.date + u' ' + f.time + QStringLiteral("\r\n") + f.id + QStringLiteral("\r\n") + f.hb + QStringLiteral("\r\n") + f.hct + QStringLiteral("\r\n");
    if (!f.secondHct.isEmpty())
        text += f.secondHct + QStringLiteral("\r\n");
    return text + QStringLiteral("\r\n");
}

inline QString MakeRecord(int i, bool secondHct = false)
{
    return RecordText(MakeFields(i, secondHct));
}

} // namespace metertest
