#include "support/install/InstallTree.h"

#include "store/ResultLogSchema.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace testsupport {

namespace {

void Require(bool done, const QString &what)
{
    if (!done)
        throw std::runtime_error("cannot lay down the install tree: " + what.toStdString());
}

void CopyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    Require(QFile::copy(from, to), from + QStringLiteral(" -> ") + to);
}

} // namespace

QString InstallTree::BuildFolder()
{
    return QStringLiteral(KELO_BINARY_DIR);
}

InstallTree::InstallTree(const QString &root, const Options &options)
    : root_(root)
{
    const QString bin = root_ + QStringLiteral("/bin");
    for (const QString &folder : {bin, DatabaseFolder(), PortsFolder()})
        Require(QDir().mkpath(folder), folder);

    if (options.program != QStringLiteral("-"))
        CopyFile(options.program.isEmpty() ? BuildFolder() + QStringLiteral("/bin/KELO_HB_METER") : options.program,
                 Program());

    // The language folders are the numeric ones beside the build's program.
    const QDir builtBin(BuildFolder() + QStringLiteral("/bin"));
    const QStringList languages = options.languages ? builtBin.entryList(QDir::Dirs | QDir::NoDotAndDotDot) : QStringList();
    for (const QString &language : languages) {
        bool numeric = false;
        language.toInt(&numeric);
        if (!numeric)
            continue;
        Require(QDir(bin).mkpath(language), bin + u'/' + language);
        for (const QString &file : QDir(builtBin.filePath(language)).entryList(QDir::Files))
            CopyFile(builtBin.filePath(language + u'/' + file), bin + u'/' + language + u'/' + file);
    }

    if (options.settings.isEmpty()) {
        CopyFile(BuildFolder() + QStringLiteral("/KELODATA/HBAPP.INI"), SettingsFile());
    } else {
        QFile settings(SettingsFile());
        Require(settings.open(QIODevice::WriteOnly | QIODevice::Truncate)
                    && settings.write(options.settings) == options.settings.size(),
                SettingsFile());
    }

    QFile::remove(Database());
    store::CreateResultDatabase(Database());
}

} // namespace testsupport
