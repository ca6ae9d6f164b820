#include "meter/MeterRecordQuery.h"

#include <utility>

void TMeterRecordQuery::Push(const QString &sDate, const QString &sTime, const QString &sID,
                             const QString &sHB, const QString &sHCT)
{
    TMeterRecord record{sDate, sTime, sID, sHB, sHCT};
    std::lock_guard lock(mutex_);
    records_.push_back(std::move(record));
}

bool TMeterRecordQuery::Pop(QString &sDate, QString &sTime, QString &sID, QString &sHB, QString &sHCT)
{
    TMeterRecord record;
    {
        std::lock_guard lock(mutex_);
        if (records_.empty())
            return false;
        record = std::move(records_.front());
        records_.pop_front();
    }
    sDate = std::move(record.sDate);
    sTime = std::move(record.sTime);
    sID = std::move(record.sID);
    sHB = std::move(record.sHB);
    sHCT = std::move(record.sHCT);
    return true;
}

void TMeterRecordQuery::Empty()
{
    std::deque<TMeterRecord> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(records_);
    }
}

int TMeterRecordQuery::Count() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(records_.size());
}
