// The component entries of the shipped language files name components the walk really
// reaches on the program's windows and data module; every language lists the same ones as
// English (tests/i18n/ShippedLanguageFilesTest.cpp), so English is read here.

#include "ProgramFixture.h"

#include "support/TestSupport.h"
#include "ui/TranslationWalk.h"

#include <gtest/gtest.h>

#include <set>

TEST(ShippedComponentEntries, EveryOneIsAKeyTheWalkReaches)
{
    uitest::ProgramFixture fixture;
    fixture.CreateDataModule();
    fixture.CreateWindow();
    fixture.CreateAboutBox();
    std::set<QString> reachable;
    for (const ui::TranslationEntry &entry : ui::ReachableTranslationEntries())
        reachable.insert(entry.key);

    const QString text = QString::fromUtf8(testsupport::ReadFileBytes(KELO_SOURCE_DIR "/data/lang/1033/KELO_HB_METER.txt"));
    int components = 0;
    QStringList unreached;
    for (const QString &line : text.split(QStringLiteral("\r\n"))) {
        const QString key = line.section(u'=', 0, 0);
        if (!key.startsWith(QLatin1String("TfrmMain.")) && !key.startsWith(QLatin1String("TFrmAbout."))
            && !key.startsWith(QLatin1String("TDM.")))
            continue;
        ++components;
        if (!reachable.count(key))
            unreached << key;
    }
    EXPECT_GT(components, 0);
    EXPECT_TRUE(unreached.isEmpty()) << unreached.join(u'\n').toStdString();
}
