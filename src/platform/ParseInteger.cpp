#include "platform/ParseInteger.h"

#include <limits>

namespace platform {

namespace {

int DigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

} // namespace

std::optional<std::int32_t> ParseInteger(QStringView text, IntegerSyntax syntax)
{
    qsizetype i = 0;
    if (syntax.leadingBlanks) {
        while (i < text.size() && text[i] == u' ')
            ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (syntax.hexDollar && i < text.size() && text[i] == u'$') {
        hex = true;
        ++i;
    } else if (syntax.hex0x && i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;
    if (hex && syntax.maxHexDigits > 0 && text.size() - i > syntax.maxHexDigits)
        return std::nullopt;

    const std::uint64_t base = hex ? 16 : 10;
    const std::uint64_t limit = hex ? std::numeric_limits<std::uint32_t>::max()
                                    : std::uint64_t(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit < 0 || std::uint64_t(digit) >= base)
            return std::nullopt;
        value = value * base + std::uint64_t(digit);
        if (value > limit)
            return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

} // namespace platform
