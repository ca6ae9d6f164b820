// The user-guide maker as the build runs it: a Markdown guide becomes a PDF of whole pages with
// the main window's picture, in the language whose file it finds; a guide it cannot make
// leaves no PDF behind.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun RunUserGuide(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(KELO_USER_GUIDE), arguments);
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(5000);
        run.err = QStringLiteral("user-guide did not finish");
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

// Page objects of a PDF ("/Type /Page", not the "/Type /Pages" tree), counted in its bytes:
// the writer keeps object dictionaries uncompressed.
int PdfPageCount(const QByteArray &pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    return static_cast<int>(QString::fromLatin1(pdf).count(page));
}

// A short guide: a heading, the picture and some paragraphs, enough to run onto a second page.
QByteArray SmallGuide(int paragraphs)
{
    QByteArray text = "# Kurzanleitung\n\n![Hauptfenster](main-window.png)\n\n";
    for (int i = 0; i < paragraphs; ++i) {
        text += "## Abschnitt " + QByteArray::number(i + 1) + "\n\n";
        for (int j = 0; j < 12; ++j)
            text += "Das Programm liest die Ergebnisse des Messger\xC3\xA4ts und zeigt sie in der Tabelle. ";
        text += "\n\n";
    }
    return text;
}

class UserGuideTool : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString &relative) const { return dir_.filePath(relative); }
    QString Pdf(int lcid) const { return Path(QStringLiteral("bin/%1/UserGuide.pdf").arg(lcid)); }
    QStringList Arguments(const QStringList &guides) const
    {
        return QStringList{QStringLiteral("--output"), Path(QStringLiteral("bin")), QStringLiteral("--languages"),
                           Path(QStringLiteral("bin"))} + guides;
    }

    QTemporaryDir dir_;
};

TEST_F(UserGuideTool, MakesWholePagesWithTheWindowInTheLanguageItFinds)
{
    WriteFile(Path(QStringLiteral("guide/1031.md")), SmallGuide(6));
    const QString guide = Path(QStringLiteral("guide/1031.md"));

    // No language file yet: the window keeps its built-in English title.
    const ToolRun english = RunUserGuide(Arguments({QStringLiteral("--pages"), QStringLiteral("2-4"), guide}));
    ASSERT_EQ(english.exitCode, 0) << english.err.toStdString();
    EXPECT_TRUE(english.out.contains(QStringLiteral("\"Pellion Hb Hemoglobin Data Transfer Software\" in English")))
        << english.out.toStdString();

    WriteFile(Path(QStringLiteral("bin/1031/KELO_HB_METER.txt")),
              "\xEF\xBB\xBF!LanguageID=1031\r\n!LanguageName=Deutsch\r\n"
              "Pellion Hb Hemoglobin Data Transfer Software=Pellion Hb Datenübertragung\r\n"
              "Clear Data=Daten l\xC3\xB6schen\r\n");
    const ToolRun german = RunUserGuide(Arguments({guide}));
    ASSERT_EQ(german.exitCode, 0) << german.err.toStdString();
    EXPECT_TRUE(german.out.contains(QStringLiteral("\"Pellion Hb Datenübertragung\" with its language file")))
        << german.out.toStdString();

    QFile pdf(Pdf(1031));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    const int pages = PdfPageCount(bytes);
    EXPECT_GE(pages, 2);
    EXPECT_LE(pages, 4);
    EXPECT_TRUE(german.out.contains(QStringLiteral(": %1 pages;").arg(pages))) << german.out.toStdString();
    EXPECT_TRUE(bytes.contains("/Subtype /Image")) << "the window's picture is missing";
}

TEST_F(UserGuideTool, AGuideItCannotMakeLeavesNoPdf)
{
    WriteFile(Path(QStringLiteral("guide/1033.md")), SmallGuide(6));
    WriteFile(Path(QStringLiteral("guide/1034.md")), "# Sin imagen\n\nTexto.\n");
    WriteFile(Path(QStringLiteral("guide/english.md")), SmallGuide(1));
    const QString longGuide = Path(QStringLiteral("guide/1033.md"));
    const struct
    {
        const char *what;
        QStringList arguments;
        int exitCode;
        int lcid;
    } cases[] = {
        {"too many pages for the range", Arguments({QStringLiteral("--pages"), QStringLiteral("1-1"), longGuide}), 1,
         1033},
        {"no picture of the window", Arguments({Path(QStringLiteral("guide/1034.md"))}), 1, 1034},
        {"a file name that is no language", Arguments({Path(QStringLiteral("guide/english.md"))}), 1, 0},
        {"a missing guide", Arguments({Path(QStringLiteral("guide/1040.md"))}), 1, 1040},
        {"no output folder", {longGuide}, 2, 1033},
        {"a page range the wrong way round", Arguments({QStringLiteral("--pages"), QStringLiteral("4-2"), longGuide}),
         2, 1033},
    };
    for (const auto &c : cases) {
        const ToolRun run = RunUserGuide(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.err.toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << c.what;
        EXPECT_FALSE(QFileInfo::exists(Pdf(c.lcid))) << c.what;
    }
}

} // namespace
