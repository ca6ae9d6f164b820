// The translation walk over the program's own windows and data module: the keys it reaches
// (dry run) and what a language change does with them, the Tag that keeps components out,
// empty entries, actions and fonts.

#include "ProgramFixture.h"

#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"
#include "shell/Settings.h"
#include "store/DataModule.h"
#include "store/TField.h"
#include "ui/ComponentTag.h"
#include "ui/FrmAbout.h"
#include "ui/TDBGrid.h"
#include "ui/TStatusBar.h"
#include "ui/TfrmMain.h"
#include "ui/TranslationWalk.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using ui::TranslationEntry;
using uitest::ProgramFixture;

class TranslationWalkTest : public ::testing::Test
{
protected:
    // The data module, the main window and the About box, in English.
    TfrmMain &CreateProgram()
    {
        fixture_.CreateDataModule();
        TfrmMain &window = fixture_.CreateWindow();
        fixture_.CreateAboutBox();
        return window;
    }

    // Writes a language file and selects it while everything exists: the walk runs.
    void ChangeLanguage(int lcid, const QStringList &lines)
    {
        fixture_.AddLanguageFile(lcid, lines);
        DM->HSFile->DetectLanguages();
        DM->LanMan->SetCurrentLanguageIndex(DM->FindHSFileLanguageIndex(lcid));
    }

    ProgramFixture fixture_{false};
};

std::map<QString, TranslationEntry> ByKey(const std::vector<TranslationEntry> &entries)
{
    std::map<QString, TranslationEntry> byKey;
    for (const TranslationEntry &entry : entries)
        EXPECT_TRUE(byKey.emplace(entry.key, entry).second) << "key twice: " << entry.key.toStdString();
    return byKey;
}

TEST_F(TranslationWalkTest, DryRunReachesTheProgramsKeysFormsFirstThenTheDataModule)
{
    TfrmMain &w = CreateProgram();
    const std::vector<TranslationEntry> entries = ui::ReachableTranslationEntries();
    const auto byKey = ByKey(entries);
    ASSERT_EQ(byKey.count(QStringLiteral("TfrmMain.Caption")), 1u);
    EXPECT_EQ(byKey.at(QStringLiteral("TfrmMain.Caption")).value, w.windowTitle());

    struct Expected
    {
        const char *key;
        const char *value;   // nullptr: a font entry
    };
    for (const Expected &expected : std::initializer_list<Expected>{
             {"TfrmMain.btnStart.Caption", "Start"},
             {"TfrmMain.mnuExportExcel.Caption", "Export Excel"},
             {"TfrmMain.Language1.Caption", "Language"},
             {"TfrmMain.LangItem1.Caption", "English"},
             {"TfrmMain.StatBar.Panels.Item0.Text", ""},
             {"TfrmMain.GridRec.Columns.Item0.Title.Caption", "Test Number"},
             {"TFrmAbout.btnOK.Caption", ""},
             {"TFrmAbout.lblCompany.Caption", "KELO"},
             {"TDM.DM.qryResultLogfHB.DisplayLabel", "fHB"},
             {"TfrmMain.!Font", nullptr},
             {"TfrmMain.GridRec.!TitleFont", nullptr},
             {"TFrmAbout.btnOK.!Font", nullptr},
         }) {
        const auto found = byKey.find(QString::fromLatin1(expected.key));
        ASSERT_NE(found, byKey.end()) << "not reached: " << expected.key;
        if (expected.value) {
            EXPECT_EQ(found->second.kind, TranslationEntry::Kind::Text) << expected.key;
            EXPECT_EQ(found->second.value, QString::fromLatin1(expected.value)) << expected.key;
        } else {
            EXPECT_EQ(found->second.kind, TranslationEntry::Kind::Font) << expected.key;
            EXPECT_FALSE(found->second.value.isEmpty()) << expected.key;
        }
    }
    // A control that follows its parent's font, Qt's own parts and components without a text
    // property are not reached.
    EXPECT_EQ(byKey.count(QStringLiteral("TfrmMain.btnStart.!Font")), 0u);
    for (const TranslationEntry &entry : entries)
        EXPECT_FALSE(entry.key.contains(QLatin1String("qt_"))) << entry.key.toStdString();

    // Roots in order: the main window, the About box, the data module.
    std::vector<QString> roots;
    for (const TranslationEntry &entry : entries) {
        const QString root = entry.key.section(u'.', 0, 0);
        if (roots.empty() || roots.back() != root)
            roots.push_back(root);
    }
    EXPECT_EQ(roots, (std::vector<QString>{"TfrmMain", "TFrmAbout", "TDM"}));
}

