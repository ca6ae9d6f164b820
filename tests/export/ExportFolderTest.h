#pragma once
// Base of the file-writer tests: a temporary folder for the written files and the Windows-1252
// code page for the texts, put back to the default afterwards.

#include "platform/CodePage.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class ExportFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform::SetAnsiCodePage(1252);
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override { platform::SetAnsiCodePage(0); }

    QString Path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};
