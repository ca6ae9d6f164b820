#pragma once
// An install tree as the build and an installation lay it down, under a root folder of the
// caller's:
//   <root>/bin/KELO_HB_METER            the program (a copy of the build's, or another program)
//   <root>/bin/<LCID>/...               the build's language folders
//   <root>/KELODATA/HBAPP.INI           settings (the build's default file, or given bytes)
//   <root>/KELODATA/data/HB_data1.dat   an empty result database
//   <root>/KELODATA/ports/              the folder for COMn links
// Tests, benchmarks and scripts/run --demo (which follows the same rule in shell) use it.
// Throws std::runtime_error naming what could not be laid down.

#include <QByteArray>
#include <QString>

namespace testsupport {

class InstallTree
{
public:
    struct Options
    {
        // The program to copy to <root>/bin/KELO_HB_METER: empty copies the build's program,
        // "-" lays down no program at all.
        QString program;
        // HBAPP.INI's bytes; empty copies the build's default settings.
        QByteArray settings;
        // The build's language folders (the shipped languages); off: none, for tests that lay
        // down languages of their own.
        bool languages = true;
    };

    InstallTree(const QString &root, const Options &options);
    explicit InstallTree(const QString &root) : InstallTree(root, Options{}) {}

    const QString &Root() const { return root_; }
    QString Program() const { return root_ + QStringLiteral("/bin/KELO_HB_METER"); }
    QString DataFolder() const { return root_ + QStringLiteral("/KELODATA"); }
    QString SettingsFile() const { return DataFolder() + QStringLiteral("/HBAPP.INI"); }
    QString DatabaseFolder() const { return DataFolder() + QStringLiteral("/data"); }
    QString Database() const { return DatabaseFolder() + QStringLiteral("/HB_data1.dat"); }
    QString LockFile() const { return DatabaseFolder() + QStringLiteral("/HB_data1.ldb"); }
    QString PortsFolder() const { return DataFolder() + QStringLiteral("/ports"); }

    // The build folder that the tree's parts come from.
    static QString BuildFolder();

private:
    QString root_;
};

} // namespace testsupport
