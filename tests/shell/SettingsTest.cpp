#include "shell/Folders.h"
#include "shell/Settings.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(QDir(root_.path()).mkpath("KELODATA"));
        savedDataPath_ = DataPath;
        DataPath = root_.path() + "/KELODATA";
        GlobalOption = TGlobalOption();
    }
    void TearDown() override { DataPath = savedDataPath_; }

    QString iniPath() const { return root_.path() + "/KELODATA/HBAPP.INI"; }
    void writeIni(const QByteArray &content) const { WriteFileBytes(iniPath(), content); }

    // LoadSettings over a file holding one key.
    void loadWith(const QByteArray &section, const QByteArray &line) const
    {
        writeIni("[" + section + "]\n" + line + "\n");
        LoadSettings();
    }

    QTemporaryDir root_;
    QString savedDataPath_;
};

} // namespace

TEST_F(SettingsTest, MissingFileGivesTheDefaults)
{
    LoadSettings();
    EXPECT_EQ(GlobalOption.ApplicationCaption, "Pellion Hb Hemoglobin Data Transfer Software");
    EXPECT_EQ(GlobalOption.Title, "Pellion Hb Hemoglobin Data Transfer Software");
    EXPECT_EQ(GlobalOption.Icon, "Image\\KeloLogo.ico");
    EXPECT_EQ(GlobalOption.Logo, "Image\\KeloLogo.bmp");
    EXPECT_EQ(GlobalOption.DisableColor, 15790320u);
    EXPECT_EQ(GlobalOption.LanguageID, 1033);
    EXPECT_FALSE(GlobalOption.MultiLanguage);
    EXPECT_EQ(GlobalOption.MeterSet.CommPort, 5);
    EXPECT_TRUE(GlobalOption.Company.isEmpty());
}

TEST_F(SettingsTest, FileValuesAreReadFromEverySection)
{
    writeIni("[appearance]\r\n"
             "Title=My Meter\r\n"
             "Icon = 'x.ico'\r\n"
             "Logo=\r\n"
             "DisableColor=102030\r\n"
             "[Language]\r\n"
             "LanguageID=1031\r\n"
             "MultiLanguage=1\r\n"
             "[comm]\r\n"
             "port=12");
    LoadSettings();
    EXPECT_EQ(GlobalOption.ApplicationCaption, "My Meter");
    // The product title never comes from the file.
    EXPECT_EQ(GlobalOption.Title, "Pellion Hb Hemoglobin Data Transfer Software");
    EXPECT_EQ(GlobalOption.Icon, "x.ico");
    EXPECT_EQ(GlobalOption.Logo, "");   // present but empty: not the default
    EXPECT_EQ(GlobalOption.DisableColor, 0x10u + 0x20u * 256 + 0x30u * 65536);
    EXPECT_EQ(GlobalOption.LanguageID, 1031);
    EXPECT_TRUE(GlobalOption.MultiLanguage);
    EXPECT_EQ(GlobalOption.MeterSet.CommPort, 12);
}

TEST_F(SettingsTest, SettingsFileIsFoundInAnyCase)
{
    WriteFileBytes(root_.path() + "/KELODATA/hbapp.ini", "[COMM]\nPort=9\n");
    LoadSettings();
    EXPECT_EQ(GlobalOption.MeterSet.CommPort, 9);
    EXPECT_EQ(SettingsFilePath(), root_.path() + "/KELODATA/hbapp.ini");
}

TEST_F(SettingsTest, IntegerTexts)
{
    const struct
    {
        const char *text;
        int expected;
    } cases[] = {
        {"0x407", 1031},       {"0X407", 1031},     {"$407", 1031},     {"$ff", 255},
        {"1031", 1031},        {"  1031  ", 1031},  {"\"1031\"", 1031}, {"+12", 12},
        {"-12", -12},          {"-$10", -16},       {"007", 7},         {"0x1", 1},
        {"$FFFFFFFF", -1},     {"2147483647", 2147483647},              {"-2147483648", -2147483647 - 1},
        // Not integers: the default.
        {"abc", 1033},         {"", 1033},          {"0x", 1033},       {"0x0x1", 1033},
        {"$", 1033},           {"x407", 1033},      {"1 0", 1033},      {"12abc", 1033},
        {"1.5", 1033},         {"2147483648", 1033}, {"$100000000", 1033}, {"- 1", 1033},
        {"-0x10", 1033},       {"$-1", 1033},       {"+", 1033},
    };
    for (const auto &c : cases) {
        loadWith("LANGUAGE", QByteArray("LanguageID=") + c.text);
        EXPECT_EQ(GlobalOption.LanguageID, c.expected) << "LanguageID=" << c.text;
    }
}

