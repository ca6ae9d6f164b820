// Storing the received results and clearing them: the main window's work on the result view.

#include "ui/TfrmMain.h"

#include "shell/Log.h"
#include "shell/MessageBoxes.h"
#include "shell/TextRoutines.h"
#include "i18n/TranslateText.h"
#include "meter/HBMeter.h"
#include "meter/ResultDecoding.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogModel.h"
#include "store/ResultView.h"
#include "ui/TStatusBar.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScopeGuard>

#include <exception>
#include <limits>

namespace {

using store::ResultColumn;

// A whole decimal number within 32 bits, written with optional leading blanks and an optional
// sign and nothing after the digits; otherwise the default.
std::int32_t StrToIntDef(const QString &text, std::int32_t fallback)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size())
        return fallback;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return fallback;
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(std::numeric_limits<std::int32_t>::max()) + 1)
            return fallback;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max() || value < std::numeric_limits<std::int32_t>::min())
        return fallback;
    return static_cast<std::int32_t>(value);
}

// The date check: at least ten characters, the year, month and day places numeric.
bool DatePassesCheck(const QString &sDate)
{
    return sDate.size() >= 10 && IsNumeric(sDate.mid(0, 4)) && IsNumeric(sDate.mid(5, 2))
           && IsNumeric(sDate.mid(8, 2));
}

// The calendar date of a checked date text; the zero date when the parts do not form one.
platform::OleDate DecodeEntryDate(const QString &sDate)
{
    const int year = StrToIntDef(sDate.mid(0, 4), 2010);
    const int month = StrToIntDef(sDate.mid(5, 2), 12);
    const int day = StrToIntDef(sDate.mid(8, 2), 1);
    return platform::EncodeDate(year, month, day).value_or(0.0);
}

QString ExceptionText(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const platform::Exception *>(&error))
        return own->message();
    return QString::fromLocal8Bit(error.what());
}

} // namespace

bool TfrmMain::StoreEntry(const QString &sDate, const QString &sTime, const QString &sID, const QString &sHB,
                          const QString &sHCT)
{
    store::ResultView &view = *DM->qryResultLog;
    view.Append();
    try {
        QString flag;
        QString number;
        QString unit;
        if (!sID.isEmpty()) {
            SplitValue(sID, QStringLiteral("ID:"), flag, number, unit);
            view.SetFieldValue(ResultColumn::fRecID, QString::number(StrToIntDef(number, 0)));
        }
        view.SetFieldValue(ResultColumn::fDateTime_Txt, sDate + QStringLiteral(" ") + sTime);
        view.SetFieldValue(ResultColumn::fTransferTime, platform::Now());

        if (!DatePassesCheck(sDate)) {
            view.Cancel();
            return false;
        }
        const platform::OleDate date = DecodeEntryDate(sDate);
        const std::optional<platform::OleDate> time = platform::TryParseTime(sTime);
        const platform::OleDate dateTime = time ? platform::CombineDateTime(date, *time) : date;
        try {
            view.SetFieldValue(ResultColumn::fDateTime, dateTime);
        } catch (const std::exception &) {
            platform::CurrentDialogs().MessageBox(QStringLiteral("Error Data\r\n") + sID + QStringLiteral("\r\n") + sDate
                                                      + QStringLiteral(" ") + sTime + QStringLiteral("\r\n") + sHB
                                                      + QStringLiteral("\r\n") + sHCT,
                                                  QGuiApplication::applicationDisplayName(), platform::MB_OK);
        }

        view.SetFieldValue(ResultColumn::fHB_Txt, sHB);
        view.SetFieldValue(ResultColumn::fHCT_Txt, sHCT);

        SplitValue(sHB, QStringLiteral("HB:"), flag, number, unit);
        view.SetFieldValue(ResultColumn::fHB, number);
        view.SetFieldValue(ResultColumn::fHB_Unit, unit);
        view.SetFieldValue(ResultColumn::fHB_Flag, flag);

        SplitValue(sHCT, QStringLiteral("HCT:"), flag, number, unit);
        if (!number.isEmpty()) {
            view.SetFieldValue(ResultColumn::fHCT, number);
            view.SetFieldValue(ResultColumn::fHCT_Unit, unit);
            view.SetFieldValue(ResultColumn::fHCT_Flag, flag);
        } else {
            // The text that stood in place of a number ("--") goes to the unit column.
            view.SetFieldValue(ResultColumn::fHCT, QString());
            view.SetFieldValue(ResultColumn::fHCT_Unit, flag);
            view.SetFieldValue(ResultColumn::fHCT_Flag, QString());
        }
    } catch (...) {
        if (view.GetState() == store::ResultView::State::Insert)
            view.Cancel();
        throw;
    }

    try {
        view.Post();
    } catch (const std::exception &) {
        if (view.GetState() == store::ResultView::State::Insert)
            view.Cancel();
        return false;
    }
    ++iCurrentCount;
    ++iTotalCount;
    return true;
}

