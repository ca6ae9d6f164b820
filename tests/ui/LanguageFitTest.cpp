// Every shipped language's texts fit their widgets: the toolbar buttons, the status panels with
// the longest texts they show, the grid's column titles with units, and the About box. A
// picture of the main window per language goes to <build>/language-screens/<LCID>.png for
// review.

#include "ProgramFixture.h"

#include "shell/Settings.h"
#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "meter/MeterRecordQuery.h"
#include "meter/HBMeter.h"
#include "support/TestSupport.h"
#include "ui/FrmAbout.h"
#include "ui/TDBGrid.h"
#include "ui/TStatusBar.h"
#include "ui/TfrmMain.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using testsupport::WaitUntil;

class LanguageFit : public ::testing::TestWithParam<int>
{
};

// The text needs no more room than the label has.
void ExpectFits(const QLabel *label, const QString &what)
{
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
        << what.toStdString() << ": \"" << label->text().toStdString() << '"';
}

TEST_P(LanguageFit, TextsFitTheirWidgets)
{
    const int lcid = GetParam();
    uitest::ProgramFixture fixture;
    GlobalOption.LanguageID = lcid;
    fixture.CreateDataModule();
    TfrmMain &w = fixture.CreateWindow();
    TFrmAbout &about = fixture.CreateAboutBox();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    if (lcid != 1033) {
        ASSERT_NE(w.btnClear->text(), QStringLiteral("Clear Data")) << "the language was not loaded";
    }

    // Results with units, so that the titles carry them.
    w.HBReader->MeterData->Push("2024-03-05", "14:07", "ID: 0007", "HB: L 14.2g/dL", "HCT: 42%");
    ASSERT_TRUE(w.SaveReceivedRecords());
    w.SetupResultGrid();
    w.StatBar->SetPanelText(0, TranslateText(TextKeys::kStartDownloading) + QStringLiteral("..."));

    for (QToolButton *button : {w.btnStart, w.btnClear, w.btnExportExcel, w.btnExportCSV, w.btnExit})
        EXPECT_TRUE(WaitUntil([&] { return button->sizeHint().width() <= button->width(); }))
            << button->objectName().toStdString() << ": \"" << button->text().toStdString() << '"';
    ExpectFits(w.StatBar->PanelLabel(0), QStringLiteral("status panel 0"));
    w.StatBar->SetPanelText(0, ReceivedRecordsText(lcid, QStringLiteral("65535")));
    ExpectFits(w.StatBar->PanelLabel(0), QStringLiteral("status panel 0"));
    ExpectFits(w.StatBar->PanelLabel(3), QStringLiteral("the version panel"));
    QHeaderView *header = w.GridRec->horizontalHeader();
    for (int column = 0; column < w.GridRec->ColumnCount(); ++column)
        EXPECT_LE(header->sectionSizeHint(column), header->sectionSize(column))
            << "column " << column << ": \"" << w.GridRec->Column(column).Title.toStdString() << '"';

    const QString screens = QStringLiteral(KELO_BINARY_DIR "/language-screens");
    QDir().mkpath(screens);
    w.grab().save(screens + QStringLiteral("/%1.png").arg(lcid));

    bool inspected = false;
    QTimer::singleShot(0, &about, [&] {
        if (WaitUntil([&] { return about.isVisible(); })) {
            EXPECT_LE(about.lblWarning->heightForWidth(about.lblWarning->width()), about.lblWarning->height())
                << "the warning is cut off";
            EXPECT_LE(about.lblTitle->heightForWidth(about.lblTitle->width()), about.lblTitle->height());
            ExpectFits(about.lblVersion, QStringLiteral("About version"));
            ExpectFits(about.lblCompany, QStringLiteral("About company"));
            EXPECT_LE(about.btnOK->sizeHint().width(), about.btnOK->width());
            about.grab().save(screens + QStringLiteral("/%1-about.png").arg(lcid));
            inspected = true;
        }
        about.reject();
    });
    about.ShowOK();
    EXPECT_TRUE(inspected);
}

std::vector<int> ShippedLanguages()
{
    std::vector<int> ids;
    for (const KnownLanguage &language : kKnownLanguages)
        ids.push_back(language.languageId);
    return ids;
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFit, ::testing::ValuesIn(ShippedLanguages()),
                         [](const auto &info) { return std::to_string(info.param); });

} // namespace
