#include "export/ExportFile.h"

#include "i18n/TranslateText.h"
#include "platform/Exception.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

QString FormatExportText(const TextKey &key, const QStringList &arguments)
{
    const QString format = TranslateText(key);
    QString result;
    result.reserve(format.size() + 64);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's') {
            if (next < arguments.size())
                result += arguments[next];
            ++next;
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}

void CreateExportFile(QFile &file, const QString &fileName)
{
    file.setFileName(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw platform::Exception(FormatExportText(
            TextKeys::kCannotCreateFile, {QFileInfo(fileName).absoluteFilePath(), file.errorString()}));
    }
}

void ThrowWriteFailed(const QIODevice &device)
{
    QString reason = device.errorString();
    if (const auto *file = qobject_cast<const QFileDevice *>(&device)) {
        throw platform::Exception(FormatExportText(
            TextKeys::kCannotWriteFile, {QFileInfo(file->fileName()).absoluteFilePath(), reason}));
    }
    throw platform::Exception(FormatExportText(TextKeys::kCannotWriteExport, {reason}));
}

void FinishExportFile(QFile &file)
{
    if (!file.flush())
        ThrowWriteFailed(file);
    file.close();
    if (file.error() != QFileDevice::NoError)
        ThrowWriteFailed(file);
}
