// The Debian package as an administrator meets it: the files it lays down, its maintainer
// scripts and desktop files as their validators see them, and, in temporary roots, the data
// folder its postinst makes, the program it installs started by a member of the group (and by
// someone who is not), and installing, upgrading, removing and purging it with dpkg.
//
// Installing needs root (dpkg, the group, the files' owners); as another user those tests are
// skipped and say so.
#include "i18n/HashLangFileStorage.h"
#include "i18n/TranslateText.h"
#include "platform/IniFile.h"
#include "program/WindowTitleBeacon.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using testsupport::WaitUntil;

namespace {

const QString kPackage = QStringLiteral(KELO_DEB_FILE);
const QString kSource = QStringLiteral(KELO_SOURCE_DIR);
const QString kData = QStringLiteral("/var/opt/kelo-hb-meter/KELODATA");
// The user who starts the program in the tests: nobody, a member of the group or not.
constexpr unsigned kNurse = 65534;

struct Result
{
    int exitCode = -1;
    QByteArray output;   // standard output and error together
};

Result RunTool(const QString &program, const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return {-1, process.errorString().toUtf8()};
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll()};
}

#define EXPECT_RUNS(result) \
    do { \
        const Result r_ = (result); \
        EXPECT_EQ(r_.exitCode, 0) << r_.output.toStdString(); \
    } while (false)

QStringList ShippedLanguages()
{
    return QDir(kSource + QStringLiteral("/data/lang")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t ModeOf(const QString &path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return 0;
    return status.st_mode & 07777;
}

gid_t GroupOf(const QString &path)
{
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status.st_gid;
}

// The package taken apart once: its files under root, its control files under control.
class Package : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(QFileInfo(kPackage).isFile()) << "no package at " << kPackage.toStdString();
        tmp = new QTemporaryDir;
        EXPECT_RUNS(RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), kPackage, Root()}));
        EXPECT_RUNS(RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), kPackage, Control()}));
    }
    static void TearDownTestSuite()
    {
        delete tmp;
        tmp = nullptr;
    }
    static QString Root() { return tmp->path() + QStringLiteral("/root"); }
    static QString Control() { return tmp->path() + QStringLiteral("/control"); }
    static QString Field(const QString &name)
    {
        const QString control = QString::fromUtf8(testsupport::ReadFileBytes(Control() + QStringLiteral("/control")));
        for (const QString &line : control.split(QLatin1Char('\n'))) {
            if (line.startsWith(name + QStringLiteral(": ")))
                return line.mid(name.size() + 2);
        }
        return {};
    }

    static QTemporaryDir *tmp;
};

QTemporaryDir *Package::tmp = nullptr;

