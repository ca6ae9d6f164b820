#pragma once
// The one reader of integer texts that the layers share: settings values, font descriptions
// and the numbers of the meter's results each allow a little more or less around the digits.

#include <QStringView>

#include <cstdint>
#include <optional>

namespace platform {

// What an integer text may carry besides an optional sign and decimal digits.
struct IntegerSyntax
{
    bool leadingBlanks = false;   // blanks (U+0020) before the sign
    bool hexDollar = false;       // "$" after the sign starts hexadecimal digits
    bool hex0x = false;           // "0x" or "0X" after the sign, likewise
    int maxHexDigits = 0;         // more hexadecimal digits than this fail; 0: no such limit
};

// A 32-bit integer: the allowed blanks, an optional sign, then either decimal digits whose
// value fits in 32 signed bits, or (where the syntax allows) a hexadecimal prefix and digits
// whose value fits in 32 bits, taken as a 32-bit pattern that the sign negates ("$FFFFFFFF" is
// -1). Nothing may follow the digits; no digits at all fails too. Any thread.
std::optional<std::int32_t> ParseInteger(QStringView text, IntegerSyntax syntax = {});

} // namespace platform
