#pragma once
// Font descriptions of the language files: "name,size,style,pitch,colour,charset".
//
// Up to six fields separated by "," or ";", each trimmed:
//   name     family name
//   size     integer points (a negative number is a height in pixels; 0 keeps the size)
//   style    any of the letters B, I, U, S (bold, italic, underline, strike-out), any order and
//            case; an empty style field clears every style
//   pitch    0 default, 1 variable, 2 fixed
//   colour   a number (0x00BBGGRR; "$" or "0x" marks hexadecimal) or a colour name the
//            platform knows ("red", "navy", ...)
//   charset  a character-set name (DEFAULT_CHARSET, EASTEUROPE_CHARSET, ...) or its number
// A field that is missing or empty (apart from style) leaves the value alone; a size or
// pitch that is not a number keeps the old value; fields after the sixth are ignored. An
// unknown colour name (or character set) stops the applying: the fields before it stay set.
//
// Qt fonts carry no colour and no character set, so a language font is a QFont with those
// two (and the pitch as written) beside it.

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <optional>

inline constexpr std::uint32_t kColorWindowText = 0xFF000008u;   // the system's window-text colour
inline constexpr int kDefaultCharset = 1;                        // DEFAULT_CHARSET

struct TLangFont
{
    QFont font;
    std::uint32_t color = kColorWindowText;   // 0x00BBGGRR, or 0xFF0000nn for system colour nn
    int charset = kDefaultCharset;
    int pitch = 0;                            // 0 default, 1 variable, 2 fixed
};

// The platform's default GUI font as a language font.
TLangFont DefaultLangFont();

// Applies description onto font; with a base, font first becomes a copy of *base. Returns
// false when an unknown colour or character set stopped the applying (nothing is reported to
// the user either way).
bool ApplyFontDescription(TLangFont &font, const QString &description, const TLangFont *base = nullptr);
// The same onto a bare QFont (colour and character set are checked but have nowhere to go).
bool ApplyFontDescription(QFont &font, const QString &description);

// The description of a font in the same layout: "name,size,style,pitch,$00BBGGRR,charset".
QString FontDescriptionText(const TLangFont &font);

// Colour field: a number or a known colour name; nullopt otherwise.
std::optional<std::uint32_t> ParseColorText(const QString &text);
// Character-set field: a known name (any letter case) or a number 0 to 255; nullopt otherwise.
std::optional<int> ParseCharsetText(const QString &text);
// The name of a character-set number ("DEFAULT_CHARSET"), or the number in decimal.
QString CharsetText(int charset);

// The colour a value stands for: RGB values directly, system colours from the application's
// palette (black without a GUI application); an invalid QColor for any other value.
QColor ColorFromValue(std::uint32_t value);
