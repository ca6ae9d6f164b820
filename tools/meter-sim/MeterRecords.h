#pragma once
// The text the simulated meter sends: records of CR LF lines, each record closed by an empty
// line. Line 1 is "YYYY-MM-DD HH:MM" (date, one blank, time), then "ID:", "HB:" and "HCT:"
// lines, and optionally a second "HCT:" line. A value line is its label, a blank, an optional
// flag, the number and the unit ("HB: H19.2g/dL", "HCT: 42%").

#include <QByteArray>
#include <QDate>
#include <QStringList>

#include <cstdint>

struct GeneratorOptions
{
    int count = 10;               // well-formed records
    std::uint32_t seed = 1;       // same seed, same records
    QDate from{2024, 1, 1};       // test dates are spread over this range, in order
    QDate to{2024, 12, 31};
    int firstId = 1;              // test number of the first record
    bool seconds = false;         // times with seconds ("HH:MM:SS")
    QStringList flags{QStringLiteral("H"), QStringLiteral("L"), QStringLiteral("<"), QStringLiteral(">")};
    double flagRate = 0.1;        // share of values that carry a flag
    QStringList units{QStringLiteral("g/dL")}; // HB units to pick from: g/dL, mmol/L, g/L
    double secondHctRate = 0.0;   // share of records with a second HCT line
    int malformed = 0;            // malformed records mixed in, for testing the receiving side
};

// The stream for the options. Throws std::invalid_argument for an unknown unit or an empty
// date range.
QByteArray GenerateRecords(const GeneratorOptions &options);

// Records read from a file: every line (LF or CR LF ended) is sent with a CR LF ending, so
// empty lines close records. raw sends the bytes unchanged.
QByteArray RecordsFromFile(const QByteArray &contents, bool raw);