TEST_F(Package, LaysDownTheInstallTreeWithOnlyItsCommandOnThePath)
{
    enum Kind { File, Program, Link };
    struct Entry
    {
        QString path;
        Kind kind;
        QString target;   // of a link
    };
    QList<Entry> entries = {
        {"opt/kelo-hb-meter/bin/KELO_HB_METER", Program, {}},
        {"opt/kelo-hb-meter/bin/make-db", Program, {}},
        {"opt/kelo-hb-meter/bin/meter-sim", Program, {}},
        {"opt/kelo-hb-meter/defaults/HBAPP.INI", File, {}},
        {"opt/kelo-hb-meter/KELODATA", Link, kData},
        {"usr/bin/kelo-hb-meter", Link, "/opt/kelo-hb-meter/bin/KELO_HB_METER"},
        {"usr/lib/udev/rules.d/60-kelo-hb-meter.rules", File, {}},
        {"usr/share/applications/kelo-hb-meter.desktop", File, {}},
        {"usr/share/icons/hicolor/scalable/apps/kelo-hb-meter.svg", File, {}},
        {"usr/share/man/man1/kelo-hb-meter.1.gz", File, {}},
        {"usr/share/doc/kelo-hb-meter/copyright", File, {}},
        {"usr/share/doc/kelo-hb-meter/changelog.gz", File, {}},
    };
    for (const char *size : {"16x16", "32x32", "48x48", "256x256"})
        entries.append({QStringLiteral("usr/share/icons/hicolor/%1/apps/kelo-hb-meter.png").arg(size), File, {}});
    const QStringList languages = ShippedLanguages();
    ASSERT_EQ(languages.size(), 10);
    for (const QString &lcid : languages) {
        entries.append({QStringLiteral("opt/kelo-hb-meter/bin/%1/KELO_HB_METER.txt").arg(lcid), File, {}});
        entries.append({QStringLiteral("opt/kelo-hb-meter/bin/%1/UserGuide.pdf").arg(lcid), File, {}});
    }
    for (const Entry &entry : entries) {
        SCOPED_TRACE(entry.path.toStdString());
        const QFileInfo info(Root() + QLatin1Char('/') + entry.path);
        switch (entry.kind) {
        case Link:
            ASSERT_TRUE(info.isSymLink());
            EXPECT_EQ(info.symLinkTarget(), entry.target);
            break;
        case File:
        case Program:
            ASSERT_TRUE(info.isFile() && !info.isSymLink());
            EXPECT_GT(info.size(), 0);
            EXPECT_EQ(ModeOf(info.filePath()), entry.kind == Program ? 0755u : 0644u);
            break;
        }
    }
    EXPECT_EQ(QDir(Root() + QStringLiteral("/usr/bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList{"kelo-hb-meter"});
    EXPECT_EQ(QDir(Root() + QStringLiteral("/usr/share/metainfo")).entryList({"*.metainfo.xml"}).size(), 1);
    // The data folder is the postinst's to make, never a file of the package.
    EXPECT_FALSE(QFileInfo::exists(Root() + QStringLiteral("/var")));
}

TEST_F(Package, DependsOnTheLibrariesTheProgramLoadsAndTheToolsItsScriptsRun)
{
    const QString depends = Field(QStringLiteral("Depends"));
    for (const char *name : {"libqt6widgets6", "libqt6svg6", "libsqlcipher0", "libudev1", "libasound2", "qt6-qpa-plugins",
                             "adduser", "passwd"})
        EXPECT_TRUE(depends.contains(QLatin1String(name))) << name << " missing in: " << depends.toStdString();
    EXPECT_EQ(Field(QStringLiteral("Package")), QStringLiteral("kelo-hb-meter"));
}

TEST_F(Package, ScriptsAndDesktopFilesPassTheirValidators)
{
    const QString metainfo = QDir(Root() + QStringLiteral("/usr/share/metainfo")).filePath(
        QDir(Root() + QStringLiteral("/usr/share/metainfo")).entryList({"*.metainfo.xml"}).value(0));
    const struct
    {
        QString program;
        QStringList arguments;
    } checks[] = {
        {"sh", {"-n", Control() + "/postinst"}},
        {"sh", {"-n", Control() + "/postrm"}},
        // Hints are suggestions (MedicalSoftware "could be extended"); warnings count.
        {"desktop-file-validate", {"--no-hints", Root() + "/usr/share/applications/kelo-hb-meter.desktop"}},
        {"appstreamcli", {"validate", "--no-net", "--no-color", metainfo}},
    };
    for (const auto &check : checks) {
        SCOPED_TRACE((check.program + QLatin1Char(' ') + check.arguments.last()).toStdString());
        const Result result = RunTool(check.program, check.arguments);
        EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
        if (check.program != QStringLiteral("appstreamcli")) {
            EXPECT_EQ(result.output, QByteArray());
        }
    }
    for (const char *script : {"postinst", "postrm"})
        EXPECT_EQ(ModeOf(Control() + QLatin1Char('/') + QLatin1String(script)), 0755u) << script;
}

// A temporary root as dpkg --root needs it: its own package database and group file.
class InstalledPackage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "installing the package into a temporary root needs root";
        ASSERT_TRUE(tmp_.isValid());
        // The program runs as another user, who must reach the root.
        ASSERT_EQ(::chmod(QFile::encodeName(tmp_.path()).constData(), 0755), 0);
        for (const char *folder : {"root/etc", "root/var/lib/dpkg/info", "root/var/lib/dpkg/updates", "home", "run"})
            ASSERT_TRUE(QDir(tmp_.path()).mkpath(QLatin1String(folder)));
        testsupport::WriteFileBytes(root() + "/etc/group", "root:x:0:\nnogroup:x:65534:\n");
        testsupport::WriteFileBytes(root() + "/etc/gshadow", "root:*::\nnogroup:*::\n");
        testsupport::WriteFileBytes(root() + "/var/lib/dpkg/status", {});
        testsupport::WriteFileBytes(root() + "/var/lib/dpkg/available", {});
        for (const char *folder : {"home", "run"}) {
            const QByteArray path = QFile::encodeName(tmp_.path() + QLatin1Char('/') + QLatin1String(folder));
            ASSERT_EQ(::chown(path.constData(), kNurse, kNurse), 0);
            ASSERT_EQ(::chmod(path.constData(), 0700), 0);
        }
    }
    void TearDown() override
    {
        if (program_.state() != QProcess::NotRunning) {
            program_.kill();
            program_.waitForFinished(5000);
        }
    }

    QString root() const { return tmp_.path() + QStringLiteral("/root"); }
    QString data() const { return root() + kData; }
    QString database() const { return data() + QStringLiteral("/data/HB_data1.dat"); }
    QString settings() const { return data() + QStringLiteral("/HBAPP.INI"); }

    // dpkg acting on the temporary root, its maintainer scripts run there with DPKG_ROOT set.
    Result Dpkg(const QStringList &arguments)
    {
        return RunTool(QStringLiteral("dpkg"), QStringList{QStringLiteral("--root=") + root(),
                                                       QStringLiteral("--force-script-chrootless"),
                                                       QStringLiteral("--force-depends"), QStringLiteral("--log=/dev/null")}
                                               + arguments);
    }

    unsigned groupId() const
    {
        for (const QByteArray &line : testsupport::ReadFileBytes(root() + "/etc/group").split('\n')) {
            if (line.startsWith("kelohb:"))
                return line.split(':').value(2).toUInt();
        }
        return 0;
    }

    // The same package with a later version, for an upgrade.
    QString LaterPackage()
    {
        const QString tree = tmp_.path() + QStringLiteral("/later");
        const QString file = tmp_.path() + QStringLiteral("/later.deb");
        EXPECT_RUNS(RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-R"), kPackage, tree}));
        QByteArray control = testsupport::ReadFileBytes(tree + QStringLiteral("/DEBIAN/control"));
        control.replace(QByteArray("\nVersion: "), QByteArray("\nVersion: 99:"));
        testsupport::WriteFileBytes(tree + QStringLiteral("/DEBIAN/control"), control);
        EXPECT_RUNS(RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("--root-owner-group"), QStringLiteral("-b"), tree, file}));
        return file;
    }

    qlonglong storedRows() const
    {
        store::DatabaseConnection connection;
        connection.Open(database(), store::DatabasePassword());
        return connection.QueryText(QStringLiteral("SELECT count(*) FROM result_log")).toLongLong();
    }

    // Starts the installed program as the nurse, offscreen, with or without the group.
    void StartProgram(bool member)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), tmp_.path() + QStringLiteral("/home"));
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        environment.insert(QStringLiteral("TMPDIR"), tmp_.path() + QStringLiteral("/home"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        testsupport::AddChildSanitizerOptions(environment, tmp_.path() + QStringLiteral("/home"));
        program_.setProcessEnvironment(environment);
        program_.setProcessChannelMode(QProcess::ForwardedChannels);
        const QString user = QString::number(kNurse);
        program_.start(QStringLiteral("setpriv"),
                       {QStringLiteral("--reuid=") + user, QStringLiteral("--regid=") + user,
                        member ? QStringLiteral("--groups=%1").arg(groupId()) : QStringLiteral("--clear-groups"),
                        QStringLiteral("--"), root() + QStringLiteral("/opt/kelo-hb-meter/bin/KELO_HB_METER")});
        ASSERT_TRUE(program_.waitForStarted(10000)) << program_.errorString().toStdString();
    }
    QString runtime() const { return tmp_.path() + QStringLiteral("/run"); }

    // The beacon of the main window titled as the installed language file of language has it.
    QString windowOf(int language) const
    {
        THashLangFileStorage storage;
        storage.SetAutoDetect(true);
        storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
        storage.SetLanguagePath(root() + QStringLiteral("/opt/kelo-hb-meter/bin"));
        storage.SetCurrentLanguageIndex(FindHSFileLanguageIndex(storage, language));
        const QString english = QStringLiteral("Pellion Hb Hemoglobin Data Transfer Software");
        QString title;
        EXPECT_TRUE(storage.GetString(english, title) && !title.isEmpty() && title != english);
        return WindowTitleBeacon::ServerNameFor(title, runtime(), kNurse);
    }

    QTemporaryDir tmp_;
    QProcess program_;
};

