#pragma once
// For the benchmarks that drive the real main window: an install tree with an empty result
// database in a temporary folder, the program's folders pointed at it (English), its settings
// loaded and the meter's port set. Needs the install-tree support library.

#include "shell/Settings.h"
#include "support/install/InstallTree.h"
#include "support/install/ProgramFolders.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

class BenchInstall
{
public:
    explicit BenchInstall(int port)
    {
        LoadSettings();
        GlobalOption.MeterSet.CommPort = port;
    }

    QString PortsFolder() const { return tree_.PortsFolder(); }
    QString Database() const { return tree_.Database(); }

private:
    QTemporaryDir root_;
    const testsupport::InstallTree tree_{root_.path(), {QStringLiteral("-"), {}}};
    const bool appDataMade_ = QDir().mkpath(root_.filePath(QStringLiteral("appdata/KELODATA")));
    const testsupport::ProgramFolders folders_{root_, 1033};
};
