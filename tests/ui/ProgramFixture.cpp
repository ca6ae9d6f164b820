#include "ProgramFixture.h"

#include "shell/Folders.h"
#include "shell/Settings.h"
#include "platform/RegionalSettings.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "support/install/InstallTree.h"
#include "ui/FrmAbout.h"
#include "ui/TfrmMain.h"
#include "ui/TranslationWalk.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace uitest {

QByteArray MeterRecord(const QString &dateTime, int id, const QString &hb, const QString &hct)
{
    const QString text = dateTime + QStringLiteral("\r\nID: %1\r\n").arg(id, 4, 10, QLatin1Char('0'))
                         + QStringLiteral("HB: ") + hb + QStringLiteral("\r\nHCT: ") + hct
                         + QStringLiteral("\r\n\r\n");
    return text.toLatin1();
}

ProgramFixture::ProgramFixture(bool shippedLanguages)
{
    if (!root_.isValid())
        throw std::runtime_error("no temporary folder");
    const QString root = root_.path();
    const testsupport::InstallTree tree(root, {QStringLiteral("-"), {}, shippedLanguages});
    QDir().mkpath(root + QStringLiteral("/appdata"));
    SetupFolders(tree.Program(), root + QStringLiteral("/appdata"));
    platform::SetRegionalLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    ui::InstallTranslationWalk();
}

ProgramFixture::~ProgramFixture()
{
    DestroyWindow();
    dm_.reset();
    platform::ResetRegionalLocale();
    GlobalOption = TGlobalOption();
}

void ProgramFixture::AddLanguageFile(int lcid, const QStringList &lines)
{
    const QString folder = root_.path() + QStringLiteral("/bin/%1").arg(lcid);
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/KELO_HB_METER.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write a language file");
    QByteArray bytes = "\xEF\xBB\xBF";
    bytes += QStringLiteral("!LanguageID=%1\r\n").arg(lcid).toUtf8();
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    file.write(bytes);
}

TDM &ProgramFixture::CreateDataModule()
{
    DatabaseOpened = true;
    dm_ = std::make_unique<TDM>();
    if (!DatabaseOpened)
        throw std::runtime_error("the test database did not open");
    return *dm_;
}

void ProgramFixture::DestroyDataModule()
{
    dm_.reset();
}

TfrmMain &ProgramFixture::CreateWindow()
{
    window_ = std::make_unique<TfrmMain>();
    return *window_;
}

TFrmAbout &ProgramFixture::CreateAboutBox()
{
    about_ = std::make_unique<TFrmAbout>(window_.get());
    FrmAbout = about_.get();
    return *about_;
}

void ProgramFixture::DestroyWindow()
{
    if (FrmAbout == about_.get())
        FrmAbout = nullptr;
    about_.reset();
    window_.reset();
}

QString ProgramFixture::PortsFolder() const
{
    return DataPath + QStringLiteral("/ports");
}

QString ProgramFixture::DatabasePath() const
{
    return DataPath + QStringLiteral("/data/HB_data1.dat");
}

QString ProgramFixture::LogPath() const
{
    return AppDataPath + QStringLiteral("HB.dbg");
}

QStringList StoredRecIDs(const QString &databasePath)
{
    store::DatabaseConnection connection;
    connection.Open(databasePath, store::DatabasePassword());
    store::ResultView view(connection);
    view.Open();
    view.SetSort(QStringLiteral("FID"));
    QStringList ids;
    for (int i = 0; i < view.RecordCount(); ++i)
        ids << view.Text(i, static_cast<int>(store::ResultColumn::fRecID));
    return ids;
}

} // namespace uitest
