#pragma once
// The settings record and the settings file HBAPP.INI in DataPath. GUI thread only.

#include "i18n/TextKeys.h"

#include <QString>

#include <cstdint>

struct TMeterSetting
{
    QString Unit_Str;
    QString COM;
    float Scale = 0.0f;
    QString FieldNames;
    QString DefUnit;
    QString DefType;
    std::int32_t CommPort = 0;   // the meter's COM port number
};

struct TGlobalOption
{
    QString ApplicationCaption;
    QString Title;
    QString Icon;
    QString Logo;
    QString Company;
    QString Background;
    std::int32_t LanguageID = 0;
    QString TimeFormat;
    QString DateFormat;
    QString AnalytesUnit;
    QString LogoPath;
    bool MultiLanguage = false;
    TMeterSetting MeterSet;
    std::uint32_t DisableColor = 0;   // red in the low byte, then green, then blue
};

// The process-wide settings, filled by LoadSettings.
extern TGlobalOption GlobalOption;

// The fixed product title (the About box shows it whatever the file says).
inline const QString kProductTitle = TextKeys::kProductTitle;

// Path of the settings file: DataPath + "/HBAPP.INI".
QString SettingsFilePath();

// Fills GlobalOption from the settings file (defaults where the file or a key is missing).
void LoadSettings();

// Writes LanguageID to [LANGUAGE] and CommPort to [COMM], in that order. Throws
// platform::Exception("Unable to write to <full path>") when a write fails; GlobalOption keeps
// its values either way.
void SaveSettings();

// "RRGGBB" to a colour value (red + green*256 + blue*65536); text that cannot be converted
// gives the value of "F0F0F0".
std::uint32_t ColorFromHexText(const QString &text);
