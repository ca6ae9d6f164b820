// The About box: layout, the texts ShowOK fills in the current language, modality and Close.
#include "ui/FrmAbout.h"

#include "shell/Settings.h"
#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"
#include "i18n/TranslateText.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs ShowOK; while the box is open, inspect() sees it, then Close is pressed.
int ShowAndClose(TFrmAbout &box, const std::function<void()> &inspect)
{
    bool inspected = false;
    QTimer::singleShot(0, &box, [&] {
        if (!testsupport::WaitUntil([&] { return box.isVisible(); }))
            return;
        inspect();
        inspected = true;
        box.btnOK->click();
    });
    // Closes the box even when the inspection failed, so the test cannot hang.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &box, [&] { box.reject(); });
    guard.start(10000);
    const int result = box.ShowOK();
    EXPECT_TRUE(inspected) << "the box never became visible";
    return result;
}

class AboutBox : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOption = TGlobalOption{};
        GlobalOption.Title = kProductTitle;
        GlobalOption.ApplicationCaption = QStringLiteral("RE Zevuvuro");
    }
    void TearDown() override { SetTranslationManager(nullptr); }

    // Installs a language whose file holds entries (the data module's storage and manager in
    // miniature).
    void LoadLanguage(const QString &id, const QString &entries)
    {
        ASSERT_TRUE(root.isValid());
        QDir().mkpath(root.path() + u'/' + id);
        QFile file(root.path() + u'/' + id + QStringLiteral("/KELO_HB_METER.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("\xEF\xBB\xBF" + (QStringLiteral("!LanguageID=") + id + QStringLiteral("\r\n") + entries).toUtf8());
        file.close();
        storage.SetAutoDetect(true);
        storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
        storage.SetLanguagePath(root.path());
        storage.DetectLanguages();
        manager.SetCurrentLanguageIndex(FindHSFileLanguageIndex(storage, id.toInt()));
        SetTranslationManager(&manager);
    }

    QTemporaryDir root;
    THashLangFileStorage storage;
    TLangManager manager{&storage};
};

} // namespace

TEST_F(AboutBox, ComponentsHaveTheirNamesPlacesAndLook)
{
    TFrmAbout box;
    EXPECT_EQ(box.objectName(), QStringLiteral("FrmAbout"));
    EXPECT_STREQ(box.metaObject()->className(), "TFrmAbout");
    EXPECT_EQ(box.size(), QSize(518, 301));
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "the box must not be resizable";

    EXPECT_EQ(box.Panel1->objectName(), QStringLiteral("Panel1"));
    EXPECT_EQ(box.Panel1->geometry(), QRect(8, 8, 502, 241));
    EXPECT_EQ(box.Panel1->frameShape(), QFrame::Panel);
    EXPECT_EQ(box.Panel1->frameShadow(), QFrame::Sunken);

    EXPECT_EQ(box.ImgLogo->parentWidget(), box.Panel1);
    EXPECT_EQ(box.ImgLogo->geometry(), QRect(8, 8, 177, 60));

    EXPECT_EQ(box.lblTitle->parentWidget(), box.Panel1);
    EXPECT_EQ(box.lblTitle->geometry(), QRect(224, 8, 265, 76));
    EXPECT_TRUE(box.lblTitle->wordWrap());
    EXPECT_TRUE(box.lblTitle->font().bold());
    EXPECT_EQ(box.lblTitle->font().pixelSize(), 19);
    EXPECT_EQ(box.lblTitle->palette().color(QPalette::WindowText), QColor(Qt::blue));

    EXPECT_EQ(box.lblVersion->pos(), QPoint(224, 85));
    EXPECT_EQ(box.lblVersion->font().pixelSize(), 13);
    EXPECT_FALSE(box.lblVersion->font().bold());
    EXPECT_EQ(box.lblVersion->palette().color(QPalette::WindowText), QColor(Qt::blue));

    EXPECT_EQ(box.lblWarning->geometry(), QRect(15, 110, 474, 65));
    EXPECT_TRUE(box.lblWarning->wordWrap());
    EXPECT_EQ(box.lblWarning->font().pixelSize(), 13);
    EXPECT_EQ(box.lblWarning->palette().color(QPalette::WindowText), QColor(Qt::blue));

    EXPECT_EQ(box.btnOK->parentWidget(), &box);
    EXPECT_EQ(box.btnOK->geometry(), QRect(360, 261, 150, 28));
    EXPECT_EQ(box.btnOK->font().pixelSize(), 11);
    EXPECT_EQ(box.btnOK->palette().color(QPalette::ButtonText), QColor(Qt::black));
}

