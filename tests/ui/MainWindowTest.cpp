// The main window: its components and captions, the status bar and clock, hints, closing,
// the transfer messages, Start/Stop against a pseudo-terminal and a missing port, Clear Data.

#include "ProgramFixture.h"

#include "shell/Settings.h"
#include "comm/SerialComm.h"
#include "meter/HBMeter.h"
#include "meter/MeterMessages.h"
#include "platform/DateTime.h"
#include "platform/Messages.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/DisplayFormats.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "support/TestSupport.h"
#include "ui/LayoutRules.h"
#include "ui/TDBGrid.h"
#include "ui/TImageList.h"
#include "ui/TStatusBar.h"
#include "ui/FrmAbout.h"
#include "ui/TfrmMain.h"
#include "ui/UserGuide.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using testsupport::WaitUntil;
using uitest::ProgramFixture;

class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override { GlobalOption.MeterSet.CommPort = 7; }

    // The data module (which selects the configured language) and the window.
    TfrmMain &Create()
    {
        fixture_.CreateDataModule();
        return fixture_.CreateWindow();
    }

    void PostToWindow(std::uint32_t message, platform::WParam wParam)
    {
        ASSERT_TRUE(platform::PostMessage(fixture_.Window().Handle(), message, wParam, 0));
        QCoreApplication::processEvents();
    }

    ProgramFixture fixture_;
};

TEST_F(MainWindow, ComponentsCarryTheirNamesAndTheClassName)
{
    TfrmMain &w = Create();
    EXPECT_STREQ(w.metaObject()->className(), "TfrmMain");
    for (const char *name : {"MainMenu", "File1", "mnuStart", "N2", "Language1", "N1", "mnuClear", "mnuExportExcel",
                             "mnuExportCSV", "mnuExit", "Help1", "mnuUser", "mnuAbout", "MainToolBar", "btnStart",
                             "btnClear", "ToolButton1", "btnExportExcel", "btnExportCSV", "btnExit", "StatBar",
                             "GridRec", "MainToolBarImg", "SaveDialog", "Timer"}) {
        EXPECT_NE(w.findChild<QObject *>(QString::fromLatin1(name)), nullptr) << name;
    }
    for (int i = 1; i <= 10; ++i)
        EXPECT_NE(w.findChild<QAction *>(QStringLiteral("LangItem%1").arg(i)), nullptr) << i;
    // Toolbar buttons and menu items are separate objects.
    EXPECT_NE(static_cast<QObject *>(w.btnStart), static_cast<QObject *>(w.mnuStart));
}

TEST_F(MainWindow, MenuHoldsItsItemsInOrderWithTheLanguageSubmenuHidden)
{
    TfrmMain &w = Create();
    const QList<QAction *> file = w.File1->actions();
    ASSERT_EQ(file.size(), 8);
    EXPECT_EQ(file[0], w.mnuStart);
    EXPECT_TRUE(file[1]->isSeparator());
    EXPECT_EQ(file[1]->objectName(), QStringLiteral("N2"));
    EXPECT_EQ(file[2], w.Language1->menuAction());
    EXPECT_FALSE(file[2]->isVisible());
    EXPECT_TRUE(file[3]->isSeparator());
    EXPECT_EQ(file[3]->objectName(), QStringLiteral("N1"));
    EXPECT_EQ(file[4], w.mnuClear);
    EXPECT_EQ(file[5], w.mnuExportExcel);
    EXPECT_EQ(file[6], w.mnuExportCSV);
    EXPECT_EQ(file[7], w.mnuExit);
    EXPECT_EQ(w.Help1->actions(), (QList<QAction *>{w.mnuUser, w.mnuAbout}));
    EXPECT_EQ(w.MainMenu->actions(), (QList<QAction *>{w.File1->menuAction(), w.Help1->menuAction()}));

    const QStringList captions{"English", "German",  "Spanish", "Italian", "Portuguese",
                               "French",  "Finnish", "Polish",  "Dutch",   "Swedish"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(w.LangItems[static_cast<std::size_t>(i)]->text(), captions[i]);
        // English (1033) is the configured language: only its item carries the mark.
        EXPECT_EQ(w.LangItems[static_cast<std::size_t>(i)]->isChecked(), i == 0) << i;
    }
    EXPECT_EQ(w.File1->title(), QStringLiteral("File"));
    EXPECT_EQ(w.mnuExportCSV->text(), QStringLiteral("Export CSV File"));
    EXPECT_EQ(w.mnuUser->text(), QStringLiteral("User Guide"));
}