TEST_F(TranslationWalkTest, LanguageChangeSetsEveryKindOfKeyAndEmptyValuesKeepTheText)
{
    TfrmMain &w = CreateProgram();
    struct Case
    {
        QString line;
        std::function<QString()> shown;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"TfrmMain.Caption=Hb-Datenübertragung", [&] { return w.windowTitle(); }, "Hb-Datenübertragung"},
        {"TfrmMain.btnStart.Caption=Los", [&] { return w.btnStart->text(); }, "Los"},
        {"TfrmMain.btnClear.Hint=Alle Daten löschen", [&] { return w.btnClear->statusTip(); }, "Alle Daten löschen"},
        {"TfrmMain.Language1.Caption=Sprache", [&] { return w.Language1->title(); }, "Sprache"},
        {"TfrmMain.mnuExportCSV.Caption=CSV-Datei exportieren", [&] { return w.mnuExportCSV->text(); },
         "CSV-Datei exportieren"},
        {"TfrmMain.StatBar.Panels.Item1.Text=Anschluss", [&] { return w.StatBar->PanelText(1); }, "Anschluss"},
        {"TfrmMain.GridRec.Columns.Item0.Title.Caption=Testnummer", [&] { return w.GridRec->Column(0).Title; },
         "Testnummer"},
        {"TFrmAbout.lblCompany.Caption=KELO GmbH", [&] { return FrmAbout->lblCompany->text(); }, "KELO GmbH"},
        {"TDM.DM.qryResultLogfHB.DisplayLabel=Hämoglobin",
         [&] { return DM->findChild<TField *>(QStringLiteral("qryResultLogfHB"))->DisplayLabel(); }, "Hämoglobin"},
        // Empty values and keys of other shapes change nothing.
        {"TfrmMain.mnuExit.Caption=", [&] { return w.mnuExit->text(); }, "Exit"},
        {"TfrmMain.btnExit.Caption =Ende", [&] { return w.btnExit->text(); }, "Exit"},
        {"btnExportExcel.Caption=Excel", [&] { return w.btnExportExcel->text(); }, "Export Excel"},
        {"TfrmMain.MainToolBar.btnExportCSV.Caption=CSV", [&] { return w.btnExportCSV->text(); }, "Export CSV File"},
    };
    QStringList lines;
    for (const Case &c : cases)
        lines << c.line;
    ChangeLanguage(1031, lines);
    for (const Case &c : cases)
        EXPECT_EQ(c.shown(), c.expected) << c.line.toStdString();
}

