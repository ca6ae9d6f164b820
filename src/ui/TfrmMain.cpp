#include "ui/TfrmMain.h"

#include "shell/Folders.h"
#include "shell/Log.h"
#include "shell/MessageBoxes.h"
#include "shell/Settings.h"
#include "i18n/LangManager.h"
#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "meter/HBMeter.h"
#include "meter/MeterMessages.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "store/DataModule.h"
#include "store/DisplayFormats.h"
#include "store/ResultLogModel.h"
#include "store/ResultView.h"
#include "ui/ComponentTag.h"
#include "ui/FrmAbout.h"
#include "ui/LayoutRules.h"
#include "ui/TDBGrid.h"
#include "ui/TImageList.h"
#include "ui/TranslationWalk.h"
#include "ui/TSaveDialog.h"
#include "ui/TStatusBar.h"
#include "ui/UserGuide.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <exception>

TfrmMain *frmMain = nullptr;

namespace {

constexpr int kToolButtonWidth = 67;
constexpr int kToolButtonHeight = 36;
constexpr int kToolGapWidth = 8;
// How much of a dropped incomplete record goes into the log (line noise can be long).
constexpr qsizetype kLoggedIncompleteRecord = 200;
// How often, at most, the grid and the status bar show new rows and counts while reading
// (see btnStartClick).
constexpr int kReadingRefreshMs = 100;

// The toolbar's background: a soft vertical gradient instead of the style's flat panel.
class GradientToolBar : public QToolBar
{
public:
    explicit GradientToolBar(QWidget *parent) : QToolBar(parent) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        (void)event;
        QPainter painter(this);
        const QColor base = palette().color(QPalette::Window);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0.0, base.lighter(112));
        gradient.setColorAt(1.0, base.darker(106));
        painter.fillRect(rect(), gradient);
        painter.setPen(base.darker(125));
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }
};

} // namespace

TfrmMain::TfrmMain(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    // The window's font: the platform's GUI font at 8 points.
    QFont windowFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    windowFont.setPointSize(8);
    setFont(windowFont);

    CreateComponents();
    messageWindow_ = std::make_unique<platform::MessageWindow>(
        [this](const platform::MessageEvent &message) { OnMessage(message); }, this);

    // The design-time client area, centred on the screen; ApplyCaptions then sets the size.
    resize(kInitialClientWidth, kInitialClientHeight);
    if (QScreen *where = screen())
        move(where->geometry().center() - rect().center());

    if (!frmMain)
        frmMain = this;
    ui::AddForm(*this);
    try {
        FormCreate(this);
    } catch (...) {
        // The members go with the failed construction; nobody may find the window any more.
        if (frmMain == this)
            frmMain = nullptr;
        throw;
    }
}

TfrmMain::~TfrmMain()
{
    FormDestroy(this);
    // The handle goes first: the reader's destructor processes events while its worker ends,
    // and a message handled then would find the reader half gone. Later posts simply fail.
    deviceMonitor_.reset();
    messageWindow_.reset();
    HBReader.reset();
    if (frmMain == this)
        frmMain = nullptr;
}

platform::WindowHandle TfrmMain::Handle() const
{
    return messageWindow_ ? messageWindow_->handle() : 0;
}

// --- components ---------------------------------------------------------------------------

void TfrmMain::CreateComponents()
{
    MainToolBarImg = new TImageList(this);
    SaveDialog = new TSaveDialog(this);
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(Timer); });
    storeTimer_ = new QTimer(this);
    storeTimer_->setSingleShot(true);
    connect(storeTimer_, &QTimer::timeout, this, [this] { StoreReceived(); });

    CreateMenu();
    CreateToolBar();

    StatBar = new TStatusBar({400, 180, 180, 50}, this);
    StatBar->setObjectName(QStringLiteral("StatBar"));
    setStatusBar(StatBar);

    GridRec = new TDBGrid(this);
    GridRec->setObjectName(QStringLiteral("GridRec"));
    GridRec->installEventFilter(this);
    setCentralWidget(GridRec);
}

