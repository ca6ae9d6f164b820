#include "shell/Folders.h"
#include "shell/Settings.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::ScriptedDialogs;
using testsupport::WriteFileBytes;

namespace {

class FoldersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp_.isValid());
        ASSERT_TRUE(QDir(tmp_.path()).mkpath("root/bin"));
        ASSERT_TRUE(QDir(tmp_.path()).mkpath("root/KELODATA"));
        ASSERT_TRUE(QDir(tmp_.path()).mkpath("share"));
        WriteFileBytes(root() + "/KELODATA/HBAPP.INI", "[LANGUAGE]\nLanguageID=1031\n[COMM]\nPort=7\n");
        GlobalOption = TGlobalOption();
    }
    void TearDown() override
    {
        ExePath = saved_[0];
        AppDataPath = saved_[1];
        DataPath = saved_[2];
    }

    QString root() const { return tmp_.path() + "/root"; }
    QString share() const { return tmp_.path() + "/share"; }
    QString program() const { return root() + "/bin/KELO_HB_METER"; }

    QTemporaryDir tmp_;
    ScriptedDialogs dialogs_;
    const QString saved_[3] = {ExePath, AppDataPath, DataPath};
};

} // namespace

TEST_F(FoldersTest, ProgramUnderBinUsesTheInstallRootForData)
{
    SetupFolders(program(), share());
    EXPECT_EQ(ExePath, root() + "/bin/");
    EXPECT_EQ(AppDataPath, share() + "/KELODATA/");
    EXPECT_EQ(DataPath, root() + "/KELODATA");
    EXPECT_TRUE(dialogs_.boxes.empty());
    // SetupFolders ends by reading the settings from DataPath.
    EXPECT_EQ(GlobalOption.LanguageID, 1031);
    EXPECT_EQ(GlobalOption.MeterSet.CommPort, 7);
    EXPECT_EQ(SettingsFilePath(), root() + "/KELODATA/HBAPP.INI");
}

TEST_F(FoldersTest, ProgramDirectlyBelowTheRoot)
{
    SetupFolders("/KELO_HB_METER", share());
    EXPECT_EQ(ExePath, "/");
    EXPECT_EQ(DataPath, "/KELODATA");
    EXPECT_EQ(AppDataPath, share() + "/KELODATA/");

    SetupFolders("/bin/KELO_HB_METER", share());
    EXPECT_EQ(ExePath, "/bin/");
    EXPECT_EQ(DataPath, "/KELODATA");
}

TEST_F(FoldersTest, NoApplicationDataFolderFallsBackToTheProgramFolder)
{
    for (const QString &none : {QString(), QString("   ")}) {
        SetupFolders(program(), none);
        EXPECT_EQ(AppDataPath, root() + "/bin/KELODATA/");
        EXPECT_TRUE(QFileInfo(root() + "/bin/KELODATA").isDir());
    }
    EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(FoldersTest, FirstStartCreatesTheLogFolderLaterStartsCreateNothing)
{
    ASSERT_FALSE(QFileInfo::exists(share() + "/KELODATA"));
    SetupFolders(program(), share());
    ASSERT_TRUE(QFileInfo(share() + "/KELODATA").isDir());
    WriteFileBytes(share() + "/KELODATA/HB.dbg", "log");
    const QStringList before = QDir(share()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    SetupFolders(program(), share());
    EXPECT_EQ(QDir(share()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    EXPECT_EQ(testsupport::ReadFileBytes(share() + "/KELODATA/HB.dbg"), "log");
    EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(FoldersTest, LogFolderInAnotherCaseIsTheSameFolder)
{
    ASSERT_TRUE(QDir(share()).mkdir("KeloData"));
    SetupFolders(program(), share());
    EXPECT_EQ(AppDataPath, share() + "/KeloData/");
    EXPECT_EQ(QDir(share()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"KeloData"});
}

TEST_F(FoldersTest, UncreatableLogFolderIsReportedAndStartUpGoesOn)
{
    // The application-data "folder" is a file, so nothing can be created below it.
    WriteFileBytes(tmp_.path() + "/plain-file", "x");
    SetupFolders(program(), tmp_.path() + "/plain-file");
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].text,
              "Error in create folder " + tmp_.path() + "/plain-file/KELODATA\r\nNot a directory");
    EXPECT_EQ(dialogs_.boxes[0].caption, "Warning");
    EXPECT_EQ(dialogs_.boxes[0].style, 0u);
    // The settings are still read from where they were installed.
    EXPECT_EQ(DataPath, root() + "/KELODATA");
    EXPECT_EQ(GlobalOption.LanguageID, 1031);
}

TEST_F(FoldersTest, MissingApplicationDataFolderIsNotCreatedWithParents)
{
    SetupFolders(program(), tmp_.path() + "/gone");
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].text,
              "Error in create folder " + tmp_.path() + "/gone/KELODATA\r\nNo such file or directory");
    EXPECT_FALSE(QFileInfo::exists(tmp_.path() + "/gone"));
    EXPECT_EQ(GlobalOption.MeterSet.CommPort, 7);
}

TEST_F(FoldersTest, SpecialFolderOtherThanApplicationDataLeavesThePathAlone)
{
    QString path = "unchanged";
    GetSpecialFolder(5, path);
    EXPECT_EQ(path, "unchanged");
}