TEST_F(MainWindow, ToolbarButtonsAreAtLeast67By36WithTextUnderTheImage)
{
    TfrmMain &w = Create();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QList<QWidget *> order{w.btnStart, w.btnClear, w.ToolButton1, w.btnExportExcel, w.btnExportCSV, w.btnExit};
    int x = -1;
    for (QWidget *item : order) {
        EXPECT_GT(item->x(), x) << qPrintable(item->objectName());
        x = item->x();
    }
    EXPECT_EQ(w.ToolButton1->width(), 8);
    const QStringList captions{"Start", "Clear Data", "Export Excel", "Export CSV File", "Exit"};
    int i = 0;
    for (QToolButton *button : {w.btnStart, w.btnClear, w.btnExportExcel, w.btnExportCSV, w.btnExit}) {
        EXPECT_GE(button->width(), 67);
        EXPECT_GE(button->height(), 36);
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->text(), captions[i]);
        EXPECT_EQ(button->statusTip(), captions[i]);
        EXPECT_TRUE(button->toolTip().isEmpty());
        EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()));
        ++i;
    }
    EXPECT_EQ(w.font().pointSize(), 8);
}

TEST_F(MainWindow, LongCaptionsWidenTheirButtonsInsteadOfBeingCut)
{
    TfrmMain &w = Create();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QList<QToolButton *> buttons{w.btnStart, w.btnClear, w.btnExportExcel, w.btnExportCSV, w.btnExit};
    const QStringList captions{QStringLiteral("Datenübertragung starten"), QStringLiteral("Alle gespeicherten Daten löschen"),
                               QStringLiteral("Nach Microsoft Excel exportieren"),
                               QStringLiteral("Exportieren in eine CSV-Datei"), QStringLiteral("Programm beenden")};
    for (int i = 0; i < buttons.size(); ++i)
        buttons[i]->setText(captions[i]);
    ASSERT_TRUE(WaitUntil([&] {
        for (QToolButton *button : buttons) {
            if (button->width() < button->fontMetrics().horizontalAdvance(button->text()))
                return false;
        }
        return true;
    }));
    for (int i = 0; i + 1 < buttons.size(); ++i) {
        // Neighbours moved aside instead of overlapping.
        EXPECT_GE(buttons[i + 1]->x(), buttons[i]->x() + buttons[i]->width()) << i;
        EXPECT_GE(buttons[i]->height(), 36);
    }
    // A short caption keeps the least size.
    w.btnExit->setText(QStringLiteral("X"));
    ASSERT_TRUE(WaitUntil([&] { return w.btnExit->width() == 67; }));
}

TEST_F(MainWindow, ImageListHoldsThirtyOnePlacesWithTheSixDrawings)
{
    TfrmMain &w = Create();
    EXPECT_EQ(w.MainToolBarImg->Count(), 31);
    for (int index = 0; index < 31; ++index) {
        const bool used = index <= 4 || index == 29;
        EXPECT_EQ(!w.MainToolBarImg->Icon(index).isNull(), used) << index;
        if (used) {
            // Each drawing really renders (a broken resource gives an empty pixmap).
            const QImage image = w.MainToolBarImg->Icon(index).pixmap(16, 16).toImage();
            ASSERT_FALSE(image.isNull()) << index;
            bool painted = false;
            for (int y = 0; y < image.height() && !painted; ++y)
                for (int x = 0; x < image.width() && !painted; ++x)
                    painted = qAlpha(image.pixel(x, y)) > 0;
            EXPECT_TRUE(painted) << index;
        }
    }
    EXPECT_TRUE(w.MainToolBarImg->Icon(31).isNull());
    EXPECT_TRUE(w.MainToolBarImg->Icon(-1).isNull());
}

// After the window changes size, the columns fill the grid's new client width (the last one
// takes the spare room), not the width the grid had before the resize.
TEST_F(MainWindow, ColumnsFillTheGridsNewWidthAfterAResize)
{
    TfrmMain &w = Create();
    w.show();
    QApplication::processEvents();
    for (const int width : {900, 1000, 950}) {
        const int before = w.GridRec->width();
        w.resize(width, w.height());
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            QApplication::processEvents();
            return w.GridRec->width() != before;
        }, std::chrono::seconds(5))) << width;
        QApplication::processEvents();
        std::vector<int> widths;
        for (int i = 0; i < w.GridRec->ColumnCount(); ++i)
            widths.push_back(w.GridRec->ColumnWidth(i));
        const unsigned options = w.GridRec->Options();
        // No results: the last column leaves 2 pixels of the client width free.
        EXPECT_EQ(UsedGridWidth(widths, (options & TDBGrid::dgColLines) != 0, (options & TDBGrid::dgIndicator) != 0),
                  w.GridRec->ClientWidth() - 2)
            << width;
    }
}