void TfrmMain::CreateMenu()
{
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    setMenuBar(MainMenu);

    auto makeAction = [this](QMenu *menu, const QString &name) {
        auto *action = new QAction(this);
        action->setObjectName(name);
        menu->addAction(action);
        return action;
    };
    auto makeSeparator = [this](QMenu *menu, const QString &name) {
        QAction *separator = menu->addSeparator();
        separator->setObjectName(name);
        return separator;
    };

    File1 = new QMenu(this);
    File1->setObjectName(QStringLiteral("File1"));
    MainMenu->addMenu(File1);
    mnuStart = makeAction(File1, QStringLiteral("mnuStart"));
    mnuStart->setIcon(MainToolBarImg->Icon(TImageList::kStart));
    N2 = makeSeparator(File1, QStringLiteral("N2"));
    Language1 = new QMenu(this);
    Language1->setObjectName(QStringLiteral("Language1"));
    // Its caption is built in: the captions routine leaves it alone (the submenu is hidden);
    // a language change translates it through the walk.
    Language1->setTitle(QStringLiteral("Language"));
    File1->addMenu(Language1);
    // Ten radio items in one group; each checks itself when chosen, and all share one handler.
    auto *languageGroup = new QActionGroup(this);
    languageGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (std::size_t i = 0; i < LangItems.size(); ++i) {
        QAction *item = makeAction(Language1, QStringLiteral("LangItem%1").arg(i + 1));
        item->setCheckable(true);
        ui::SetComponentTag(*item, static_cast<int>(i) + 1);
        languageGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { LangItem1Click(item); });
        LangItems[i] = item;
    }
    N1 = makeSeparator(File1, QStringLiteral("N1"));
    mnuClear = makeAction(File1, QStringLiteral("mnuClear"));
    mnuExportExcel = makeAction(File1, QStringLiteral("mnuExportExcel"));
    mnuExportCSV = makeAction(File1, QStringLiteral("mnuExportCSV"));
    mnuExit = makeAction(File1, QStringLiteral("mnuExit"));

    Help1 = new QMenu(this);
    Help1->setObjectName(QStringLiteral("Help1"));
    MainMenu->addMenu(Help1);
    mnuUser = makeAction(Help1, QStringLiteral("mnuUser"));
    mnuAbout = makeAction(Help1, QStringLiteral("mnuAbout"));

    connect(mnuStart, &QAction::triggered, this, [this] { mnuStartClick(mnuStart); });
    connect(mnuClear, &QAction::triggered, this, [this] { mnuClearClick(mnuClear); });
    connect(mnuExportExcel, &QAction::triggered, this, [this] { mnuExportExcelClick(mnuExportExcel); });
    connect(mnuExportCSV, &QAction::triggered, this, [this] { mnuExportCSVClick(mnuExportCSV); });
    connect(mnuExit, &QAction::triggered, this, [this] { mnuExitClick(mnuExit); });
    connect(mnuAbout, &QAction::triggered, this, [this] { mnuAboutClick(mnuAbout); });
    connect(mnuUser, &QAction::triggered, this, [this] { mnuUserClick(mnuUser); });
}

QToolButton *TfrmMain::CreateToolButton(const QString &name, int imageIndex)
{
    auto *button = new QToolButton(MainToolBar);
    button->setObjectName(name);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(MainToolBarImg->ImageSize());
    button->setIcon(MainToolBarImg->Icon(imageIndex));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    // The least size; a longer caption makes the button wider (its size hint follows the text).
    button->setMinimumSize(kToolButtonWidth, kToolButtonHeight);
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    MainToolBar->addWidget(button);
    return button;
}

