// Font descriptions from language files: any text must apply without a crash, and what the
// engine writes for the result must read back to the same description.
#include "i18n/FontDescription.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString description =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TLangFont font;
    font.font = QFont(QStringLiteral("Fuzz Base"), 9);
    ApplyFontDescription(font, description);
    (void)ColorFromValue(font.color);

    const QString written = FontDescriptionText(font);
    TLangFont again;
    if (!ApplyFontDescription(again, written))
        __builtin_trap();
    if (FontDescriptionText(again) != written)
        __builtin_trap();

    QFont plain;
    ApplyFontDescription(plain, description);
    return 0;
}
