// user-guide: makes the user guides, <output>/<LCID>/UserGuide.pdf, from one Markdown source
// per language named <LCID>.md. Each guide shows the main window in its language: the tool
// builds the real window offscreen, with that language's file from <languages>/<LCID>/ (the
// built-in English texts when there is none yet) and a few sample results, and puts the
// picture where the text names main-window.png.
//
//   user-guide --output DIR [--languages DIR] [--settings FILE] [--pictures DIR]
//              [--pages MIN-MAX] GUIDE.md...
//
//   --languages  the folder of the language folders (the build's bin/)
//   --settings   the settings file the window starts with (the shipped HBAPP.INI)
//   --pictures   also saves each window picture there as <LCID>-main-window.png
//   --pages      fails (and writes no guide) when a guide's page count is outside the range
//
// Prints one line per guide. Exit 0 when every guide was written, 1 when one failed (with the
// reason on standard error), 2 for a wrong command line.

#include "GuidePdf.h"
#include "MainWindowPicture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <exception>

namespace {

int Usage(const char *problem)
{
    if (problem)
        std::fprintf(stderr, "user-guide: %s\n", problem);
    std::fputs("usage: user-guide --output DIR [--languages DIR] [--settings FILE] [--pictures DIR]\n"
               "                  [--pages MIN-MAX] GUIDE.md...\n"
               "Each GUIDE is named <LCID>.md; the guide goes to DIR/<LCID>/UserGuide.pdf.\n",
               stderr);
    return 2;
}

struct Options
{
    QString output;
    QString languages;
    QString settings;
    QString pictures;
    int minPages = 1;
    int maxPages = 1000;
    QStringList guides;
};

// The guide's title: its first level-one heading.
QString TitleOf(const QString &markdown)
{
    static const QRegularExpression heading(QStringLiteral("^#[ \\t]+(.+?)[ \\t#]*$"),
                                            QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = heading.match(markdown);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("User Guide");
}

void Fail(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

void MakeGuide(const Options &options, const QString &guide)
{
    const QFileInfo info(guide);
    bool numeric = false;
    const int languageId = info.completeBaseName().toInt(&numeric);
    if (!numeric || languageId <= 0)
        Fail(guide + QStringLiteral(": the file name must be the language identifier, e.g. 1033.md"));
    QFile file(guide);
    if (!file.open(QIODevice::ReadOnly))
        Fail(guide + QStringLiteral(": ") + file.errorString());
    GuideSource source;
    source.markdown = QString::fromUtf8(file.readAll());
    source.title = TitleOf(source.markdown);
    if (!source.markdown.contains(QStringLiteral("](main-window.png)")))
        Fail(guide + QStringLiteral(": the guide has no picture of the main window (main-window.png)"));

    MainWindowSetup setup;
    setup.languageId = languageId;
    if (!options.languages.isEmpty())
        setup.languageFile = options.languages + QStringLiteral("/%1/KELO_HB_METER.txt").arg(languageId);
    setup.settingsFile = options.settings;
    const MainWindowPicture picture = RenderMainWindow(setup);
    source.images.insert(QStringLiteral("main-window.png"), picture.image);
    if (!options.pictures.isEmpty()) {
        const QString path = options.pictures + QStringLiteral("/%1-main-window.png").arg(languageId);
        if (!QDir().mkpath(options.pictures) || !picture.image.save(path))
            Fail(QStringLiteral("cannot save ") + path);
    }

    const QString folder = options.output + QStringLiteral("/%1").arg(languageId);
    if (!QDir().mkpath(folder))
        Fail(QStringLiteral("cannot make ") + folder);
    const QString pdf = folder + QStringLiteral("/UserGuide.pdf");
    const int pages = WriteGuidePdf(source, pdf);
    if (pages < options.minPages || pages > options.maxPages) {
        QFile::remove(pdf);
        Fail(guide + QStringLiteral(": %1 pages, not %2 to %3").arg(pages).arg(options.minPages).arg(options.maxPages));
    }
    QTextStream(stdout) << QStringLiteral("%1 -> %2: %3 pages; main window \"%4\"%5\n")
                               .arg(info.fileName(), pdf)
                               .arg(pages)
                               .arg(picture.windowTitle,
                                    picture.translated ? QStringLiteral(" with its language file")
                                                       : QStringLiteral(" in English (no language file yet)"));
}

} // namespace

int main(int argc, char **argv)
{
    // Always offscreen: the build has no display to show the window on. The screen is a
    // common desktop one (the window takes its full size, 1024 x 768, as on a clinic's PC) with
    // twice the pixels, which make a sharp picture on paper.
    QTemporaryDir screenFolder;
    QFile screen(screenFolder.filePath(QStringLiteral("screen.json")));
    if (!screenFolder.isValid() || !screen.open(QIODevice::WriteOnly)
        || screen.write(R"({"screens": [{"name": "guide", "x": 0, "y": 0, "width": 3840, "height": 2160,)"
                        R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}]})")
               < 0) {
        std::fputs("user-guide: cannot write the offscreen screen's description\n", stderr);
        return 1;
    }
    screen.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screen.fileName()));
    QApplication application(argc, argv);

    Options options;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        auto value = [&](QString &into) {
            if (i + 1 >= arguments.size())
                return false;
            into = arguments.at(++i);
            return true;
        };
        bool ok = true;
        if (argument == QLatin1String("--output"))
            ok = value(options.output);
        else if (argument == QLatin1String("--languages"))
            ok = value(options.languages);
        else if (argument == QLatin1String("--settings"))
            ok = value(options.settings);
        else if (argument == QLatin1String("--pictures"))
            ok = value(options.pictures);
        else if (argument == QLatin1String("--pages")) {
            QString range;
            ok = value(range);
            const QStringList bounds = range.split(u'-');
            bool minOk = false, maxOk = false;
            if (ok && bounds.size() == 2) {
                options.minPages = bounds.at(0).toInt(&minOk);
                options.maxPages = bounds.at(1).toInt(&maxOk);
            }
            ok = minOk && maxOk && options.minPages >= 1 && options.minPages <= options.maxPages;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return Usage(nullptr);
        else if (argument.startsWith(u'-'))
            return Usage("unknown option");
        else
            options.guides << argument;
        if (!ok)
            return Usage("an option lacks its value or has a wrong one");
    }
    if (options.output.isEmpty() || options.guides.isEmpty())
        return Usage("--output and at least one guide are needed");

    for (const QString &guide : options.guides) {
        try {
            MakeGuide(options, guide);
        } catch (const std::exception &error) {
            std::fprintf(stderr, "user-guide: %s\n", error.what());
            return 1;
        }
    }
    return 0;
}
