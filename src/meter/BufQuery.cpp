#include "meter/BufQuery.h"

#include <utility>

void TBufQuery::Push(const QString &s)
{
    TBufNode node{s};
    std::lock_guard lock(mutex_);
    nodes_.push_back(std::move(node));
}

void TBufQuery::Push(QString &&s)
{
    TBufNode node{std::move(s)};
    std::lock_guard lock(mutex_);
    nodes_.push_back(std::move(node));
}

bool TBufQuery::Pop(QString &s)
{
    TBufNode node;
    {
        std::lock_guard lock(mutex_);
        if (nodes_.empty())
            return false;
        node = std::move(nodes_.front());
        nodes_.pop_front();
    }
    s = std::move(node.content);
    return true;
}

void TBufQuery::Empty()
{
    std::deque<TBufNode> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(nodes_);
    }
    // The texts are released here, outside the lock.
}

int TBufQuery::Count() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(nodes_.size());
}
