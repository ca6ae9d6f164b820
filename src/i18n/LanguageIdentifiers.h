#pragma once
// The Windows language identifiers this program recognises, with the three-letter
// abbreviations the platform gives them (1033 ENU, 1031 DEU, ...). It answers "does the
// platform know this language" for the language files: a file declaring an identifier that is
// not in the table is not a language. Read-only data; any thread.

#include <QString>

#include <cstdint>

// True when id is a language identifier of the table.
bool IsKnownLanguageId(std::uint32_t id);

// The three-letter abbreviation of a known identifier ("ENU" for 1033); empty otherwise.
QString LanguageAbbreviation(std::uint32_t id);
