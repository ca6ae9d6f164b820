// Language selection: the language at start-up from the settings, and the ten language items
// with their one handler (check mark, language, captions, grid titles, settings file).

#include "ProgramFixture.h"

#include "comm/SerialComm.h"
#include "meter/HBMeter.h"
#include "shell/Settings.h"
#include "store/DataModule.h"
#include "ui/ComponentTag.h"
#include "ui/FrmAbout.h"
#include "ui/TDBGrid.h"
#include "ui/TImageList.h"
#include "ui/TStatusBar.h"
#include "ui/TfrmMain.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

using uitest::ProgramFixture;

const QStringList kGerman = {"File=Datei", "Start=Los", "Test Number=Testnummer",
                             "TfrmMain.btnStart.Caption=Beginnen", "TFrmAbout.lblCompany.Caption=KELO GmbH"};
const QStringList kEnglish = {"File=File"};

class LanguageSelection : public ::testing::Test
{
protected:
    // A fresh install tree with these language folders and the settings' identifier, then the
    // data module, the main window and the About box, as the start-up makes them.
    TfrmMain &Start(int languageId, const std::map<int, QStringList> &folders)
    {
        fixture_.reset();
        fixture_ = std::make_unique<ProgramFixture>(false);
        for (const auto &[lcid, lines] : folders)
            fixture_->AddLanguageFile(lcid, lines);
        GlobalOption.LanguageID = languageId;
        GlobalOption.MeterSet.CommPort = 7;
        fixture_->CreateDataModule();
        TfrmMain &window = fixture_->CreateWindow();
        fixture_->CreateAboutBox();
        return window;
    }

    // The next start of the program in the same install tree: the settings file decides.
    TfrmMain &Restart()
    {
        fixture_->DestroyWindow();
        fixture_->DestroyDataModule();
        GlobalOption = TGlobalOption();
        LoadSettings();
        fixture_->CreateDataModule();
        return fixture_->CreateWindow();
    }

    static std::vector<int> CheckedItems(const TfrmMain &w)
    {
        std::vector<int> checked;
        for (QAction *item : w.LangItems) {
            if (item->isChecked())
                checked.push_back(ui::ComponentTag(*item));
        }
        return checked;
    }

    // The panel's message at the end of a transfer.
    static QString CountMessage(TfrmMain &w)
    {
        w.WMTransferState(1, 0);
        return w.StatBar->PanelText(0);
    }

    std::unique_ptr<ProgramFixture> fixture_;
};

TEST_F(LanguageSelection, StartUpTakesTheSettingsIdentifier)
{
    struct Case
    {
        int languageId;
        std::map<int, QStringList> folders;
        QString fileTitle;
        std::vector<int> checked;
        QString count;
    };
    const std::vector<Case> cases = {
        // A folder of its own but outside the table: its strings, no mark, the English count.
        {1046, {{1033, kEnglish}, {1046, {"File=Arquivo"}}}, "Arquivo", {}, "Received 0 records."},
        // Outside the table and without a folder: position 0 (1031 comes before 1033).
        {1032, {{1031, kGerman}, {1033, kEnglish}}, "Datei", {}, "Received 0 records."},
        {1031, {{1031, kGerman}, {1033, kEnglish}}, "Datei", {2}, "0 Datensätze empfangen."},
        // No folder at all: the built-in English, the count of the identifier's own row.
        {1036, {}, "File", {6}, "0 enregistrements obtenus."},
    };
    for (const Case &c : cases) {
        TfrmMain &w = Start(c.languageId, c.folders);
        EXPECT_EQ(w.File1->title(), c.fileTitle) << c.languageId;
        EXPECT_EQ(CheckedItems(w), c.checked) << c.languageId;
        EXPECT_EQ(CountMessage(w), c.count) << c.languageId;
        // The walk ran at start-up, before the windows existed: the built-in texts stay.
        EXPECT_EQ(FrmAbout->lblCompany->text(), TFrmAbout::CompanyText()) << c.languageId;
    }
}

TEST_F(LanguageSelection, ChoosingALanguageTranslatesMarksAndSavesIt)
{
    struct Case
    {
        int item;   // 1 to 10
        int languageId;
        QString fileTitle;   // strings of the chosen language, or of position 0 without a folder
        QString count;
    };
    const std::vector<Case> cases = {
        {2, 1031, "Datei", "0 Datensätze empfangen."},
        // No folder 2070: the first detected language's strings, the Portuguese count.
        {5, 2070, "Datei", "Registos 0 recebidos."},
    };
    for (const Case &c : cases) {
        TfrmMain &w = Start(1033, {{1031, kGerman}, {1033, kEnglish}});
        ASSERT_EQ(w.File1->title(), QStringLiteral("File"));
        QAction *item = w.LangItems[static_cast<std::size_t>(c.item - 1)];
        EXPECT_EQ(ui::ComponentTag(*item), c.item);
        ASSERT_NE(item->actionGroup(), nullptr);
        EXPECT_EQ(item->actionGroup(), w.LangItems[0]->actionGroup());
        item->trigger();

        EXPECT_EQ(CheckedItems(w), std::vector<int>{c.item}) << c.languageId;
        EXPECT_EQ(GlobalOption.LanguageID, c.languageId);
        EXPECT_EQ(w.File1->title(), c.fileTitle) << c.languageId;
        // The program's own captions win over the walk's entry for the same text.
        EXPECT_EQ(w.btnStart->text(), QStringLiteral("Los")) << c.languageId;
        EXPECT_EQ(w.GridRec->Column(0).Title, QStringLiteral("Testnummer")) << c.languageId;
        // A text only the walk sets: the About box's company line.
        EXPECT_EQ(FrmAbout->lblCompany->text(), QStringLiteral("KELO GmbH")) << c.languageId;
        EXPECT_EQ(CountMessage(w), c.count) << c.languageId;
        EXPECT_FALSE(w.Language1->menuAction()->isVisible());

        // The settings file holds the choice, and the next start comes up in it.
        TfrmMain &next = Restart();
        EXPECT_EQ(GlobalOption.LanguageID, c.languageId);
        EXPECT_EQ(next.File1->title(), c.fileTitle) << c.languageId;
        EXPECT_EQ(CheckedItems(next), std::vector<int>{c.item}) << c.languageId;
    }
}

TEST_F(LanguageSelection, ChoosingWhileReadingShowsStartWithTheStopImage)
{
    TfrmMain &w = Start(1033, {{1031, kGerman}, {1033, kEnglish}});
    uitest::MeterPort port(fixture_->PortsFolder(), 7);
    w.btnStartClick(w.btnStart);
    ASSERT_TRUE(w.lb_StartRead);
    ASSERT_EQ(w.btnStart->text(), QStringLiteral("Stop"));

    w.LangItems[1]->trigger();
    EXPECT_EQ(w.btnStart->text(), QStringLiteral("Los"));
    EXPECT_EQ(w.btnStart->icon().cacheKey(), w.MainToolBarImg->Icon(TImageList::kStop).cacheKey());
    EXPECT_TRUE(w.lb_StartRead);
    EXPECT_TRUE(w.HBReader->Comm()->PortOpen());

    // The next press switches reading off.
    w.btnStartClick(w.btnStart);
    EXPECT_FALSE(w.lb_StartRead);
    EXPECT_FALSE(w.HBReader->Comm()->PortOpen());
}

} // namespace
