#pragma once
// The parsed record queue: meter entries on their way from the worker thread (ParseRecord) to
// the main window, which drains it on the GUI thread.
//
// First in, first out; every operation takes the queue's own lock for its own duration only
// and never waits for data, so any thread may call any member.

#include <QString>

#include <deque>
#include <mutex>

// One result as the meter sent it: the texts of its lines, not yet decoded.
struct TMeterRecord
{
    QString sDate;   // date part of line 1 (before its first blank)
    QString sTime;   // time part of line 1 (after its first blank)
    QString sID;     // line 2, the "ID:" line
    QString sHB;     // line 3, the "HB:" line
    QString sHCT;    // line 4 (or line 5 for a second entry), the "HCT:" line
};

class TMeterRecordQuery
{
public:
    TMeterRecordQuery() = default;
    TMeterRecordQuery(const TMeterRecordQuery &) = delete;
    TMeterRecordQuery &operator=(const TMeterRecordQuery &) = delete;

    // Appends an entry holding copies of the five texts, in this parameter order.
    void Push(const QString &sDate, const QString &sTime, const QString &sID, const QString &sHB,
              const QString &sHCT);
    // Moves the oldest entry's texts into the five variables and returns true; false (nothing
    // written) when empty.
    bool Pop(QString &sDate, QString &sTime, QString &sID, QString &sHB, QString &sHCT);
    // Drops every queued entry.
    void Empty();
    // Number of queued entries at the moment of the call.
    int Count() const;

private:
    mutable std::mutex mutex_;
    std::deque<TMeterRecord> records_;
};
