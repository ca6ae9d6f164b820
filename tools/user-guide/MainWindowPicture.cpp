#include "MainWindowPicture.h"

#include "meter/HBMeter.h"
#include "meter/MeterRecordQuery.h"
#include "platform/Dialogs.h"
#include "platform/RegionalSettings.h"
#include "shell/Folders.h"
#include "shell/Settings.h"
#include "store/DataModule.h"
#include "store/ResultLogSchema.h"
#include "ui/TfrmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

#include <stdexcept>
#include <string>

namespace {

// The regional settings a clinic of that language would have: the dates, the decimal
// separator and the time separator in the picture follow them.
QLocale LocaleOf(int languageId)
{
    switch (languageId) {
    case 1031: return QLocale(QLocale::German, QLocale::Germany);
    case 1034: return QLocale(QLocale::Spanish, QLocale::Spain);
    case 1040: return QLocale(QLocale::Italian, QLocale::Italy);
    case 2070: return QLocale(QLocale::Portuguese, QLocale::Portugal);
    case 1036: return QLocale(QLocale::French, QLocale::France);
    case 1035: return QLocale(QLocale::Finnish, QLocale::Finland);
    case 1045: return QLocale(QLocale::Polish, QLocale::Poland);
    case 1043: return QLocale(QLocale::Dutch, QLocale::Netherlands);
    case 1053: return QLocale(QLocale::Swedish, QLocale::Sweden);
    default: return QLocale(QLocale::English, QLocale::UnitedStates);
    }
}

// A download as the meter sends it: plain results, low (L) and high (H) flags, results beyond
// the meter's range (< and >), a hematocrit the meter did not give ("--") and a hemoglobin it
// could not measure.
struct SampleResult
{
    const char *date;
    const char *time;
    const char *id;
    const char *hb;
    const char *hct;
};
constexpr SampleResult kSamples[] = {
    {"2024-03-05", "08:12", "ID:0101", "HB: 13.4g/dL", "HCT: 40%"},
    {"2024-03-05", "08:31", "ID:0102", "HB: 14.1g/dL", "HCT: 42%"},
    {"2024-03-05", "09:02", "ID:0103", "HB: L9.8g/dL", "HCT: L29%"},
    {"2024-03-05", "09:40", "ID:0104", "HB: H18.2g/dL", "HCT: H55%"},
    {"2024-03-05", "10:15", "ID:0105", "HB: 12.7g/dL", "HCT: --"},
    {"2024-03-05", "10:47", "ID:0106", "HB: --", "HCT: --"},
    {"2024-03-05", "11:20", "ID:0107", "HB: <4.0g/dL", "HCT: <12%"},
    {"2024-03-05", "11:58", "ID:0108", "HB: >25.6g/dL", "HCT: >75%"},
    {"2024-03-06", "08:05", "ID:0109", "HB: 15.0g/dL", "HCT: 45%"},
    {"2024-03-06", "08:22", "ID:0110", "HB: 13.9g/dL", "HCT: 41%"},
    {"2024-03-06", "08:49", "ID:0111", "HB: 12.2g/dL", "HCT: 37%"},
    {"2024-03-06", "09:13", "ID:0112", "HB: 16.4g/dL", "HCT: 49%"},
    {"2024-03-06", "09:36", "ID:0113", "HB: L10.6g/dL", "HCT: L32%"},
    {"2024-03-06", "10:04", "ID:0114", "HB: 14.8g/dL", "HCT: 44%"},
    {"2024-03-06", "10:30", "ID:0115", "HB: 13.1g/dL", "HCT: --"},
    {"2024-03-06", "11:02", "ID:0116", "HB: 15.7g/dL", "HCT: 47%"},
};

// The window must not wait for anyone: a box it wants to show ends the picture.
class NoDialogs : public platform::Dialogs
{
public:
    int MessageBox(const QString &text, const QString &caption, unsigned style) override
    {
        Note(caption + QStringLiteral(": ") + text);
        return (style & 0x0F) == platform::MB_OK ? platform::IDOK : platform::IDNO;
    }
    std::optional<QString> SaveFile(const platform::SaveFileRequest &request) override
    {
        Note(QStringLiteral("save dialog ") + request.title);
        return std::nullopt;
    }
    void ErrorBox(const QString &message) override { Note(message); }

