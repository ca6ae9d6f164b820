#pragma once
// Decoding of the meter's value lines ("ID: 0007", "HB: 12.5g/dL", "HCT:L 38.2%--").

#include <QString>

// Splits the value text S that carries Label into Flag, Number and Unit:
//  - without Label in S: Number is S unchanged, Flag and Unit empty;
//  - otherwise the text after the first Label, without its leading blanks, is cut into the
//    flag (the characters before its first digit or "."), the number (from there up to and
//    including its last digit or ".") and the unit (the rest, with every "--" removed; a blank
//    between number and unit stays). Without any digit or "." the whole text is the flag and
//    Number and Unit are empty; an empty text gives three empty parts.
//  - Number is written with the regional decimal separator when that form reads as a number
//    under the regional settings; otherwise it keeps its "." form (such as "1.2.3").
// Any thread that does not change the regional settings meanwhile.
void SplitValue(const QString &S, const QString &Label, QString &Flag, QString &Number, QString &Unit);

// True when text is a floating-point number written with decimalSeparator: optional blanks,
// optional sign, digits with at most one separator (at least one digit), optional exponent.
bool ReadsAsFloat(const QString &text, QChar decimalSeparator);
