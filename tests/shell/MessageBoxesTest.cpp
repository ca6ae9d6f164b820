#include "shell/MessageBoxes.h"
#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"
#include "i18n/TranslateText.h"

#include "i18n/LanguageTree.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

using platform::IDNO;
using platform::IDOK;
using platform::IDYES;

TEST(MessageBoxes, ConfirmBoxAsksYesNoWithQuestionIcon)
{
    SetTranslationManager(nullptr);
    testsupport::ScriptedDialogs dialogs;
    dialogs.boxAnswers = {IDNO, IDYES};
    EXPECT_EQ(ConfirmBox(QStringLiteral("Are you sure you want to quit?")), IDNO);
    EXPECT_EQ(ConfirmBox(QStringLiteral("Are you sure you want to clear data?")), IDYES);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Are you sure you want to quit?"));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Warning Message"));
    EXPECT_EQ(dialogs.boxes[0].style, 36u);
}

TEST(MessageBoxes, InfoBoxShowsOkWithInformationIcon)
{
    SetTranslationManager(nullptr);
    testsupport::ScriptedDialogs dialogs;
    EXPECT_EQ(InfoBox(QStringLiteral("Export All Data Success!")), IDOK);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Export All Data Success!"));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Message"));
    EXPECT_EQ(dialogs.boxes[0].style, 64u);
}

TEST(MessageBoxes, TextAndCaptionAreTranslated)
{
    i18ntest::LanguageTree tree;
    tree.Write(QStringLiteral("1031"),
               QString::fromUtf8("!LanguageID=1031\r\nWarning Message=Warnung\r\nMessage=Meldung\r\n"
                                 "Are you sure you want to quit?=Wirklich beenden?\r\n"
                                 "Export All Data Success!=Alle Daten exportiert!<BR>Fertig.\r\n"));
    THashLangFileStorage storage;
    storage.SetAutoDetect(true);
    storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
    storage.SetLanguagePath(tree.Root());
    TLangManager manager(&storage);
    manager.SetCurrentLanguageIndex(0);
    SetTranslationManager(&manager);

    testsupport::ScriptedDialogs dialogs;
    ConfirmBox(QStringLiteral("Are you sure you want to quit?"));
    InfoBox(QStringLiteral("Export All Data Success!"));
    InfoBox(QStringLiteral("The selected file is in use!"));
    SetTranslationManager(nullptr);

    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Wirklich beenden?"));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Warnung"));
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("Alle Daten exportiert!\r\nFertig."));
    EXPECT_EQ(dialogs.boxes[1].caption, QStringLiteral("Meldung"));
    EXPECT_EQ(dialogs.boxes[2].text, QStringLiteral("The selected file is in use!"));
}

TEST(MessageBoxes, WithoutDialogImplementationTheFailureIsLoud)
{
    platform::SetDialogs(nullptr);
    EXPECT_THROW(InfoBox(QStringLiteral("x")), std::logic_error);
}