TEST_F(TranslationWalkTest, Tag2001KeepsTheComponentAndEverythingBelowIt)
{
    TfrmMain &w = CreateProgram();
    ui::SetComponentTag(*w.MainToolBar, ui::kNoTranslationTag);
    ui::SetComponentTag(*w.StatBar, ui::kNoTranslationTag);
    const auto byKey = ByKey(ui::ReachableTranslationEntries());
    EXPECT_EQ(byKey.count(QStringLiteral("TfrmMain.btnExit.Caption")), 0u);
    EXPECT_EQ(byKey.count(QStringLiteral("TfrmMain.StatBar.Panels.Item3.Text")), 0u);
    EXPECT_EQ(byKey.count(QStringLiteral("TfrmMain.mnuExit.Caption")), 1u);

    ChangeLanguage(1031, {"TfrmMain.btnExit.Caption=Ende", "TfrmMain.MainToolBar.Caption=Werkzeuge",
                          "TfrmMain.StatBar.Panels.Item1.Text=Anschluss", "TfrmMain.mnuExit.Caption=Beenden"});
    EXPECT_EQ(w.btnExit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(w.MainToolBar->windowTitle(), QString());
    EXPECT_EQ(w.StatBar->PanelText(1), QString());
    EXPECT_EQ(w.mnuExit->text(), QStringLiteral("Beenden"));
}

// A dialog of the test's own: its keys start with its class name, QDialog.
class OwnForm
{
public:
    OwnForm()
    {
        dialog.setObjectName(QStringLiteral("dlgOwn"));
        sameAsAction = AddButton("btnSame", "actSame", "Open");
        ownCaption = AddButton("btnOwn", "actOwn", "Save");
        ownCaption->setText(QStringLiteral("Keep"));
        plain = new QLabel(QStringLiteral("plain"), &dialog);
        plain->setObjectName(QStringLiteral("lblPlain"));
        QFont bold = dialog.font();
        bold.setBold(true);
        bold.setPointSize(9);
        dialog.setFont(bold);
        ui::AddForm(dialog);
    }

    QToolButton *AddButton(const char *name, const char *actionName, const char *text)
    {
        auto *action = new QAction(QString::fromLatin1(text), &dialog);
        action->setObjectName(QString::fromLatin1(actionName));
        auto *button = new QToolButton(&dialog);
        button->setObjectName(QString::fromLatin1(name));
        button->setDefaultAction(action);
        return button;
    }

    QDialog dialog;
    QToolButton *sameAsAction;
    QToolButton *ownCaption;
    QLabel *plain;
};

TEST_F(TranslationWalkTest, CaptionsEqualToTheirActionsStayWhileIgnoreActionIsOn)
{
    fixture_.CreateDataModule();
    for (const bool ignoreAction : {true, false}) {
        OwnForm form;
        DM->LanMan->FIgnoreAction = ignoreAction;
        ChangeLanguage(1031, {"QDialog.btnSame.Caption=Öffnen", "QDialog.btnOwn.Caption=Behalten"});
        EXPECT_EQ(form.sameAsAction->text(), ignoreAction ? QStringLiteral("Open") : QStringLiteral("Öffnen"))
            << ignoreAction;
        EXPECT_EQ(form.ownCaption->text(), QStringLiteral("Behalten")) << ignoreAction;
    }
}

TEST_F(TranslationWalkTest, FormsTakeTheLanguagesDefaultFontThenTheirFontEntries)
{
    TfrmMain &w = CreateProgram();
    OwnForm form;
    ChangeLanguage(1031, {"!TranslationDefaultFont=Courier New,13", "TFrmAbout.btnOK.!Font=Courier New,17,I",
                          "QDialog.lblPlain.!Font=,30", "TfrmMain.!Font=,11"});
    // The default font's family and size; the form's bold style stays.
    EXPECT_EQ(form.dialog.font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(form.dialog.font().pointSize(), 13);
    EXPECT_TRUE(form.dialog.font().bold());
    // A label that follows its form's font is not given its own.
    EXPECT_EQ(form.plain->font().pointSize(), 13);
    // Own font entries: on top of the parent's font, then the entry.
    EXPECT_EQ(FrmAbout->btnOK->font().pointSize(), 17);
    EXPECT_TRUE(FrmAbout->btnOK->font().italic());
    EXPECT_EQ(w.font().pointSize(), 11);
    EXPECT_EQ(w.font().family(), QStringLiteral("Courier New"));
}

} // namespace
