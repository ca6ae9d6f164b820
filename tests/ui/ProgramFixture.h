#pragma once
// What the main-window tests and the end-to-end tests share: a temporary install tree with a
// fresh result database, the program's folders and settings pointed at it, scripted dialogs,
// the data module, the main window, and a pseudo-terminal linked as one of the tree's COM
// ports.

#include "support/PtyPair.h"
#include "support/ScriptedDialogs.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

class TDM;
class TFrmAbout;
class TfrmMain;

namespace uitest {

// A pseudo-terminal whose slave side is linked as <ports folder>/COM<port>; the test writes
// the meter's bytes to the master side.
class MeterPort
{
public:
    MeterPort(const QString &portsFolder, int port) : pty_(portsFolder, port) {}

    QString SlavePath() const { return pty_.slavePath(); }
    // Writes every byte to the master side.
    void Send(const QByteArray &bytes) { pty_.send(bytes); }

private:
    PtyPair pty_;
};

// One meter record: date and time line, ID, HB and HCT lines, closed by an empty line.
QByteArray MeterRecord(const QString &dateTime, int id, const QString &hb, const QString &hct);

class ProgramFixture
{
public:
    // Lays down an install tree without a program (testsupport::InstallTree: default
    // settings, an empty database, the ports folder) and an application-data folder, runs
    // SetupFolders on them, installs scripted dialogs and, as the start-up does, the
    // translation walk.
    // shippedLanguages false: no language folders until the test adds its own.
    explicit ProgramFixture(bool shippedLanguages = true);
    // Destroys the About box and the window before the data module, then restores the
    // settings.
    ~ProgramFixture();
    ProgramFixture(const ProgramFixture &) = delete;
    ProgramFixture &operator=(const ProgramFixture &) = delete;

    // A language file <root>/bin/<lcid>/KELO_HB_METER.txt (UTF-8) with these lines.
    void AddLanguageFile(int lcid, const QStringList &lines);

    // The data module and then the main window (needs the data module).
    TDM &CreateDataModule();
    TfrmMain &CreateWindow();
    void DestroyDataModule();
    // The About box as the start-up makes it: FrmAbout, hidden, with the main window as its
    // parent (needs the window).
    TFrmAbout &CreateAboutBox();
    void DestroyWindow();

    TfrmMain &Window() const { return *window_; }
    QString Root() const { return root_.path(); }
    QString PortsFolder() const;
    QString DatabasePath() const;
    QString LogPath() const;

    testsupport::ScriptedDialogs dialogs;

private:
    QTemporaryDir root_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<TfrmMain> window_;
    std::unique_ptr<TFrmAbout> about_;
};

// The stored rows' fRecID texts in fID order, read through a connection of their own.
QStringList StoredRecIDs(const QString &databasePath);

} // namespace uitest
