#include "export/ExportFileNames.h"

namespace {

QString withExtension(const QString &fileName, const QString &extension)
{
    if (fileName.right(4).toUpper() == extension.toUpper())
        return fileName;
    return fileName + extension;
}

} // namespace

QString CsvDefaultFileName(const QDateTime &localNow)
{
    return QStringLiteral("KELOHB_") + localNow.toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
}

QString XlsDefaultFileName(const QDateTime &localNow)
{
    return QStringLiteral("KELOHB") + localNow.toString(QStringLiteral("yyyy-MM-dd HH_mm_ss")) +
           QStringLiteral(".xls");
}

QString WithCsvExtension(const QString &fileName)
{
    return withExtension(fileName, QStringLiteral(".csv"));
}

QString WithXlsExtension(const QString &fileName)
{
    return withExtension(fileName, QStringLiteral(".xls"));
}
