#include "ProgramFixture.h"

#include "app/Folders.h"
#include "app/Settings.h"
#include "platform/RegionalSettings.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "ui/TfrmMain.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace uitest {

MeterPort::MeterPort(const QString &portsFolder, int port)
{
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    // The reader opens the slave by name.
    ::close(slave);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    slavePath_ = QString::fromLocal8Bit(name);
    QDir().mkpath(portsFolder);
    link_ = portsFolder + QStringLiteral("/COM%1").arg(port);
    QFile::remove(link_);
    if (!QFile::link(slavePath_, link_))
        throw std::runtime_error("cannot link the pseudo-terminal");
}

MeterPort::~MeterPort()
{
    QFile::remove(link_);
    if (master_ >= 0)
        ::close(master_);
}

void MeterPort::Send(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            throw std::runtime_error("write to the pseudo-terminal failed");
        } else {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        }
    }
}

QByteArray MeterRecord(const QString &dateTime, int id, const QString &hb, const QString &hct)
{
    const QString text = dateTime + QStringLiteral("\r\nID: %1\r\n").arg(id, 4, 10, QLatin1Char('0'))
                         + QStringLiteral("HB: ") + hb + QStringLiteral("\r\nHCT: ") + hct
                         + QStringLiteral("\r\n\r\n");
    return text.toLatin1();
}

ProgramFixture::ProgramFixture()
{
    if (!root_.isValid())
        throw std::runtime_error("no temporary folder");
    const QString root = root_.path();
    QDir().mkpath(root + QStringLiteral("/bin"));
    QDir().mkpath(root + QStringLiteral("/KELODATA/data"));
    QDir().mkpath(root + QStringLiteral("/appdata"));
    store::CreateResultDatabase(root + QStringLiteral("/KELODATA/data/HB_data1.dat"));
    SetupFolders(root + QStringLiteral("/bin/KELO_HB_METER"), root + QStringLiteral("/appdata"));
    platform::SetRegionalLocale(QLocale(QLocale::English, QLocale::UnitedStates));
}

ProgramFixture::~ProgramFixture()
{
    window_.reset();
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

TfrmMain &ProgramFixture::CreateWindow()
{
    window_ = std::make_unique<TfrmMain>();
    return *window_;
}

void ProgramFixture::DestroyWindow()
{
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
