#include "export/CsvExport.h"

// Kept apart from the writer: a program that passes its own separator does not need the
// regional settings.
QString ListSeparatorText()
{
    return ListSeparatorText(platform::CurrentRegionalSettings());
}