TEST_F(MainWindow, StatusBarPanelsSizeRuleTitleAndTimer)
{
    GlobalOption.ApplicationCaption = QStringLiteral("Meter Transfer");
    TfrmMain &w = Create();
    ASSERT_EQ(w.StatBar->PanelCount(), 4);
    EXPECT_EQ(w.StatBar->PanelWidth(0), 400);
    EXPECT_EQ(w.StatBar->PanelWidth(1), 180);
    EXPECT_EQ(w.StatBar->PanelWidth(2), 180);
    EXPECT_EQ(w.StatBar->PanelWidth(3), 50);
    EXPECT_EQ(w.StatBar->PanelText(3), QStringLiteral("Version: 1.0.0"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Meter Transfer"));

    // Not shown yet, so no frame: the window's size is the outer size.
    EXPECT_EQ(w.width(), 1024);
    EXPECT_EQ(w.height(), MainWindowHeight(w.screen()->geometry().height()));

    // Shown, the frame and title bar count: the outer size follows the rule, and the whole
    // window is centred on the screen.
    w.show();
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        QApplication::processEvents();
        return w.frameGeometry().size() != w.geometry().size();
    }, std::chrono::seconds(5))) << "the platform gave the window no frame";
    QApplication::processEvents();
    const QRect screen = w.screen()->geometry();
    EXPECT_EQ(w.frameGeometry().size(), QSize(1024, MainWindowHeight(screen.height())));
    // Centred; the test platform shifts a frame that starts left of its screen (the window is
    // wider than that screen) by its border's width.
    EXPECT_EQ(w.frameGeometry().center().y(), screen.center().y());
    EXPECT_NEAR(w.frameGeometry().center().x(), screen.center().x(), 2);

    EXPECT_TRUE(w.Timer->isActive());
    EXPECT_EQ(w.Timer->interval(), 1000);
    w.TimerTimer(w.Timer);
    EXPECT_FALSE(w.StatBar->PanelText(2).isEmpty());
    EXPECT_FALSE(w.lb_StartRead);
    EXPECT_EQ(w.iCurrentCount, 0);
    EXPECT_EQ(w.iTotalCount, 0);
}

TEST(StatusBar, WithAnIntervalAPanelShowsItsLatestTextOncePerIntervalAndAllAtOnceWhenSwitchedOff)
{
    TStatusBar bar({120, 120});
    bar.SetRefreshInterval(600000);
    bar.SetPanelText(0, QStringLiteral("1/1")); // after a quiet time: at once
    bar.SetPanelText(0, QStringLiteral("2/2"));
    bar.SetPanelText(0, QStringLiteral("3/3"));
    EXPECT_EQ(bar.PanelText(0), QStringLiteral("3/3"));
    EXPECT_EQ(bar.PanelLabel(0)->text(), QStringLiteral("1/1"));
    bar.SetRefreshInterval(0);
    EXPECT_EQ(bar.PanelLabel(0)->text(), QStringLiteral("3/3"));

    bar.SetRefreshInterval(500);
    bar.SetPanelText(0, QStringLiteral("4/4"));
    EXPECT_EQ(bar.PanelLabel(0)->text(), QStringLiteral("3/3"));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return bar.PanelLabel(0)->text() == QStringLiteral("4/4"); },
                                       std::chrono::seconds(10)));
}

TEST_F(MainWindow, ClockShowsMinutesNotMonths)
{
    const QString saved = DateFormatStr;
    DateFormatStr = QStringLiteral("yyyy/mm/dd");
    const platform::OleDate moment = *platform::EncodeDateTime(2026, 3, 9, 14, 5, 9);
    EXPECT_EQ(TfrmMain::ClockText(moment), QStringLiteral("2026/03/09 14:05:09"));
    DateFormatStr = QStringLiteral("d/m/yy");
    EXPECT_EQ(TfrmMain::ClockText(*platform::EncodeDateTime(2026, 12, 8, 7, 30, 0)), QStringLiteral("8/12/26 07:30:00"));
    DateFormatStr = saved;
}