void TfrmMain::CreateToolBar()
{
    MainToolBar = new GradientToolBar(this);
    MainToolBar->setObjectName(QStringLiteral("MainToolBar"));
    MainToolBar->setMovable(false);
    MainToolBar->setFloatable(false);
    MainToolBar->setIconSize(MainToolBarImg->ImageSize());
    MainToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    MainToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, MainToolBar);

    btnStart = CreateToolButton(QStringLiteral("btnStart"), TImageList::kStart);
    btnClear = CreateToolButton(QStringLiteral("btnClear"), TImageList::kClear);
    ToolButton1 = new QWidget(MainToolBar);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setFixedWidth(kToolGapWidth);
    MainToolBar->addWidget(ToolButton1);
    btnExportExcel = CreateToolButton(QStringLiteral("btnExportExcel"), TImageList::kExportExcel);
    btnExportCSV = CreateToolButton(QStringLiteral("btnExportCSV"), TImageList::kExportCSV);
    btnExit = CreateToolButton(QStringLiteral("btnExit"), TImageList::kExit);

    connect(btnStart, &QToolButton::clicked, this, [this] { btnStartClick(btnStart); });
    connect(btnClear, &QToolButton::clicked, this, [this] { btnClearClick(btnClear); });
    connect(btnExportExcel, &QToolButton::clicked, this, [this] { btnExportExcelClick(btnExportExcel); });
    connect(btnExportCSV, &QToolButton::clicked, this, [this] { btnExportCSVClick(btnExportCSV); });
    connect(btnExit, &QToolButton::clicked, this, [this] { btnExitClick(btnExit); });
}

// --- form events --------------------------------------------------------------------------

void TfrmMain::FormCreate(QObject *Sender)
{
    (void)Sender;
    ClearLog();
    CreateReader();
    WatchDeviceChanges();
    ApplyCaptions();
    SetupResultGrid();
    lb_StartRead = false;
    Timer->start();
}

void TfrmMain::FormDestroy(QObject *Sender)
{
    (void)Sender;
    if (Timer)
        Timer->stop();
}

void TfrmMain::FormResize(QObject *Sender)
{
    (void)Sender;
    FitGridColumns(*GridRec);
}

void TfrmMain::FormCloseQuery(QObject *Sender, bool &CanClose)
{
    (void)Sender;
    CanClose = ConfirmBox(TextKeys::kQuitQuestion) == 6;
    if (CanClose)
        CanClose = PendingResultsMayGo();
}

bool TfrmMain::PendingResultsMayGo()
{
    // Results whose write failed are still only in the list: one more write, and when that
    // fails too the user decides, knowing that quitting loses them (he may export them first).
    if (!DM || !DM->qryResultLog->Active() || DM->qryResultLog->PendingCount() == 0)
        return true;
    QString reason;
    try {
        DM->WritePendingResults();
        return true;
    } catch (const std::exception &error) {
        reason = platform::ErrorMessage(error);
    }
    const QString text = TranslateWithArguments(TextKeys::kPendingNotWritten,
                                                {QString::number(DM->qryResultLog->PendingCount())})
                         + QStringLiteral("\r\n") + reason + QStringLiteral("\r\n\r\n")
                         + TranslateText(TextKeys::kPendingLostOnQuit);
    return platform::CurrentDialogs().MessageBox(text, QGuiApplication::applicationDisplayName(),
                                                 platform::MB_YESNO | platform::MB_ICONEXCLAMATION)
           == 6;
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    bool canClose = true;
    FormCloseQuery(this, canClose);
    if (canClose)
        event->accept();
    else
        event->ignore();
}

QSize TfrmMain::FrameSize() const
{
    if (!isVisible())
        return QSize(0, 0);
    return frameGeometry().size() - geometry().size();
}

QSize TfrmMain::OuterSize() const
{
    const int screenHeight = screen() ? screen()->geometry().height() : 768;
    return QSize(kMainWindowWidth, MainWindowHeight(screenHeight));
}

void TfrmMain::ApplyOuterSize()
{
    appliedFrame_ = FrameSize();
    resize(OuterSize() - appliedFrame_);
}

void TfrmMain::PlaceAtStart()
{
    ApplyOuterSize();
    // move() places the frame's corner, so the whole window is centred.
    if (QScreen *where = screen())
        move(where->geometry().center() - QRect(QPoint(0, 0), OuterSize()).center());
}

void TfrmMain::FollowStartFrame(QEvent::Type type)
{
    // A window manager adds its frame after the window is mapped, and reports it with a move
    // or resize; the size and the centring are applied again with the frame it reports.
    // Placing ends once a frame has been taken into account, or after a short while when the
    // window has none (no window manager): later moves and resizes are the user's own.
    constexpr qint64 kFrameWaitMs = 2000;
    if (type == QEvent::Show && !startPlacement_.isValid()) {
        startPlacement_.start();
        PlaceAtStart();
        return;
    }
    if (!startPlacement_.isValid() || startPlacementDone_ || (type != QEvent::Move && type != QEvent::Resize))
        return;
    if (startPlacement_.elapsed() > kFrameWaitMs) {
        startPlacementDone_ = true;
        return;
    }
    const QSize frame = FrameSize();
    if (frame == appliedFrame_)
        return;
    PlaceAtStart();
    if (!frame.isNull())
        startPlacementDone_ = true;
}

