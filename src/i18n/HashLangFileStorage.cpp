#include "i18n/HashLangFileStorage.h"

#include "i18n/WideStringList.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kLanguageIdKey = QStringLiteral("!LanguageID");
const QString kDefaultFontKey = QStringLiteral("!TranslationDefaultFont");

// "!LanguageID" values: a decimal number, surrounding blanks allowed; 0 for anything else.
std::uint32_t languageIdFromText(const QString &text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < 0 || value > 0xFFFFFFFFLL)
        return 0;
    return static_cast<std::uint32_t>(value);
}

// Folder (or file) names in ascending order, letter case ignored, ties broken by case.
void sortNames(QStringList &names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

// The file name with its extension (text after the last ".") replaced by ".txt", or with
// ".txt" added when it has none.
QString withTxtExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return (dot < 0 ? fileName : fileName.left(dot)) + THashLangFileStorage::GetLanguageFileExt();
}

bool startsWithLanguageId(const TWideStringList &lines)
{
    return !lines.IsEmpty() && lines.Lines().first().startsWith(kLanguageIdKey, Qt::CaseSensitive);
}

} // namespace

THashLangFileStorage::THashLangFileStorage() : FDefaultFont(DefaultLangFont()) {}

THashLangFileStorage::~THashLangFileStorage() = default;

void THashLangFileStorage::detectIfAutomatic()
{
    if (FAutoDetect && FStorageMode == TStorageMode::smByDirectory)
        DetectLanguages();
}

void THashLangFileStorage::SetAutoDetect(bool value)
{
    FAutoDetect = value;
    detectIfAutomatic();
}

void THashLangFileStorage::SetFileName(const QString &value)
{
    FFileName = value;
    detectIfAutomatic();
}

void THashLangFileStorage::SetLanguagePath(const QString &value)
{
    const QString path = (value.isEmpty() || value.endsWith(u'/')) ? value : value + u'/';
    if (path == FLanguagePath)
        return;
    FLanguagePath = path;
    detectIfAutomatic();
}

void THashLangFileStorage::SetStorageMode(TStorageMode value)
{
    FStorageMode = value;
    detectIfAutomatic();
}

void THashLangFileStorage::DetectLanguages()
{
    FLanguages.Clear();
    FCurrentLanguageIndex = -1;
    if (FLanguagePath.isEmpty() || FFileName.isEmpty())
        return;

    QDir root(FLanguagePath);
    if (FStorageMode == TStorageMode::smByDirectory) {
        QStringList folders =
            root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::NoSort);
        sortNames(folders);
        const QString fileName = withTxtExtension(FFileName);
        for (const QString &folder : folders) {
            const QString candidate = FLanguagePath + folder + u'/' + fileName;
            TWideStringList lines;
            if (lines.LoadFromFile(candidate) && startsWithLanguageId(lines))
                registerLanguage(candidate, lines);
        }
    } else {
        QStringList files = root.entryList({QStringLiteral("*") + GetLanguageFileExt()},
                                           QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
        sortNames(files);
        for (const QString &file : files) {
            const QString candidate = FLanguagePath + file;
            TWideStringList lines;
            if (lines.LoadFromFile(candidate) && startsWithLanguageId(lines))
                registerLanguage(candidate, lines);
        }
    }
}

bool THashLangFileStorage::IsLanguageFile(const QString &file) const
{
    TWideStringList lines;
    return lines.LoadFromFile(file) && startsWithLanguageId(lines);
}

bool THashLangFileStorage::RegisterLanguageFile(const QString &file)
{
    TWideStringList lines;
    if (!lines.LoadFromFile(file)) {
        FCurrentLanguageIndex = -1;
        return false;
    }
    return registerLanguage(file, lines);
}

bool THashLangFileStorage::registerLanguage(const QString &file, const TWideStringList &lines)
{
    TLanguageItem &item = FLanguages.Add();
    item.FLanguageFileName = QFileInfo(file).completeBaseName();

    // An identifier the platform does not know leaves the language out, silently.
    item.SetLanguageID(languageIdFromText(lines.Value(kLanguageIdKey)));
    if (item.FLanguageID == 0) {
        FLanguages.Delete(FLanguages.Count() - 1);
        FCurrentLanguageIndex = -1;
        return false;
    }
    item.FLanguageName = lines.Value(QStringLiteral("!LanguageName"));
    item.FAuthor = lines.Value(QStringLiteral("!TranslationAuthor"));
    item.FAuthorEmail = lines.Value(QStringLiteral("!TranslationAuthorEmail"));
    const QString font = lines.Value(kDefaultFontKey);
    if (!font.isEmpty())
        ApplyFontDescription(item.FDefaultFont, font);
    return true;
}

QString THashLangFileStorage::GetCurrentLanguageFileName() const
{
    if (FCurrentLanguageIndex < 0 || FCurrentLanguageIndex >= FLanguages.Count())
        return QString();
    const TLanguageItem &item = FLanguages[FCurrentLanguageIndex];
    const QString file = item.FLanguageFileName + GetLanguageFileExt();
    if (FStorageMode == TStorageMode::smByFile)
        return file;
    return item.FLanguageDirName + u'/' + file;
}

bool THashLangFileStorage::LoadCurrentLanguage()
{
    FHashMap = std::make_unique<TWideStrToWideStrHashMap>(FListLength, FIncSize);
    const QString relative = GetCurrentLanguageFileName();
    if (relative.isEmpty())
        return false;
    TWideStringList lines;
    if (!lines.LoadFromFile(FLanguagePath + relative))
        return false;
    for (const QString &line : lines.Lines()) {
        const auto [key, value] = TWideStringList::SplitLine(line);
        FHashMap->Put(key, value);
    }
    return true;
}

void THashLangFileStorage::SetCurrentLanguageIndex(int i)
{
    if (i < 0 || i >= FLanguages.Count())
        return;
    FCurrentLanguageIndex = i;
    if (!LoadCurrentLanguage())
        return;
    FDefaultFont = DefaultLangFont();
    QString font;
    if (GetString(kDefaultFontKey, font) && !font.isEmpty())
        ApplyFontDescription(FDefaultFont, font);
    FFontInited = true;
}

bool THashLangFileStorage::GetString(const QString &name, QString &value) const
{
    const QString *found = FHashMap ? FHashMap->Find(name) : nullptr;
    if (!found) {
        value.clear();
        return false;
    }
    value = *found;
    value.replace(QStringLiteral("<BR>"), QStringLiteral("\r\n"), Qt::CaseInsensitive);
    return true;
}
