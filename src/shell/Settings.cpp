#include "shell/Settings.h"

#include "shell/Folders.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "platform/ParseInteger.h"
#include "platform/Paths.h"

TGlobalOption GlobalOption;

namespace {

const QString kAppearance = QStringLiteral("APPEARANCE");
const QString kLanguage = QStringLiteral("LANGUAGE");
const QString kComm = QStringLiteral("COMM");
constexpr std::uint32_t kDefaultDisableColor = 0xF0F0F0;

int HexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

QString ReadString(const QString &section, const QString &key, const QString &defaultValue)
{
    return platform::GetPrivateProfileString(section, key, defaultValue, SettingsFilePath());
}

std::int32_t ReadInteger(const QString &section, const QString &key, std::int32_t defaultValue)
{
    QString text = ReadString(section, key, QString());
    if (text.size() >= 3 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X"))))
        text = QLatin1Char('$') + text.mid(2);
    // A decimal integer, or a hexadecimal one after "$": an optional sign, then digits only.
    return platform::ParseInteger(text, {.hexDollar = true}).value_or(defaultValue);
}

bool ReadBool(const QString &section, const QString &key, bool defaultValue)
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void WriteInteger(const QString &section, const QString &key, std::int32_t value)
{
    const QString path = SettingsFilePath();
    if (!platform::WritePrivateProfileString(section, key, QString::number(value), path))
        throw platform::Exception(QStringLiteral("Unable to write to ") + path);
}

} // namespace

QString SettingsFilePath()
{
    return platform::ResolveCaseInsensitive(DataPath + QStringLiteral("/HBAPP.INI"));
}

void LoadSettings()
{
    GlobalOption.ApplicationCaption = ReadString(kAppearance, QStringLiteral("Title"), kProductTitle);
    GlobalOption.Icon = ReadString(kAppearance, QStringLiteral("Icon"), QStringLiteral("Image\\KeloLogo.ico"));
    GlobalOption.Logo = ReadString(kAppearance, QStringLiteral("Logo"), QStringLiteral("Image\\KeloLogo.bmp"));
    GlobalOption.DisableColor =
        ColorFromHexText(ReadString(kAppearance, QStringLiteral("DisableColor"), QStringLiteral("F0F0F0")));
    GlobalOption.Title = kProductTitle;
    GlobalOption.LanguageID = ReadInteger(kLanguage, QStringLiteral("LanguageID"), 1033);
    GlobalOption.MultiLanguage = ReadBool(kLanguage, QStringLiteral("MultiLanguage"), false);
    GlobalOption.MeterSet.CommPort = ReadInteger(kComm, QStringLiteral("Port"), 5);
}

void SaveSettings()
{
    WriteInteger(kLanguage, QStringLiteral("LanguageID"), GlobalOption.LanguageID);
    WriteInteger(kComm, QStringLiteral("Port"), GlobalOption.MeterSet.CommPort);
}

std::uint32_t ColorFromHexText(const QString &text)
{
    if (text.size() < 6)
        return kDefaultDisableColor;
    std::uint32_t colour = 0;
    // Characters 1-2 are red (low byte), 3-4 green, 5-6 blue.
    for (int component = 0; component < 3; ++component) {
        const int high = HexDigit(text[component * 2]);
        const int low = HexDigit(text[component * 2 + 1]);
        if (high < 0 || low < 0)
            return kDefaultDisableColor;
        colour |= std::uint32_t(high * 16 + low) << (8 * component);
    }
    return colour;
}