TEST_F(AboutBox, LogoIsOurVectorPictureAndDrawsSomething)
{
    TFrmAbout box;
    QSvgRenderer *renderer = box.ImgLogo->Renderer();
    ASSERT_TRUE(renderer->isValid()) << "the logo resource is missing or broken";
    EXPECT_EQ(renderer->defaultSize(), QSize(177, 60));

    // Rendered at three times its size it still has coloured pixels (a vector picture, not an
    // empty or scaled-up bitmap that would leave the canvas blank).
    QImage image(177 * 3, 60 * 3, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer->render(&painter);
    painter.end();
    int opaque = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            opaque += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    EXPECT_GT(opaque, 500);
}

TEST_F(AboutBox, ShowOkFillsEnglishTextsAndIsModal)
{
    SetTranslationManager(nullptr);
    TFrmAbout box;
    const int result = ShowAndClose(box, [&] {
        EXPECT_TRUE(box.isModal());
        EXPECT_EQ(box.lblTitle->text(), QStringLiteral("Pellion Hb Hemoglobin Data Transfer Software"));
        // No blank after the colon (unlike the status bar's "Version: 1.0.0").
        EXPECT_EQ(box.lblVersion->text(), QStringLiteral("Version:1.0.0"));
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About..."));
        EXPECT_EQ(box.btnOK->text(), QStringLiteral("Close"));
        EXPECT_EQ(box.lblWarning->text(), TFrmAbout::LegalWarningText());
        EXPECT_FALSE(box.lblWarning->text().isEmpty());
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(AboutBox, TitleIsTheProductTitleNotTheWindowCaption)
{
    SetTranslationManager(nullptr);
    GlobalOption.ApplicationCaption = QStringLiteral("My Meter");
    TFrmAbout box;
    ShowAndClose(box, [&] { EXPECT_EQ(box.lblTitle->text(), kProductTitle); });
}

TEST_F(AboutBox, EnglishTextsFitTheirLabels)
{
    SetTranslationManager(nullptr);
    TFrmAbout box;
    ShowAndClose(box, [&] {
        EXPECT_LE(box.lblWarning->heightForWidth(box.lblWarning->width()), box.lblWarning->height())
            << "the warning is cut off at the bottom";
        EXPECT_LE(box.lblTitle->heightForWidth(box.lblTitle->width()), box.lblTitle->height());
        EXPECT_LE(box.lblVersion->sizeHint().width(), box.lblVersion->width());
    });
}

TEST_F(AboutBox, EveryOpeningTakesTheCurrentLanguage)
{
    LoadLanguage(QStringLiteral("1031"),
                 QStringLiteral("Version=Fassung\r\nAbout=Info\r\nClose=Schließen\r\n") +
                     TFrmAbout::LegalWarningText() + QStringLiteral("=Achtung: urheberrechtlich geschützt.\r\n") +
                     kProductTitle + QStringLiteral("=Pellion Hb Hämoglobin-Datenübertragung\r\n"));
    TFrmAbout box;
    ShowAndClose(box, [&] {
        EXPECT_EQ(box.lblTitle->text(), QStringLiteral("Pellion Hb Hämoglobin-Datenübertragung"));
        EXPECT_EQ(box.lblVersion->text(), QStringLiteral("Fassung:1.0.0"));
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Info..."));
        EXPECT_EQ(box.btnOK->text(), QStringLiteral("Schließen"));
        EXPECT_EQ(box.lblWarning->text(), QStringLiteral("Achtung: urheberrechtlich geschützt."));
    });

    // The language changes while the box is closed; the next opening shows the new one.
    LoadLanguage(QStringLiteral("1045"), QStringLiteral("Version=Wersja\r\nAbout=O programie\r\nClose=Zamknij\r\n"));
    ShowAndClose(box, [&] {
        EXPECT_EQ(box.lblVersion->text(), QStringLiteral("Wersja:1.0.0"));
        EXPECT_EQ(box.windowTitle(), QStringLiteral("O programie..."));
        EXPECT_EQ(box.btnOK->text(), QStringLiteral("Zamknij"));
        // No entry for these: the English texts.
        EXPECT_EQ(box.lblTitle->text(), kProductTitle);
        EXPECT_EQ(box.lblWarning->text(), TFrmAbout::LegalWarningText());
    });
}

TEST_F(AboutBox, ClosingWithTheWindowButtonEndsShowOkToo)
{
    SetTranslationManager(nullptr);
    TFrmAbout box;
    QTimer::singleShot(0, &box, [&] {
        testsupport::WaitUntil([&] { return box.isVisible(); });
        box.close();
    });
    EXPECT_EQ(box.ShowOK(), QDialog::Rejected);
    EXPECT_FALSE(box.isVisible());
}
