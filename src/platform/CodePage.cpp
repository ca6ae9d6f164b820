#include "platform/CodePage.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

namespace platform {

namespace {

#include "platform/CodePageTables.inc"

const char16_t *highHalf(int codePage)
{
    switch (codePage) {
    case 1250: return kHigh1250;
    case 1251: return kHigh1251;
    case 1253: return kHigh1253;
    case 1254: return kHigh1254;
    case 1257: return kHigh1257;
    default: return kHigh1252;
    }
}

int normalised(int codePage)
{
    return IsSupportedCodePage(codePage) ? codePage : 1252;
}

// Reverse table of one code page: UTF-16 unit -> byte, 0 meaning "not in the code page" (the
// NUL character is handled before the look-up).
using ReverseTable = std::array<unsigned char, 65536>;

const ReverseTable &reverseTable(int codePage)
{
    static std::mutex mutex;
    static std::array<std::unique_ptr<ReverseTable>, 6> tables;
    static const int pages[6] = {1250, 1251, 1252, 1253, 1254, 1257};
    int index = 2;
    for (int i = 0; i < 6; ++i)
        if (pages[i] == codePage)
            index = i;
    std::lock_guard lock(mutex);
    auto &table = tables[index];
    if (!table) {
        table = std::make_unique<ReverseTable>();
        table->fill(0);
        for (int b = 1; b < 0x80; ++b)
            (*table)[b] = static_cast<unsigned char>(b);
        const char16_t *high = highHalf(pages[index]);
        for (int i = 0; i < 128; ++i)
            (*table)[high[i]] = static_cast<unsigned char>(0x80 + i);
    }
    return *table;
}

std::atomic<int> injectedCodePage{0};

} // namespace

int CodePageForLocale(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::Polish:
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Hungarian:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
    case QLocale::Albanian:
    case QLocale::Bosnian:
        return locale.script() == QLocale::CyrillicScript ? 1251 : 1250;
    case QLocale::Serbian:
        return locale.script() == QLocale::LatinScript ? 1250 : 1251;
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Kazakh:
    case QLocale::Kyrgyz:
    case QLocale::Tatar:
    case QLocale::Mongolian:
        return 1251;
    case QLocale::Greek:
        return 1253;
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
    case QLocale::Uzbek:
        return locale.script() == QLocale::CyrillicScript ? 1251 : 1254;
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian:
        return 1257;
    default:
        return 1252;
    }
}

int AnsiCodePage()
{
    const int injected = injectedCodePage.load();
    if (injected != 0)
        return injected;
    static const int system = CodePageForLocale(QLocale::system());
    return system;
}

void SetAnsiCodePage(int codePage)
{
    injectedCodePage.store(codePage);
}

bool IsSupportedCodePage(int codePage)
{
    switch (codePage) {
    case 1250: case 1251: case 1252: case 1253: case 1254: case 1257:
        return true;
    default:
        return false;
    }
}

QByteArray ToAnsi(QStringView text, int codePage)
{
    const ReverseTable &table = reverseTable(normalised(codePage));
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit == 0) {
            out.append('\0');
            continue;
        }
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode()))
            ++i;   // the pair is one character, and no code page here has it
        const unsigned char byte = table[unit];
        out.append(byte != 0 ? static_cast<char>(byte) : '?');
    }
    return out;
}

QString FromAnsi(QByteArrayView bytes, int codePage)
{
    const char16_t *high = highHalf(normalised(codePage));
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        dst[i] = QChar(byte < 0x80 ? char16_t(byte) : high[byte - 0x80]);
    }
    return out;
}

} // namespace platform