    QStringList shown;

private:
    void Note(const QString &what) { shown << what; }
};

class RegionalLocale
{
public:
    explicit RegionalLocale(const QLocale &locale) { platform::SetRegionalLocale(locale); }
    ~RegionalLocale() { platform::ResetRegionalLocale(); }
    RegionalLocale(const RegionalLocale &) = delete;
    RegionalLocale &operator=(const RegionalLocale &) = delete;
};

void Require(bool done, const QString &what)
{
    if (!done)
        throw std::runtime_error("main-window picture: " + what.toStdString());
}

void CopyInto(const QString &from, const QString &to)
{
    Require(QFile::copy(from, to), QStringLiteral("cannot copy %1 to %2").arg(from, to));
}

// Lets the window lay itself out and paint, for a moment.
void SettleEvents()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

MainWindowPicture RenderMainWindow(const MainWindowSetup &setup)
{
    QTemporaryDir root;
    Require(root.isValid(), QStringLiteral("no temporary folder"));
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString language = bin + QStringLiteral("/%1").arg(setup.languageId);
    const QString data = root.filePath(QStringLiteral("KELODATA"));
    const QString appData = root.filePath(QStringLiteral("appdata"));
    for (const QString &folder : {language, data + QStringLiteral("/data"), data + QStringLiteral("/ports"), appData})
        Require(QDir().mkpath(folder), QStringLiteral("cannot make ") + folder);

    MainWindowPicture picture;
    // Only this language's folder: the window cannot fall back to another language's file.
    if (!setup.languageFile.isEmpty() && QFileInfo(setup.languageFile).isFile()) {
        CopyInto(setup.languageFile, language + QStringLiteral("/KELO_HB_METER.txt"));
        picture.translated = true;
    }
    if (!setup.settingsFile.isEmpty())
        CopyInto(setup.settingsFile, data + QStringLiteral("/HBAPP.INI"));
    store::CreateResultDatabase(data + QStringLiteral("/data/HB_data1.dat"));

    NoDialogs dialogs;
    const platform::InstalledDialogs installed(dialogs);
    const RegionalLocale locale(LocaleOf(setup.languageId));
    SetupFolders(bin + QStringLiteral("/KELO_HB_METER"), appData);
    GlobalOption.LanguageID = setup.languageId;
    DatabaseOpened = true;
    {
        TDM dataModule;
        Require(DatabaseOpened, QStringLiteral("the sample database did not open: ") + dialogs.shown.join(u'\n'));
        TfrmMain window;
        window.show();
        SettleEvents();

        // One download, through the window's own receiving path.
        window.WMTransferState(0, 0);
        for (const SampleResult &sample : kSamples) {
            window.HBReader->MeterData->Push(QString::fromLatin1(sample.date), QString::fromLatin1(sample.time),
                                             QString::fromLatin1(sample.id), QString::fromLatin1(sample.hb),
                                             QString::fromLatin1(sample.hct));
        }
        window.SaveReceivedRecords();
        window.WMTransferState(1, 0);
        window.TimerTimer(&window);
        SettleEvents();

        picture.image = window.grab().toImage();
        picture.windowTitle = window.windowTitle();
    }
    GlobalOption = TGlobalOption();
    Require(dialogs.shown.isEmpty(), QStringLiteral("the window showed a message: ") + dialogs.shown.join(u'\n'));
    Require(!picture.image.isNull(), QStringLiteral("the window gave no picture"));
    return picture;
}
