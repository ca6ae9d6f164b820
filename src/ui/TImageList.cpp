#include "ui/TImageList.h"

// Outside any namespace, as the resource initialiser requires. Called before the first look-up
// so that the linker keeps the images of this static library.
static void InitialiseUiResources()
{
    Q_INIT_RESOURCE(ui);
}

TImageList::TImageList(QObject *owner)
    : QObject(owner)
{
    setObjectName(QStringLiteral("MainToolBarImg"));
    InitialiseUiResources();
    images_.resize(kImageCount);
    for (int index = 0; index < kImageCount; ++index) {
        const QString path = ImagePath(index);
        if (!path.isEmpty())
            images_[static_cast<std::size_t>(index)] = QIcon(path);
    }
}

QIcon TImageList::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return QIcon();
    return images_[static_cast<std::size_t>(index)];
}

QString TImageList::ImagePath(int index)
{
    switch (index) {
    case kStart: return QStringLiteral(":/ui/icons/start.svg");
    case kClear: return QStringLiteral(":/ui/icons/clear.svg");
    case kExportExcel: return QStringLiteral(":/ui/icons/excel.svg");
    case kExportCSV: return QStringLiteral(":/ui/icons/csv.svg");
    case kExit: return QStringLiteral(":/ui/icons/exit.svg");
    case kStop: return QStringLiteral(":/ui/icons/stop.svg");
    default: return QString();
    }
}