TEST_F(SettingsTest, BooleanIsAnyNonZeroInteger)
{
    const struct
    {
        const char *text;
        bool expected;
    } cases[] = {{"0", false}, {"1", true}, {"2", true}, {"-1", true}, {"$10", true},
                 {"no", false}, {"yes", false}, {"true", false}, {"", false}, {"0x0", false}};
    for (const auto &c : cases) {
        loadWith("LANGUAGE", QByteArray("MultiLanguage=") + c.text);
        EXPECT_EQ(GlobalOption.MultiLanguage, c.expected) << "MultiLanguage=" << c.text;
    }
}

TEST(ColorFromHexText, SixHexDigitsAreRedGreenBlue)
{
    EXPECT_EQ(ColorFromHexText("F0F0F0"), 15790320u);
    EXPECT_EQ(ColorFromHexText("FF0000"), 0x0000FFu);
    EXPECT_EQ(ColorFromHexText("00ff00"), 0x00FF00u);
    EXPECT_EQ(ColorFromHexText("0000FF"), 0xFF0000u);
    EXPECT_EQ(ColorFromHexText("000000"), 0u);
    // Only the first six characters count.
    EXPECT_EQ(ColorFromHexText("123456789"), 0x563412u);
}

TEST(ColorFromHexText, UnconvertibleTextGivesTheDefaultColour)
{
    for (const char *text : {"", "F0F0F", "GGGGGG", "12 456", "+1+1+1", "$12345", "0x1234"})
        EXPECT_EQ(ColorFromHexText(text), 15790320u) << text;
}

TEST_F(SettingsTest, SaveWritesTheTwoKeysAndKeepsTheRest)
{
    const QByteArray before = "; installed settings\r\n"
                              "[APPEARANCE]\r\n"
                              "Title=My Meter\r\n"
                              "\r\n"
                              "[LANGUAGE]\r\n"
                              "LanguageID=1033\r\n"
                              "MultiLanguage=0\r\n"
                              "\r\n"
                              "[COMM]\r\n"
                              "Port=5\r\n"
                              "[EXTRA]\r\n"
                              "Keep=me";
    writeIni(before);
    LoadSettings();
    GlobalOption.LanguageID = 1031;
    SaveSettings();
    QByteArray expected = before;
    expected.replace("LanguageID=1033", "LanguageID=1031");
    EXPECT_EQ(ReadFileBytes(iniPath()), expected);

    GlobalOption.MeterSet.CommPort = 17;
    SaveSettings();
    expected.replace("Port=5", "Port=17");
    EXPECT_EQ(ReadFileBytes(iniPath()), expected);

    LoadSettings();
    EXPECT_EQ(GlobalOption.LanguageID, 1031);
    EXPECT_EQ(GlobalOption.MeterSet.CommPort, 17);
    EXPECT_EQ(GlobalOption.ApplicationCaption, "My Meter");
}

TEST_F(SettingsTest, SaveCreatesAMissingFileLanguageFirst)
{
    GlobalOption.LanguageID = 1045;
    GlobalOption.MeterSet.CommPort = 3;
    SaveSettings();
    EXPECT_EQ(ReadFileBytes(iniPath()), "[LANGUAGE]\nLanguageID=1045\n\n[COMM]\nPort=3\n");
}

TEST_F(SettingsTest, FailedSaveNamesTheFileAndKeepsTheValues)
{
    DataPath = root_.path() + "/missing/KELODATA";
    GlobalOption.LanguageID = 1036;
    GlobalOption.MeterSet.CommPort = 8;
    try {
        SaveSettings();
        FAIL() << "a write into a missing folder succeeded";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.message(), "Unable to write to " + root_.path() + "/missing/KELODATA/HBAPP.INI");
    }
    EXPECT_EQ(GlobalOption.LanguageID, 1036);
    EXPECT_EQ(GlobalOption.MeterSet.CommPort, 8);
    EXPECT_FALSE(QDir(root_.path() + "/missing").exists());
}

TEST_F(SettingsTest, ReadOnlySettingsFileIsReportedAndUnchanged)
{
    const QByteArray before = "[LANGUAGE]\nLanguageID=1033\n";
    writeIni(before);
    ASSERT_TRUE(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    GlobalOption.LanguageID = 1031;
    EXPECT_THROW(SaveSettings(), platform::Exception);
    EXPECT_EQ(ReadFileBytes(iniPath()), before);
}
