// The user guide: the current language's PDF beside the program, opened through the desktop;
// a beep and nothing else when that fails.
#include "ui/UserGuide.h"

#include "shell/Folders.h"
#include "shell/Settings.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Receives the desktop's "open" requests for files instead of a PDF viewer.
class FileOpener : public QObject
{
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.push_back(url); }
};

class UserGuide : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(program.isValid());
        savedExePath = ExePath;
        ExePath = program.path() + u'/';
        GlobalOption = TGlobalOption{};
        GlobalOption.LanguageID = 1033;
        SetUserGuideBeep([this] { ++beeps; });
    }
    void TearDown() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        SetUserGuideBeep({});
        ExePath = savedExePath;
    }

    QString PutGuide(const QString &language, const QString &name = QStringLiteral("UserGuide.pdf"))
    {
        QDir().mkpath(program.path() + u'/' + language);
        const QString path = program.path() + u'/' + language + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n%%EOF\n");
        return path;
    }
    void HandleFiles() { QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open"); }

    QTemporaryDir program;
    QString savedExePath;
    FileOpener opener;
    int beeps = 0;
};

} // namespace

TEST_F(UserGuide, PathIsProgramFolderLanguageAndFileName)
{
    GlobalOption.LanguageID = 2070;
    EXPECT_EQ(UserGuidePath(), program.path() + QStringLiteral("/2070/UserGuide.pdf"));
}

TEST_F(UserGuide, CurrentLanguagesGuideIsOpened)
{
    PutGuide(QStringLiteral("1033"));
    const QString german = PutGuide(QStringLiteral("1031"));
    GlobalOption.LanguageID = 1031;
    HandleFiles();
    EXPECT_TRUE(OpenUserGuide());
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], QUrl::fromLocalFile(german));
    EXPECT_EQ(beeps, 0);
}

TEST_F(UserGuide, MissingGuideOnlyBeepsAndTriesNoOtherLanguage)
{
    PutGuide(QStringLiteral("1033"));
    GlobalOption.LanguageID = 1031;
    HandleFiles();
    EXPECT_FALSE(OpenUserGuide());
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(opener.opened.empty()) << "nothing may be opened, not even the English guide";
}

TEST_F(UserGuide, FolderNamedLikeTheGuideIsNotAGuide)
{
    QDir().mkpath(program.path() + QStringLiteral("/1033/UserGuide.pdf"));
    HandleFiles();
    EXPECT_FALSE(OpenUserGuide());
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(opener.opened.empty());
}

TEST_F(UserGuide, GuideNamedInOtherLetterCaseIsFound)
{
    const QString path = PutGuide(QStringLiteral("1033"), QStringLiteral("userguide.PDF"));
    HandleFiles();
    EXPECT_TRUE(OpenUserGuide());
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], QUrl::fromLocalFile(path));
    EXPECT_EQ(beeps, 0);
}

TEST_F(UserGuide, DesktopThatCannotOpenTheFileGivesABeep)
{
    // The offscreen platform has no desktop services: opening an existing file fails there,
    // as it does on a desktop with no PDF viewer.
    if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
        GTEST_SKIP() << "needs the offscreen platform";
    PutGuide(QStringLiteral("1033"));
    EXPECT_FALSE(OpenUserGuide());
    EXPECT_EQ(beeps, 1);
}

#include "UserGuideTest.moc"
