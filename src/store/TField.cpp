#include "store/TField.h"

TField::TField(const QString &datasetName, const QString &fieldName, bool calculated, QObject *owner)
    : QObject(owner), fieldName_(fieldName), displayLabel_(fieldName), calculated_(calculated)
{
    setObjectName(datasetName + fieldName);
}
