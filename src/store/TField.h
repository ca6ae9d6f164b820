#pragma once
// A field object of the data module: one column of the result view, named as the data module
// names its fields ("qryResultLog" + the column's name, for example qryResultLogfHB). It carries
// the column's display label, which starts as the column's name; a language file can replace
// it through the translation walk (key TDM.DM.qryResultLogfHB.DisplayLabel). Grid titles and
// export headers are set by the program itself and do not read it.
//
// Owned by the data module (its QObject parent). GUI thread.

#include <QObject>
#include <QString>

class TField : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString DisplayLabel READ DisplayLabel WRITE SetDisplayLabel)

public:
    // A field of the dataset named datasetName for the column fieldName; its object name is
    // datasetName + fieldName.
    TField(const QString &datasetName, const QString &fieldName, bool calculated, QObject *owner);

    const QString &FieldName() const { return fieldName_; }
    // True for a column computed in memory, false for a column of the table.
    bool Calculated() const { return calculated_; }
    const QString &DisplayLabel() const { return displayLabel_; }
    void SetDisplayLabel(const QString &label) { displayLabel_ = label; }

private:
    QString fieldName_;
    QString displayLabel_;
    bool calculated_;
};
