#pragma once
// Small text routines shared by the layers.

#include <QString>
#include <QStringList>

// Splits text at separator; runs of a one-character separator count as one (see the
// implementation for the exact rule).
QStringList SplitString(const QString &text, const QString &separator);

// The last n characters of text (the whole text when shorter; empty when n <= 0).
QString RightPart(const QString &text, int n);

// True when the whole text is a decimal number with "." as the decimal point, whatever the
// locale: leading blanks, optional sign, digits with an optional fraction, optional exponent.
bool IsNumeric(const QString &text);