TEST_F(MainWindow, HintOfAButtonReplacesPanelZeroAndLeavingItEmptiesIt)
{
    TfrmMain &w = Create();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.StatBar->SetPanelText(0, QStringLiteral("Received 12 records."));
    QStatusTipEvent enter(w.btnClear->statusTip());
    QApplication::sendEvent(w.btnClear, &enter);
    EXPECT_EQ(w.StatBar->PanelText(0), QStringLiteral("Clear Data"));
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(w.btnClear, &leave);
    EXPECT_EQ(w.StatBar->PanelText(0), QString());
    // The panels stay where they are (a plain status bar would hide them for a message).
    EXPECT_TRUE(w.StatBar->PanelLabel(3)->isVisible());
    EXPECT_EQ(w.StatBar->currentMessage(), QString());

    // Highlighting a menu item, which has no hint of its own, empties the panel too.
    w.StatBar->SetPanelText(0, QStringLiteral("Received 12 records."));
    w.mnuClear->showStatusText(w.MainMenu);
    EXPECT_EQ(w.StatBar->PanelText(0), QString());

    // The same through the mouse.
    QTest::mouseMove(w.btnExit);
    ASSERT_TRUE(WaitUntil([&] { return w.StatBar->PanelText(0) == QStringLiteral("Exit"); }));
    QTest::mouseMove(w.GridRec->viewport());
    ASSERT_TRUE(WaitUntil([&] { return w.StatBar->PanelText(0).isEmpty(); }));
}

TEST_F(MainWindow, EveryWayOfClosingAsksAndNoKeepsTheWindow)
{
    TfrmMain &w = Create();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    fixture_.dialogs.boxAnswers = {platform::IDNO, platform::IDNO, platform::IDNO};
    EXPECT_FALSE(w.close());                 // the title bar's close box
    w.btnExit->click();
    w.mnuExit->trigger();
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(fixture_.dialogs.boxes.size(), 3u);
    for (const auto &box : fixture_.dialogs.boxes) {
        EXPECT_EQ(box.text, QStringLiteral("Are you sure you want to quit?"));
        EXPECT_EQ(box.caption, QStringLiteral("Warning Message"));
        EXPECT_EQ(box.style & 0x0F, platform::MB_YESNO);
    }

    fixture_.dialogs.boxAnswers = {platform::IDYES};
    w.mnuExit->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(fixture_.dialogs.boxes.size(), 4u);
}

TEST_F(MainWindow, TransferMessagesSwitchTheFourCommandsAndReportTheTotal)
{
    TfrmMain &w = Create();
    const QList<QObject *> commands{w.btnClear, w.btnExportExcel, w.btnExportCSV, w.btnExit,
                                    w.mnuClear, w.mnuExportExcel, w.mnuExportCSV, w.mnuExit};
    auto enabled = [](QObject *o) { return o->property("enabled").toBool(); };

    w.iCurrentCount = 5;
    w.iTotalCount = 17;
    PostToWindow(WM_TRANSFER_STATE, 0);
    for (QObject *command : commands)
        EXPECT_FALSE(enabled(command)) << qPrintable(command->objectName());
    EXPECT_TRUE(w.btnStart->isEnabled());
    EXPECT_TRUE(w.mnuStart->isEnabled());
    EXPECT_EQ(w.iCurrentCount, 0);
    EXPECT_EQ(w.StatBar->PanelText(0), QStringLiteral("Start"));

    // The queue status message changes nothing.
    PostToWindow(WM_QUEUE_STATUS, 3);
    EXPECT_EQ(w.StatBar->PanelText(0), QStringLiteral("Start"));

    w.iCurrentCount = 2;
    PostToWindow(WM_TRANSFER_STATE, 1);
    for (QObject *command : commands)
        EXPECT_TRUE(enabled(command)) << qPrintable(command->objectName());
    EXPECT_EQ(w.StatBar->PanelText(0), QStringLiteral("Received 17 records."));
    EXPECT_EQ(w.iCurrentCount, 0);
    EXPECT_EQ(w.iTotalCount, 17);
    // Reading was off: the end message does not switch it on.
    EXPECT_FALSE(w.lb_StartRead);
    EXPECT_EQ(w.StatBar->PanelText(1), QString());
}

