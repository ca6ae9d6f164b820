// Storing the received results and clearing them: the main window's work on the result view.

#include "ui/TfrmMain.h"

#include "shell/Log.h"
#include "shell/MessageBoxes.h"
#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "meter/HBMeter.h"
#include "meter/ResultEntry.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogModel.h"
#include "store/ResultView.h"
#include "ui/TStatusBar.h"

#include <QApplication>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QScopeGuard>

#include <exception>

using store::ResultColumn;

namespace {

constexpr qint64 kLongestStoringMs = 40;

} // namespace

bool TfrmMain::StoreEntry(const QString &sDate, const QString &sTime, const QString &sID, const QString &sHB,
                          const QString &sHCT)
{
    const ResultEntry entry = DecodeResultEntry(sDate, sTime, sID, sHB, sHCT);
    store::ResultView &view = *DM->qryResultLog;
    view.Append();
    try {
        if (entry.recID)
            view.SetFieldValue(ResultColumn::fRecID, *entry.recID);
        view.SetFieldValue(ResultColumn::fDateTime_Txt, entry.dateTimeText);
        view.SetFieldValue(ResultColumn::fTransferTime, platform::Now());

        if (!entry.dateTime) {
            view.Cancel();
            return false;
        }
        try {
            view.SetFieldValue(ResultColumn::fDateTime, *entry.dateTime);
        } catch (const std::exception &) {
            platform::CurrentDialogs().MessageBox(QStringLiteral("Error Data\r\n") + sID + QStringLiteral("\r\n") + sDate
                                                      + QStringLiteral(" ") + sTime + QStringLiteral("\r\n") + sHB
                                                      + QStringLiteral("\r\n") + sHCT,
                                                  QGuiApplication::applicationDisplayName(), platform::MB_OK);
        }

        view.SetFieldValue(ResultColumn::fHB_Txt, entry.hbText);
        view.SetFieldValue(ResultColumn::fHCT_Txt, entry.hctText);
        view.SetFieldValue(ResultColumn::fHB, entry.hb);
        view.SetFieldValue(ResultColumn::fHB_Unit, entry.hbUnit);
        view.SetFieldValue(ResultColumn::fHB_Flag, entry.hbFlag);
        view.SetFieldValue(ResultColumn::fHCT, entry.hct);
        view.SetFieldValue(ResultColumn::fHCT_Unit, entry.hctUnit);
        view.SetFieldValue(ResultColumn::fHCT_Flag, entry.hctFlag);
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
        // Most calls of a download find the queue drained by an earlier one (one message comes
        // per entry); they only refresh the status text. The hourglass, which nobody could
        // see for them but which costs every window a cursor change, is for calls with work.
        const bool busy = HBReader->MeterData->Count() > 0;
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        view.DisableDisplayUpdates();
        const auto restore = qScopeGuard([&view, busy] {
            view.EnableDisplayUpdates();
            if (busy)
                QApplication::restoreOverrideCursor();
        });
        if (!view.Active())
            view.Open();

        QString sDate;
        QString sTime;
        QString sID;
        QString sHB;
        QString sHCT;
        // One call takes what it can decode in about 40 ms, so that a flood of results never
        // holds the window longer than that; what is left is taken by the next call, which
        // the message handler makes at once, and the Stop path in a loop.
        QElapsedTimer spent;
        spent.start();
        while (spent.elapsed() < kLongestStoringMs && HBReader->MeterData->Pop(sDate, sTime, sID, sHB, sHCT)) {
            // A log that cannot be written must not cost the result: store it anyway.
            try {
                WriteLog(QStringLiteral("Received:") + sDate + QStringLiteral("\r\n") + sTime + QStringLiteral("\r\n")
                         + sID + QStringLiteral("\r\n") + sHB + QStringLiteral("\r\n") + sHCT
                         + QStringLiteral("\r\n"));
            } catch (const std::exception &error) {
                if (!logError)
                    logError = platform::ErrorMessage(error);
            }
            StoreEntry(sDate, sTime, sID, sHB, sHCT);
        }

        StatBar->SetPanelText(0, TranslateText(TextKeys::kProcessing) + QStringLiteral(" ")
                                     + QString::number(iCurrentCount) + QStringLiteral("/")
                                     + QString::number(iTotalCount));
        DM->WritePendingResults();
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
    if (ConfirmBox(TextKeys::kClearDataQuestion) != 6)
        return;
    DM->adoConn->Execute(QStringLiteral("Delete From result_Log"));
    // Rows whose write failed earlier are results too: the user chose to delete them all.
    DM->qryResultLog->Requery(store::ResultView::PendingRows::Drop);
    UpdateColumnTitles();
    iCurrentCount = 0;
    iTotalCount = 0;
}
