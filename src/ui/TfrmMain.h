#pragma once
// TfrmMain: the program's main window. It owns the meter reader (HBReader) for its whole life,
// switches reading on and off (Start/Stop), receives the reader's worker messages through a
// registered window handle, stores the received results through the data module's result
// view, shows them in the read-only grid GridRec, and reports in a four-panel status bar.
//
// Components carry their names as object names (btnStart, mnuStart, StatBar, GridRec ...), so
// that they can be found by name. Toolbar buttons and menu items are separate objects; each menu
// handler only calls its button's handler.
//
// The window is one of the forms the translation walk visits (ui/TranslationWalk.h).
//
// Construction runs FormCreate (clears the diagnostic log, creates the reader, sets captions,
// sets up the grid, starts the clock). The data module DM must exist, with its database open,
// before the window is created and must outlive it; the window does not open the port by
// itself. Destruction runs FormDestroy, then ends the reader (closing its port if open).
//
// GUI thread only. Handlers may throw (a port that cannot be opened, a database write that
// fails): the error leaves the handler and reaches the application's error box.

#include "platform/DateTime.h"
#include "platform/DeviceChange.h"
#include "platform/Messages.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QMainWindow>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class CHBMeter;
class QAction;
class QMenu;
class QMenuBar;
class QTimer;
class QToolBar;
class QToolButton;
class TDBGrid;
class TImageList;
class TSaveDialog;
class TStatusBar;

class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;
    TfrmMain(const TfrmMain &) = delete;
    TfrmMain &operator=(const TfrmMain &) = delete;

    // --- components ----------------------------------------------------------------------
    QMenuBar *MainMenu = nullptr;
    QMenu *File1 = nullptr;
    QAction *mnuStart = nullptr;
    QAction *N2 = nullptr;
    QMenu *Language1 = nullptr;
    std::array<QAction *, 10> LangItems{};   // LangItem1 .. LangItem10
    QAction *N1 = nullptr;
    QAction *mnuClear = nullptr;
    QAction *mnuExportExcel = nullptr;
    QAction *mnuExportCSV = nullptr;
    QAction *mnuExit = nullptr;
    QMenu *Help1 = nullptr;
    QAction *mnuUser = nullptr;
    QAction *mnuAbout = nullptr;

    QToolBar *MainToolBar = nullptr;
    QToolButton *btnStart = nullptr;
    QToolButton *btnClear = nullptr;
    QWidget *ToolButton1 = nullptr;   // the 8-pixel gap between Clear Data and the exports
    QToolButton *btnExportExcel = nullptr;
    QToolButton *btnExportCSV = nullptr;
    QToolButton *btnExit = nullptr;

    TStatusBar *StatBar = nullptr;
    TDBGrid *GridRec = nullptr;
    TImageList *MainToolBarImg = nullptr;
    TSaveDialog *SaveDialog = nullptr;
    QTimer *Timer = nullptr;

    // --- fields --------------------------------------------------------------------------
    std::unique_ptr<CHBMeter> HBReader;
    bool lb_StartRead = false;
    std::int32_t iCurrentCount = 0;
    std::int32_t iTotalCount = 0;

    // The handle the reader's worker posts to.
    platform::WindowHandle Handle() const;

    // --- form events ---------------------------------------------------------------------
    void FormCreate(QObject *Sender);
    void FormDestroy(QObject *Sender);
    void FormResize(QObject *Sender);
    void FormCloseQuery(QObject *Sender, bool &CanClose);

    // --- commands ------------------------------------------------------------------------
    // Start/Stop. Throws the reader's ECommsError when the port cannot be opened; lb_StartRead
    // is then already true and nothing on screen has changed. Stop stores every record that
    // was complete when the port closed (SaveReceivedRecords; its error passes on with reading
    // already off). A line that hangs up under reading stops it as Stop does.
    void btnStartClick(QObject *Sender);
    void mnuStartClick(QObject *Sender);
    // Clear Data. Throws a database error after the question; the counters then keep their
    // values.
    void btnClearClick(QObject *Sender);
    void mnuClearClick(QObject *Sender);
    // Export CSV File and Export Excel (ui/ExportCommands.h). Throw when the file cannot be
    // written or the table does not fit into a sheet; the success box has then not been shown.
    void btnExportCSVClick(QObject *Sender);
    void mnuExportCSVClick(QObject *Sender);
    void btnExportExcelClick(QObject *Sender);
    void mnuExportExcelClick(QObject *Sender);
    void btnExitClick(QObject *Sender);
    void mnuExitClick(QObject *Sender);
    // Help: the About box FrmAbout (nothing while there is none) and the user guide of the
    // current language.
    void mnuAboutClick(QObject *Sender);
    void mnuUserClick(QObject *Sender);
    // The handler of all ten language items (Sender: the item; its Tag is its position in the
    // language table). Moves the check mark to the item, selects its language (the language
    // manager reloads and the translation walk runs), sets the captions and the grid again in
    // that language and saves the settings. Throws SaveSettings' error after everything else.
    void LangItem1Click(QObject *Sender);
    void TimerTimer(QObject *Sender);

    void CreateReader();
    void ApplyCaptions();
    void StopIfRunning();

    // --- the meter's cable ---------------------------------------------------------------
    // Looks the meter's cable up in the serial-port map and applies every bridge port found to
    // the reader and the settings, saving them each time (the last bridge wins). True when one
    // was found. Throws SaveSettings' error, which ends the search (the port is then already
    // applied to the reader and GlobalOption).
    bool FindMeterPort();
    // 0: the rising signal (500 Hz then 800 Hz, 150 ms each), 1: the falling one; any other
    // Kind plays nothing. Returns when the signal has ended (about 300 ms).
    void PlayDeviceTone(int Kind);
    // A device arrived (DBT_DEVICEARRIVAL: rising signal, then the port search) or went
    // (DBT_DEVICEREMOVECOMPLETE: falling signal, then reading stops if it runs). Whatever the
    // device was: lParam is not looked at.
    void WMDeviceChange(platform::WParam wParam, platform::LParam lParam);
    void ShowApplicationHint(const QString &hint);

    // --- the reader's messages -----------------------------------------------------------
    void WMTransferState(platform::WParam wParam, platform::LParam lParam);
    // Stores at once, except while reading when a call emptied the queue less than 100 ms
    // ago: then one call at the end of that time takes these entries and any that follow.
    void WMRecordsReady(platform::WParam wParam, platform::LParam lParam);
    void WMQueueStatus(platform::WParam wParam, platform::LParam lParam);

    // Takes the waiting entries from HBReader's parsed queue (as many as it can store in about
    // 40 ms; the caller takes the rest with further calls), logs and decodes each,
    // appends the rows to the result view and writes them to the database in one batch. An
    // entry whose date fails the check is skipped. A log line that cannot be written does not
    // cost the entry: it is still stored, and the first log error of the call is reported once
    // the batch is written. Throws when the batch cannot be written (the rows stay pending and
    // are written by the next call). Returns true when the batch was written; false, doing
    // nothing, when called again while it runs (from a box's event loop).
    bool SaveReceivedRecords();

    // --- the result grid -----------------------------------------------------------------
    void SetupResultGrid();
    void UpdateColumnTitles();
    void FitGridColumns(TDBGrid &grid);
    // "(" + unit + ")", or the empty text for an empty unit.
    static QString UnitSuffix(const QString &unit);

    // The clock's text for a moment: DateFormatStr, a blank, then hours, minutes and seconds.
    static QString ClockText(platform::OleDate moment);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // After the user chose to quit: true when no result is left unwritten (one more write is
    // tried), or the user, told that they would be lost, still wants to quit.
    bool PendingResultsMayGo();