bool TfrmMain::SaveReceivedRecords()
{
    // A box shown inside the loop runs its own event loop, in which the next message may
    // arrive; the running call takes those entries too, so the nested call has nothing to do.
    if (saving_)
        return false;
    store::ResultView &view = *DM->qryResultLog;
    // The first log line that could not be written in this call; reported once at the end.
    std::optional<QString> logError;
    try {
        saving_ = true;
        const auto done = qScopeGuard([this] { saving_ = false; });
        QApplication::setOverrideCursor(Qt::WaitCursor);
        view.DisableDisplayUpdates();
        const auto restore = qScopeGuard([&view] {
            view.EnableDisplayUpdates();
            QApplication::restoreOverrideCursor();
        });
        if (!view.Active())
            view.Open();

        QString sDate;
        QString sTime;
        QString sID;
        QString sHB;
        QString sHCT;
        while (HBReader->MeterData->Pop(sDate, sTime, sID, sHB, sHCT)) {
            // A log that cannot be written must not cost the result: store it anyway.
            try {
                WriteLog(QStringLiteral("Received:") + sDate + QStringLiteral("\r\n") + sTime + QStringLiteral("\r\n")
                         + sID + QStringLiteral("\r\n") + sHB + QStringLiteral("\r\n") + sHCT
                         + QStringLiteral("\r\n"));
            } catch (const std::exception &error) {
                if (!logError)
                    logError = ExceptionText(error);
            }
            StoreEntry(sDate, sTime, sID, sHB, sHCT);
        }

        StatBar->SetPanelText(0, TranslateText(QStringLiteral("Processing")) + QStringLiteral(" ")
                                     + QString::number(iCurrentCount) + QStringLiteral("/")
                                     + QString::number(iTotalCount));
        view.UpdateBatch();
    } catch (...) {
        ReportLogError(logError);
        throw;
    }
    ReportLogError(logError);
    return true;
}

void TfrmMain::ReportLogError(const std::optional<QString> &error)
{
    // While an earlier report is still on screen (its box runs a nested event loop in which
    // further results arrive), the results are stored without stacking more boxes on it.
    if (!error || reportingLogError_)
        return;
    reportingLogError_ = true;
    const auto done = qScopeGuard([this] { reportingLogError_ = false; });
    platform::CurrentDialogs().ErrorBox(*error);
}

void TfrmMain::btnClearClick(QObject *Sender)
{
    (void)Sender;
    if (ConfirmBox(QStringLiteral("Are you sure you want to clear data?")) != 6)
        return;
    DM->adoConn->Execute(QStringLiteral("Delete From result_Log"));
    // Rows whose write failed earlier are results too: the user chose to delete them all.
    DM->qryResultLog->Requery(store::ResultView::PendingRows::Drop);
    UpdateColumnTitles();
    iCurrentCount = 0;
    iTotalCount = 0;
}