TEST_F(InstalledPackage, PostinstMakesTheSharedDataFolderAndAMemberRunsTheProgramFromIt)
{
    // The files as dpkg-deb lays them down, then the postinst run on them.
    EXPECT_RUNS(RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), kPackage, root()}));
    EXPECT_RUNS(RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), kPackage, tmp_.path() + QStringLiteral("/control")}));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DPKG_ROOT"), root());
    EXPECT_RUNS(RunTool(tmp_.path() + QStringLiteral("/control/postinst"), {QStringLiteral("configure")}, environment));

    const unsigned group = groupId();
    ASSERT_NE(group, 0u) << "no group kelohb in the root's group file";
    for (const QString &folder : {data(), data() + QStringLiteral("/data"), data() + QStringLiteral("/ports")}) {
        EXPECT_EQ(ModeOf(folder), 02770u) << folder.toStdString();
        EXPECT_EQ(GroupOf(folder), group) << folder.toStdString();
    }
    for (const QString &file : {settings(), database()}) {
        EXPECT_EQ(ModeOf(file), 0660u) << file.toStdString();
        EXPECT_EQ(GroupOf(file), group) << file.toStdString();
    }
    EXPECT_EQ(testsupport::ReadFileBytes(settings()), testsupport::ReadFileBytes(kSource + QStringLiteral("/data/HBAPP.INI")));
    EXPECT_EQ(storedRows(), 0);

    // The installed link points at the system's data folder; this root's stands in for it.
    const QString link = root() + QStringLiteral("/opt/kelo-hb-meter/KELODATA");
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(QFile::link(QStringLiteral("../../var/opt/kelo-hb-meter/KELODATA"), link));
    ASSERT_TRUE(platform::WritePrivateProfileString(QStringLiteral("LANGUAGE"), QStringLiteral("LanguageID"),
                                                    QStringLiteral("1031"), settings()));

    // Someone outside the group gets no window and leaves the database alone.
    StartProgram(false);
    EXPECT_FALSE(WaitUntil([&] { return QFileInfo::exists(windowOf(1031)); }, 3s));
    EXPECT_FALSE(QFileInfo::exists(data() + QStringLiteral("/data/HB_data1.ldb")));
    program_.kill();
    program_.waitForFinished(5000);

    // A member: the German window, whose title comes from the installed language file, over
    // the database the postinst made (held by its lock file, which the group can use too).
    StartProgram(true);
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo::exists(windowOf(1031)) || program_.state() == QProcess::NotRunning; },
                          60s));
    ASSERT_EQ(program_.state(), QProcess::Running);
    const QString lock = data() + QStringLiteral("/data/HB_data1.ldb");
    ASSERT_TRUE(QFileInfo::exists(lock));
    EXPECT_EQ(GroupOf(lock), group);
    EXPECT_EQ(ModeOf(lock) & 0060, 0060u);
    ASSERT_EQ(::kill(static_cast<pid_t>(program_.processId()), SIGTERM), 0);
    ASSERT_TRUE(program_.waitForFinished(20000));
    EXPECT_EQ(program_.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(lock));
}