private:
    void CreateComponents();
    void CreateMenu();
    void CreateToolBar();
    QToolButton *CreateToolButton(const QString &name, int imageIndex);
    // The outer size rule (frame included) and the start placement, centred on the screen.
    QSize FrameSize() const;
    QSize OuterSize() const;
    void ApplyOuterSize();
    void PlaceAtStart();
    void FollowStartFrame(QEvent::Type type);
    void SetCommandsEnabled(bool enabled);
    void SetStartImage(int imageIndex);
    void OnMessage(const platform::MessageEvent &message);
    bool StoreEntry(const QString &sDate, const QString &sTime, const QString &sID, const QString &sHB,
                    const QString &sHCT);
    void ReportLogError(const std::optional<QString> &error);
    // SaveReceivedRecords for a message or storeTimer_; entries a call had no time for are
    // taken by storeTimer_ at once, after the events waiting.
    void StoreReceived();
    // Starts the device-change monitor on the ports folder; what it cannot watch goes to the log.
    void WatchDeviceChanges();

    std::unique_ptr<platform::MessageWindow> messageWindow_;
    // Posts device arrivals and removals to messageWindow_ from the window's creation on.
    std::unique_ptr<platform::DeviceChangeMonitor> deviceMonitor_;
    bool hintHandlerInstalled_ = false;
    bool reportingLogError_ = false;
    bool saving_ = false;
    QTimer *storeTimer_ = nullptr;     // a storing call still to come; single shot
    QElapsedTimer drained_;            // since a storing call emptied the queue, while reading
    QSize appliedFrame_{0, 0};         // the frame size the outer size was last applied with
    QElapsedTimer startPlacement_;     // runs from the first show
    bool startPlacementDone_ = false;
};

// The one main window while it exists (nullptr otherwise).
extern TfrmMain *frmMain;
