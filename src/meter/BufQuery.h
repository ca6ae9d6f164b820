#pragma once
// The raw record queue: complete record texts on their way from the framing step (GUI thread)
// to the reader's worker thread.
//
// First in, first out; every operation takes the queue's own lock for its own duration only
// and never waits for data, so any thread may call any member. Nothing blocks: a taker that
// finds the queue empty gets false and tries again later.

#include <QString>

#include <deque>
#include <mutex>

// One queued record text.
struct TBufNode
{
    QString content;
};

class TBufQuery
{
public:
    TBufQuery() = default;
    TBufQuery(const TBufQuery &) = delete;
    TBufQuery &operator=(const TBufQuery &) = delete;

    // Appends a copy of s after the newest text.
    void Push(const QString &s);
    void Push(QString &&s);
    // Moves the oldest text into s and returns true; false (s untouched) when empty.
    bool Pop(QString &s);
    // Drops every queued text.
    void Empty();
    // Number of queued texts at the moment of the call.
    int Count() const;

private:
    mutable std::mutex mutex_;
    std::deque<TBufNode> nodes_;
};