TEST_F(MainWindow, StartAndStopOpenAndCloseThePortAndChangeTheCaptions)
{
    uitest::MeterPort port(fixture_.PortsFolder(), 7);
    TfrmMain &w = Create();
    w.btnStart->click();
    EXPECT_TRUE(w.lb_StartRead);
    EXPECT_TRUE(w.HBReader->Comm()->PortOpen());
    EXPECT_EQ(w.HBReader->PHwnd(), w.Handle());
    EXPECT_EQ(w.btnStart->text(), QStringLiteral("Stop"));
    EXPECT_EQ(w.btnStart->statusTip(), QStringLiteral("Stop"));
    EXPECT_EQ(w.mnuStart->text(), QStringLiteral("Stop"));
    EXPECT_EQ(w.btnStart->icon().cacheKey(), w.MainToolBarImg->Icon(TImageList::kStop).cacheKey());
    EXPECT_EQ(w.StatBar->PanelText(0), QStringLiteral("Start downloading..."));
    EXPECT_EQ(w.StatBar->PanelText(1), QStringLiteral("COM 7"));
    EXPECT_EQ(DM->qryResultLog->Sort(), QStringLiteral("FID"));

    w.mnuStart->trigger();
    EXPECT_FALSE(w.lb_StartRead);
    EXPECT_FALSE(w.HBReader->Comm()->PortOpen());
    EXPECT_EQ(w.btnStart->text(), QStringLiteral("Start"));
    EXPECT_EQ(w.mnuStart->text(), QStringLiteral("Start"));
    EXPECT_EQ(w.btnStart->icon().cacheKey(), w.MainToolBarImg->Icon(TImageList::kStart).cacheKey());
    EXPECT_EQ(w.StatBar->PanelText(0), QStringLiteral("Stop"));
    EXPECT_EQ(w.StatBar->PanelText(1), QString());
}

TEST_F(MainWindow, StartWithoutAPortRaisesTheTranslatedErrorAndLeavesStart)
{
    const QString english = QStringLiteral("Meter is not connected correctly. Before attempting the data transfer "
                                           "again, please disconnect the meter and then reconnect.");
    const QString german = QStringLiteral("Messgerät ist nicht richtig angeschlossen. Bitte trennen und neu verbinden.");
    fixture_.AddLanguageFile(1031, {english + QStringLiteral("=") + german, QStringLiteral("Stop=Anhalten"),
                                    QStringLiteral("Start=Starten")});
    GlobalOption.LanguageID = 1031;
    GlobalOption.MeterSet.CommPort = 9;   // no link, no device
    TfrmMain &w = Create();
    ASSERT_EQ(w.btnStart->text(), QStringLiteral("Starten"));

    try {
        w.btnStartClick(w.btnStart);
        FAIL() << "the port opened";
    } catch (const ECommsError &error) {
        EXPECT_EQ(error.message(), german);
    }
    // Reading counts as on, but nothing on screen changed.
    EXPECT_TRUE(w.lb_StartRead);
    EXPECT_EQ(w.btnStart->text(), QStringLiteral("Starten"));
    EXPECT_EQ(w.mnuStart->text(), QStringLiteral("Starten"));
    EXPECT_EQ(w.StatBar->PanelText(1), QString());
    EXPECT_FALSE(w.HBReader->Comm()->PortOpen());

    // The next press switches off without opening anything...
    w.btnStartClick(w.btnStart);
    EXPECT_FALSE(w.lb_StartRead);
    EXPECT_EQ(w.StatBar->PanelText(0), QStringLiteral("Anhalten"));
    EXPECT_EQ(w.btnStart->text(), QStringLiteral("Starten"));
    // ... and the one after tries again.
    EXPECT_THROW(w.btnStartClick(w.btnStart), ECommsError);
    EXPECT_TRUE(w.lb_StartRead);
}

TEST_F(MainWindow, HelpItemsShowTheAboutBoxAndOpenTheGuide)
{
    TfrmMain &w = Create();
    int beeps = 0;
    SetUserGuideBeep([&] { ++beeps; });
    w.mnuUser->trigger();   // no guide in the test's program folder
    EXPECT_EQ(beeps, 1);
    SetUserGuideBeep({});

    // Without an About box the item does nothing.
    ASSERT_EQ(FrmAbout, nullptr);
    w.mnuAbout->trigger();

    TFrmAbout about(&w);
    FrmAbout = &about;
    bool shown = false;
    QTimer::singleShot(0, &about, [&] {
        shown = about.isVisible();
        about.accept();
    });
    w.mnuAbout->trigger();
    FrmAbout = nullptr;
    EXPECT_TRUE(shown);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