TEST_F(InstalledPackage, UpgradeRemoveAndPurgeKeepResultsAndChangedSettings)
{
    ASSERT_NO_FATAL_FAILURE(EXPECT_RUNS(Dpkg({QStringLiteral("-i"), kPackage})));
    ASSERT_TRUE(QFileInfo::exists(database()));
    {
        store::DatabaseConnection connection;
        connection.Open(database(), store::DatabasePassword());
        connection.Execute(QStringLiteral("INSERT INTO result_log (fRecID, fHB) VALUES ('17', '13.9')"));
    }
    ASSERT_TRUE(platform::WritePrivateProfileString(QStringLiteral("COMM"), QStringLiteral("Port"), QStringLiteral("7"),
                                                    settings()));
    const QByteArray changedSettings = testsupport::ReadFileBytes(settings());

    EXPECT_RUNS(Dpkg({QStringLiteral("-i"), LaterPackage()}));
    EXPECT_EQ(storedRows(), 1);
    EXPECT_EQ(testsupport::ReadFileBytes(settings()), changedSettings);

    EXPECT_RUNS(Dpkg({QStringLiteral("-r"), QStringLiteral("kelo-hb-meter")}));
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("/opt/kelo-hb-meter/bin/KELO_HB_METER")));
    EXPECT_EQ(storedRows(), 1);

    const Result purge = Dpkg({QStringLiteral("-P"), QStringLiteral("kelo-hb-meter")});
    EXPECT_EQ(purge.exitCode, 0) << purge.output.toStdString();
    EXPECT_TRUE(purge.output.contains(QFile::encodeName(database()))) << purge.output.toStdString();
    EXPECT_EQ(storedRows(), 1);
    EXPECT_EQ(testsupport::ReadFileBytes(settings()), changedSettings);
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("/var/lib/kelo-hb-meter")));
}

TEST_F(InstalledPackage, PurgeAfterNoUseLeavesNothingBehind)
{
    EXPECT_RUNS(Dpkg({QStringLiteral("-i"), kPackage}));
    ASSERT_TRUE(QFileInfo::exists(database()));
    // Reading the database (as the program does at every start) is no change.
    EXPECT_EQ(storedRows(), 0);
    const Result purge = Dpkg({QStringLiteral("-P"), QStringLiteral("kelo-hb-meter")});
    EXPECT_EQ(purge.exitCode, 0) << purge.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("/var/opt/kelo-hb-meter")));
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("/var/lib/kelo-hb-meter")));
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("/opt/kelo-hb-meter")));
}

} // namespace
