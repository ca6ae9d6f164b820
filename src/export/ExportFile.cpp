#include "export/ExportFile.h"

#include "i18n/TranslateText.h"
#include "platform/Exception.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

void CreateExportFile(QFile &file, const QString &fileName)
{
    file.setFileName(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw platform::Exception(TranslateWithArguments(
            TextKeys::kCannotCreateFile, {QFileInfo(fileName).absoluteFilePath(), file.errorString()}));
    }
}

void ThrowWriteFailed(const QIODevice &device)
{
    QString reason = device.errorString();
    if (const auto *file = qobject_cast<const QFileDevice *>(&device)) {
        throw platform::Exception(TranslateWithArguments(
            TextKeys::kCannotWriteFile, {QFileInfo(file->fileName()).absoluteFilePath(), reason}));
    }
    throw platform::Exception(TranslateWithArguments(TextKeys::kCannotWriteExport, {reason}));
}

void FinishExportFile(QFile &file)
{
    if (!file.flush())
        ThrowWriteFailed(file);
    file.close();
    if (file.error() != QFileDevice::NoError)
        ThrowWriteFailed(file);
}
