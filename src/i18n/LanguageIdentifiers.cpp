#include "i18n/LanguageIdentifiers.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

struct LanguageIdEntry
{
    std::uint32_t id;
    char abbreviation[4];
};

// Sorted by identifier.
constexpr LanguageIdEntry kLanguageIds[] = {
    {1025, "ARA"}, // Arabic (Saudi Arabia)
    {1026, "BGR"}, // Bulgarian
    {1027, "CAT"}, // Catalan
    {1028, "CHT"}, // Chinese (Taiwan)
    {1029, "CSY"}, // Czech
    {1030, "DAN"}, // Danish
    {1031, "DEU"}, // German (Germany)
    {1032, "ELL"}, // Greek
    {1033, "ENU"}, // English (United States)
    {1034, "ESP"}, // Spanish (traditional sort)
    {1035, "FIN"}, // Finnish
    {1036, "FRA"}, // French (France)
    {1037, "HEB"}, // Hebrew
    {1038, "HUN"}, // Hungarian
    {1039, "ISL"}, // Icelandic
    {1040, "ITA"}, // Italian (Italy)
    {1041, "JPN"}, // Japanese
    {1042, "KOR"}, // Korean
    {1043, "NLD"}, // Dutch (Netherlands)
    {1044, "NOR"}, // Norwegian (Bokmal)
    {1045, "PLK"}, // Polish
    {1046, "PTB"}, // Portuguese (Brazil)
    {1048, "ROM"}, // Romanian
    {1049, "RUS"}, // Russian
    {1050, "HRV"}, // Croatian
    {1051, "SKY"}, // Slovak
    {1052, "SQI"}, // Albanian
    {1053, "SVE"}, // Swedish (Sweden)
    {1054, "THA"}, // Thai
    {1055, "TRK"}, // Turkish
    {1056, "URD"}, // Urdu
    {1057, "IND"}, // Indonesian
    {1058, "UKR"}, // Ukrainian
    {1059, "BEL"}, // Belarusian
    {1060, "SLV"}, // Slovenian
    {1061, "ETI"}, // Estonian
    {1062, "LVI"}, // Latvian
    {1063, "LTH"}, // Lithuanian
    {1064, "TAJ"}, // Tajik
    {1065, "FAR"}, // Persian
    {1066, "VIT"}, // Vietnamese
    {1067, "HYE"}, // Armenian
    {1068, "AZE"}, // Azeri (Latin)
    {1069, "EUQ"}, // Basque
    {1071, "MKI"}, // Macedonian
    {1078, "AFK"}, // Afrikaans
    {1079, "KAT"}, // Georgian
    {1080, "FOS"}, // Faroese
    {1081, "HIN"}, // Hindi
    {1082, "MLT"}, // Maltese
    {1086, "MSL"}, // Malay (Malaysia)
    {1087, "KKZ"}, // Kazakh
    {1088, "KYR"}, // Kyrgyz
    {1089, "SWK"}, // Swahili
    {1090, "TUK"}, // Turkmen
    {1091, "UZB"}, // Uzbek (Latin)
    {1092, "TTT"}, // Tatar
    {1093, "BNG"}, // Bengali
    {1097, "TAM"}, // Tamil
    {1104, "MNN"}, // Mongolian
    {1106, "CYM"}, // Welsh
    {1110, "GLC"}, // Galician
    {1122, "FYN"}, // Frisian
    {1134, "LBX"}, // Luxembourgish
    {2049, "ARI"}, // Arabic (Iraq)
    {2052, "CHS"}, // Chinese (PRC)
    {2055, "DES"}, // German (Switzerland)
    {2057, "ENG"}, // English (United Kingdom)
    {2058, "ESM"}, // Spanish (Mexico)
    {2060, "FRB"}, // French (Belgium)
    {2064, "ITS"}, // Italian (Switzerland)
    {2067, "NLB"}, // Dutch (Belgium)
    {2068, "NON"}, // Norwegian (Nynorsk)
    {2070, "PTG"}, // Portuguese (Portugal)
    {2072, "ROD"}, // Romanian (Moldova)
    {2073, "RUM"}, // Russian (Moldova)
    {2074, "SRL"}, // Serbian (Latin)
    {2077, "SVF"}, // Swedish (Finland)
    {2092, "AZE"}, // Azeri (Cyrillic)
    {2108, "IRE"}, // Irish
    {2110, "MSB"}, // Malay (Brunei)
    {2115, "UZB"}, // Uzbek (Cyrillic)
    {3073, "ARE"}, // Arabic (Egypt)
    {3076, "ZHH"}, // Chinese (Hong Kong)
    {3079, "DEA"}, // German (Austria)
    {3081, "ENA"}, // English (Australia)
    {3082, "ESN"}, // Spanish (modern sort)
    {3084, "FRC"}, // French (Canada)
    {3098, "SRB"}, // Serbian (Cyrillic)
    {4097, "ARL"}, // Arabic (Libya)
    {4100, "ZHI"}, // Chinese (Singapore)
    {4103, "DEL"}, // German (Luxembourg)
    {4105, "ENC"}, // English (Canada)
    {4106, "ESG"}, // Spanish (Guatemala)
    {4108, "FRS"}, // French (Switzerland)
    {4122, "HRB"}, // Croatian (Bosnia and Herzegovina)
    {5121, "ARG"}, // Arabic (Algeria)
    {5124, "ZHM"}, // Chinese (Macao)
    {5127, "DEC"}, // German (Liechtenstein)
    {5129, "ENZ"}, // English (New Zealand)
    {5130, "ESC"}, // Spanish (Costa Rica)
    {5132, "FRL"}, // French (Luxembourg)
    {5146, "BSB"}, // Bosnian (Latin)
    {6145, "ARM"}, // Arabic (Morocco)
    {6153, "ENI"}, // English (Ireland)
    {6154, "ESA"}, // Spanish (Panama)
    {6156, "FRM"}, // French (Monaco)
    {7169, "ART"}, // Arabic (Tunisia)
    {7177, "ENS"}, // English (South Africa)
    {7178, "ESD"}, // Spanish (Dominican Republic)
    {8193, "ARO"}, // Arabic (Oman)
    {8201, "ENJ"}, // English (Jamaica)
    {8202, "ESV"}, // Spanish (Venezuela)
    {9217, "ARY"}, // Arabic (Yemen)
    {9225, "ENB"}, // English (Caribbean)
    {9226, "ESO"}, // Spanish (Colombia)
    {10241, "ARS"}, // Arabic (Syria)
    {10249, "ENL"}, // English (Belize)
    {10250, "ESR"}, // Spanish (Peru)
    {11265, "ARJ"}, // Arabic (Jordan)
    {11273, "ENT"}, // English (Trinidad)
    {11274, "ESS"}, // Spanish (Argentina)
    {12289, "ARB"}, // Arabic (Lebanon)
    {12297, "ENW"}, // English (Zimbabwe)
    {12298, "ESF"}, // Spanish (Ecuador)
    {13313, "ARK"}, // Arabic (Kuwait)
    {13321, "ENP"}, // English (Philippines)
    {13322, "ESL"}, // Spanish (Chile)
    {14337, "ARU"}, // Arabic (U.A.E.)
    {14346, "ESY"}, // Spanish (Uruguay)
    {15361, "ARH"}, // Arabic (Bahrain)
    {15370, "ESZ"}, // Spanish (Paraguay)
    {16385, "ARQ"}, // Arabic (Qatar)
    {16393, "ENN"}, // English (India)
    {16394, "ESB"}, // Spanish (Bolivia)
    {17417, "ENM"}, // English (Malaysia)
    {17418, "ESE"}, // Spanish (El Salvador)
    {18441, "ENE"}, // English (Singapore)
    {18442, "ESH"}, // Spanish (Honduras)
    {19466, "ESI"}, // Spanish (Nicaragua)
    {20490, "ESU"}, // Spanish (Puerto Rico)
    {21514, "EST"}, // Spanish (United States)
};

static_assert(std::is_sorted(std::begin(kLanguageIds), std::end(kLanguageIds),
                             [](const LanguageIdEntry &a, const LanguageIdEntry &b) { return a.id < b.id; }),
              "the identifier table must stay sorted for the binary search");

const LanguageIdEntry *findEntry(std::uint32_t id)
{
    const auto it = std::lower_bound(std::begin(kLanguageIds), std::end(kLanguageIds), id,
                                     [](const LanguageIdEntry &entry, std::uint32_t value) { return entry.id < value; });
    return (it != std::end(kLanguageIds) && it->id == id) ? it : nullptr;
}

} // namespace

bool IsKnownLanguageId(std::uint32_t id)
{
    return findEntry(id) != nullptr;
}

QString LanguageAbbreviation(std::uint32_t id)
{
    const LanguageIdEntry *entry = findEntry(id);
    return entry ? QString::fromLatin1(entry->abbreviation) : QString();
}