bool TfrmMain::event(QEvent *event)
{
    FollowStartFrame(event->type());
    if (event->type() == QEvent::StatusTip && hintHandlerInstalled_) {
        ShowApplicationHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    // The grid has its new size only once the window's layout has placed it, and its client
    // width only once it has handled the resize itself (it lays out its viewport then): the
    // grid handles the event first, then the widths are fitted to the new client width.
    if (watched == GridRec && event->type() == QEvent::Resize) {
        const bool handled = static_cast<QObject *>(GridRec)->event(event);
        FormResize(this);
        return handled;
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- reader -------------------------------------------------------------------------------

void TfrmMain::CreateReader()
{
    HBReader = std::make_unique<CHBMeter>();
    HBReader->Setcomm(GlobalOption.MeterSet.CommPort, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    HBReader->SetPortsFolder(PortsFolder());
    // A line that breaks under a download (the other end hung up, the device vanished without
    // the system saying so) ends reading as a pulled cable does.
    HBReader->Comm()->SetOnRequestHangup([this](TComm *) { StopIfRunning(); });
    HBReader->SetOnIncompleteRecord([](const QString &text) {
        try {
            WriteLog(QStringLiteral("Incomplete record dropped (%1 characters):").arg(text.size())
                     + text.left(kLoggedIncompleteRecord));
        } catch (const platform::Exception &) {
            // The log is a diagnostic aid; stopping goes on without it.
        }
    });
    iCurrentCount = 0;
    iTotalCount = 0;
}

void TfrmMain::SetStartImage(int imageIndex)
{
    btnStart->setIcon(MainToolBarImg->Icon(imageIndex));
    mnuStart->setIcon(MainToolBarImg->Icon(imageIndex));
}

void TfrmMain::btnStartClick(QObject *Sender)
{
    (void)Sender;
    lb_StartRead = !lb_StartRead;
    DM->qryResultLog->SetSort(QStringLiteral("FID"));
    if (lb_StartRead) {
        // While reading, the grid takes new rows and the status bar new counts at most ten
        // times a second: a fast line stores a row or two every few milliseconds. At the
        // meter's pace (a read every 133 ms) every row still shows at once.
        DM->DSResultLog->SetInsertInterval(kReadingRefreshMs);
        StatBar->SetRefreshInterval(kReadingRefreshMs);
        drained_.invalidate();
        HBReader->SetPHwnd(Handle());
        HBReader->SetStart(true);
        SetStartImage(TImageList::kStop);
        mnuStart->setText(TranslateText(TextKeys::kStop));
        btnStart->setText(TranslateText(TextKeys::kStop));
        btnStart->setStatusTip(btnStart->text());
        iCurrentCount = 0;
        StatBar->SetPanelText(0, TranslateText(TextKeys::kStartDownloading) + QStringLiteral("..."));
        StatBar->SetPanelText(1, QStringLiteral("COM ") + QString::number(GlobalOption.MeterSet.CommPort));
    } else {
        HBReader->SetStart(false);
        storeTimer_->stop();
        drained_.invalidate();
        // Every record complete when the port closed has been parsed by now; it is stored
        // before a next start empties the reader's queues. The captions change either way.
        std::exception_ptr storeFailure;
        try {
            // A call stores for a limited time; here nothing may be left for later.
            while (HBReader->MeterData->Count() > 0 && SaveReceivedRecords()) {
            }
        } catch (...) {
            storeFailure = std::current_exception();
        }
        DM->DSResultLog->SetInsertInterval(0); // shows the rows held back
        StatBar->SetRefreshInterval(0);
        SetStartImage(TImageList::kStart);
        mnuStart->setText(TranslateText(TextKeys::kStart));
        btnStart->setText(TranslateText(TextKeys::kStart));
        btnStart->setStatusTip(btnStart->text());
        StatBar->SetPanelText(0, TranslateText(TextKeys::kStop));
        StatBar->SetPanelText(1, QString());
        if (storeFailure)
            std::rethrow_exception(storeFailure);
    }
}

void TfrmMain::mnuStartClick(QObject *Sender)
{
    btnStartClick(Sender);
}

void TfrmMain::StopIfRunning()
{
    if (lb_StartRead)
        btnStartClick(this);
}

void TfrmMain::btnExitClick(QObject *Sender)
{
    (void)Sender;
    close();
}

void TfrmMain::mnuExitClick(QObject *Sender)
{
    btnExitClick(Sender);
}

void TfrmMain::mnuAboutClick(QObject *Sender)
{
    (void)Sender;
    if (FrmAbout)
        FrmAbout->ShowOK();
}

void TfrmMain::mnuUserClick(QObject *Sender)
{
    (void)Sender;
    OpenUserGuide();
}

void TfrmMain::mnuClearClick(QObject *Sender)
{
    (void)Sender;
    btnClearClick(this);
}

// --- language -----------------------------------------------------------------------------

void TfrmMain::LangItem1Click(QObject *Sender)
{
    // 1. and 2. The check mark moves to the item whose Tag the sender carries.
    for (int i = 1; i <= 10; ++i) {
        if (auto *item = qobject_cast<QAction *>(findChild<QObject *>(QStringLiteral("LangItem%1").arg(i))))
            item->setChecked(false);
    }
    const int tag = Sender ? ui::ComponentTag(*Sender) : 0;
    if (auto *chosen = qobject_cast<QAction *>(findChild<QObject *>(QStringLiteral("LangItem%1").arg(tag))))
        chosen->setChecked(true);
    // 3. The language of the table's row; the manager loads it and the walk runs.
    if (const KnownLanguage *language = KnownLanguageAtPosition(tag)) {
        GlobalOption.LanguageID = language->languageId;
        DM->LanMan->SetCurrentLanguageIndex(DM->FindHSFileLanguageIndex(language->languageId));
    }
    // 4. to 6.
    ApplyCaptions();
    SetupResultGrid();
    SaveSettings();
}

// --- captions -----------------------------------------------------------------------------

void TfrmMain::ApplyCaptions()
{
    // 1. The language submenu stays hidden.
    Language1->menuAction()->setVisible(false);

    // 2. The outer size, frame included (the frame is known once the window is shown; the
    //    start placement then applies the size again).
    ApplyOuterSize();

    // 3. Titles.
    const QString title = TranslateText(GlobalOption.ApplicationCaption);
    QGuiApplication::setApplicationDisplayName(title);
    setWindowTitle(title);

    // 4. Menu captions.
    File1->setTitle(TranslateText(TextKeys::kFile));
    Help1->setTitle(TranslateText(TextKeys::kHelp));
    mnuUser->setText(TranslateText(TextKeys::kUserGuide));
    mnuAbout->setText(TranslateText(TextKeys::kAbout));
    mnuStart->setText(TranslateText(TextKeys::kStart));
    mnuClear->setText(TranslateText(TextKeys::kClearData));
    mnuExportExcel->setText(TranslateText(TextKeys::kExportExcel));
    mnuExportCSV->setText(TranslateText(TextKeys::kExportCSVFile));
    mnuExit->setText(TranslateText(TextKeys::kExit));

    // 5. Toolbar captions, then the same texts as the buttons' hints.
    btnStart->setText(TranslateText(TextKeys::kStart));
    btnClear->setText(TranslateText(TextKeys::kClearData));
    btnExportExcel->setText(TranslateText(TextKeys::kExportExcel));
    btnExportCSV->setText(TranslateText(TextKeys::kExportCSVFile));
    btnExit->setText(TranslateText(TextKeys::kExit));
    for (QToolButton *button : {btnStart, btnClear, btnExportExcel, btnExportCSV, btnExit})
        button->setStatusTip(button->text());

    // 6. Language items in table order.
    for (std::size_t i = 0; i < LangItems.size(); ++i)
        LangItems[i]->setText(TranslateText(QString::fromUtf8(kKnownLanguages[i].captionKey)));

    // 7. The hint handler.
    hintHandlerInstalled_ = true;

    // 8.
    FitGridColumns(*GridRec);

    // 9. The version.
    StatBar->SetPanelText(3, TranslateText(TextKeys::kVersion) + QStringLiteral(": ") + TFrmAbout::VersionNumber());

    // 10. The check mark of the configured language (others keep theirs).
    for (std::size_t i = 0; i < LangItems.size(); ++i) {
        if (kKnownLanguages[i].languageId == GlobalOption.LanguageID)
            LangItems[i]->setChecked(true);
    }
}

void TfrmMain::ShowApplicationHint(const QString &hint)
{
    StatBar->SetPanelText(0, hint);
}

// --- clock --------------------------------------------------------------------------------

QString TfrmMain::ClockText(platform::OleDate moment)
{
    return platform::FormatDateTime(DateFormatStr + QStringLiteral(" hh:mm:ss"), moment);
}

void TfrmMain::TimerTimer(QObject *Sender)
{
    (void)Sender;
    StatBar->SetPanelText(2, ClockText(platform::Now()));
}

// --- transfer messages --------------------------------------------------------------------

void TfrmMain::OnMessage(const platform::MessageEvent &message)
{
    switch (message.message()) {
    case WM_TRANSFER_STATE:
        WMTransferState(message.wParam(), message.lParam());
        break;
    case WM_RECORDS_READY:
        WMRecordsReady(message.wParam(), message.lParam());
        break;
    case WM_QUEUE_STATUS:
        WMQueueStatus(message.wParam(), message.lParam());
        break;
    case platform::WM_DEVICECHANGE:
        WMDeviceChange(message.wParam(), message.lParam());
        break;
    default:
        break;
    }
}

void TfrmMain::SetCommandsEnabled(bool enabled)
{
    for (QToolButton *button : {btnClear, btnExportExcel, btnExit, btnExportCSV})
        button->setEnabled(enabled);
    for (QAction *item : {mnuClear, mnuExportExcel, mnuExit, mnuExportCSV})
        item->setEnabled(enabled);
}

void TfrmMain::WMTransferState(platform::WParam wParam, platform::LParam lParam)
{
    (void)lParam;
    if (wParam == 0) {
        SetCommandsEnabled(false);
        iCurrentCount = 0;
        StatBar->SetPanelText(0, TranslateText(TextKeys::kStart));
        return;
    }
    SetCommandsEnabled(true);
    // The grid shows every stored row before the columns are fitted to it.
    DM->DSResultLog->FlushInsertions();
    const QString report = ReceivedRecordsText(GlobalOption.LanguageID, QString::number(iTotalCount));
    StatBar->SetPanelText(0, report);
    FitGridColumns(*GridRec);
    iCurrentCount = 0;
    UpdateColumnTitles();
    StopIfRunning();
    // Switching reading off writes "Stop" into the same panel; the count is what the user
    // needs to see at the end of a download, so it is shown again.
    StatBar->SetPanelText(0, report);
}

void TfrmMain::WMRecordsReady(platform::WParam wParam, platform::LParam lParam)
{
    (void)wParam;
    (void)lParam;
    // A line faster than the meter's pace completes a read every few milliseconds; storing
    // each on its own would write a batch (a commit with its flush to disk) and update the
    // window for every one. While reading, entries that come within the grid's refresh time
    // of a call that stored everything wait for one call at the end of that time. At the
    // meter's pace reads are further apart, and every call runs at once.
    if (storeTimer_->isActive())
        return;
    if (lb_StartRead && drained_.isValid() && HBReader->MeterData->Count() > 0) {
        const qint64 wait = kReadingRefreshMs - drained_.elapsed();
        if (wait > 0) {
            storeTimer_->start(static_cast<int>(wait));
            return;
        }
    }
    StoreReceived();
}

void TfrmMain::StoreReceived()
{
    // Under a box that the running call shows; that call takes these entries.
    if (saving_)
        return;
    drained_.invalidate();
    const auto next = qScopeGuard([this] {
        if (HBReader->MeterData->Count() > 0)
            storeTimer_->start(0);
        else if (lb_StartRead)
            drained_.start();
    });
    SaveReceivedRecords();
}

void TfrmMain::WMQueueStatus(platform::WParam wParam, platform::LParam lParam)
{
    (void)wParam;
    (void)lParam;
}
