#include "i18n/FontDescription.h"

#include "platform/ParseInteger.h"

#include <QGuiApplication>
#include <QPalette>
#include <QStringList>

#include <array>
#include <limits>

namespace {

struct CharsetName
{
    int value;
    const char *name;
};

constexpr std::array<CharsetName, 19> kCharsets = {{
    {0, "ANSI_CHARSET"},
    {1, "DEFAULT_CHARSET"},
    {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},
    {128, "SHIFTJIS_CHARSET"},
    {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},
    {134, "GB2312_CHARSET"},
    {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},
    {162, "TURKISH_CHARSET"},
    {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},
    {178, "ARABIC_CHARSET"},
    {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"},
    {222, "THAI_CHARSET"},
    {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
}};

// Integers in a font description: optional sign, then decimal digits, or "$" / "0x" and up to
// eight hexadecimal digits (taken as the 32-bit pattern, so $FF000008 is a system colour).
constexpr platform::IntegerSyntax kFontInteger{.hexDollar = true, .hex0x = true, .maxHexDigits = 8};

bool isColorName(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    return true;
}

std::uint32_t valueFromQColor(const QColor &color)
{
    return static_cast<std::uint32_t>(color.red()) | (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

void applyStyle(QFont &font, QStringView style)
{
    bool bold = false, italic = false, underline = false, strikeOut = false;
    for (const QChar c : style) {
        switch (c.toUpper().unicode()) {
        case u'B': bold = true; break;
        case u'I': italic = true; break;
        case u'U': underline = true; break;
        case u'S': strikeOut = true; break;
        default: break;
        }
    }
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
}

// Applies the fields onto font; false when a field stopped it.
bool applyFields(TLangFont &font, const QStringList &fields)
{
    const auto field = [&](int index) -> QString {
        return index < fields.size() ? fields[index].trimmed() : QString();
    };
    const qsizetype count = fields.size();

    if (const QString name = field(0); !name.isEmpty())
        font.font.setFamily(name);

    if (const auto size = platform::ParseInteger(field(1), kFontInteger)) {
        if (*size > 0)
            font.font.setPointSize(*size);
        else if (*size < 0 && *size != std::numeric_limits<std::int32_t>::min())
            font.font.setPixelSize(-*size);
    }

    // Only a style field that is there but empty clears the styles.
    if (count > 2)
        applyStyle(font.font, field(2));

    if (const auto pitch = platform::ParseInteger(field(3), kFontInteger); pitch && *pitch >= 0 && *pitch <= 2) {
        font.pitch = *pitch;
        font.font.setFixedPitch(*pitch == 2);
    }

    if (const QString colorText = field(4); !colorText.isEmpty()) {
        const auto color = ParseColorText(colorText);
        if (!color)
            return false;
        font.color = *color;
    }

    if (const QString charsetText = field(5); !charsetText.isEmpty()) {
        const auto charset = ParseCharsetText(charsetText);
        if (!charset)
            return false;
        font.charset = *charset;
    }
    return true;
}

// qGuiApp would cast a plain QCoreApplication (a program without windows) blindly.
bool HasGuiApplication()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

} // namespace

TLangFont DefaultLangFont()
{
    TLangFont font;
    if (HasGuiApplication())
        font.font = QGuiApplication::font();
    return font;
}

bool ApplyFontDescription(TLangFont &font, const QString &description, const TLangFont *base)
{
    // Work on a copy and hand it over once: the font changes in one step, and a stop keeps
    // what was set before it.
    TLangFont result = base ? *base : font;
    QStringList fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= description.size(); ++i) {
        if (i == description.size() || description[i] == u',' || description[i] == u';') {
            fields.append(description.mid(start, i - start));
            start = i + 1;
        }
    }
    const bool complete = applyFields(result, fields);
    font = result;
    return complete;
}

bool ApplyFontDescription(QFont &font, const QString &description)
{
    TLangFont langFont;
    langFont.font = font;
    const bool complete = ApplyFontDescription(langFont, description);
    font = langFont.font;
    return complete;
}

QString FontDescriptionText(const TLangFont &font)
{
    QString style;
    if (font.font.bold())
        style += u'B';
    if (font.font.italic())
        style += u'I';
    if (font.font.underline())
        style += u'U';
    if (font.font.strikeOut())
        style += u'S';
    const int size = font.font.pointSize() > 0 ? font.font.pointSize() : -font.font.pixelSize();
    const QString color = QString::number(font.color, 16).toUpper().rightJustified(8, u'0');
    return QStringLiteral("%1,%2,%3,%4,$%5,%6")
        .arg(font.font.family(), QString::number(size), style, QString::number(font.pitch), color,
             CharsetText(font.charset));
}

std::optional<std::uint32_t> ParseColorText(const QString &text)
{
    if (const auto number = platform::ParseInteger(text, kFontInteger))
        return static_cast<std::uint32_t>(*number);
    if (!isColorName(text))
        return std::nullopt;
    const QColor color = QColor::fromString(text);
    if (!color.isValid())
        return std::nullopt;
    return valueFromQColor(color);
}

std::optional<int> ParseCharsetText(const QString &text)
{
    if (const auto number = platform::ParseInteger(text, kFontInteger)) {
        if (*number < 0 || *number > 255)
            return std::nullopt;
        return *number;
    }
    for (const CharsetName &entry : kCharsets)
        if (text.compare(QLatin1StringView(entry.name), Qt::CaseInsensitive) == 0)
            return entry.value;
    return std::nullopt;
}

QString CharsetText(int charset)
{
    for (const CharsetName &entry : kCharsets)
        if (entry.value == charset)
            return QString::fromLatin1(entry.name);
    return QString::number(charset);
}

QColor ColorFromValue(std::uint32_t value)
{
    const std::uint32_t kind = value >> 24;
    if (kind == 0)
        return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
    if (kind != 0xFF)
        return QColor();
    if (!HasGuiApplication())
        return QColor(Qt::black);
    const QPalette palette = QGuiApplication::palette();
    switch (value & 0xFF) {
    case 4:  return palette.color(QPalette::Window);            // menu
    case 5:  return palette.color(QPalette::Base);              // window
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);            // button face
    case 17: return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: return palette.color(QPalette::ButtonText);
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::WindowText);
    }
}
