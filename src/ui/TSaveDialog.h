#pragma once
// TSaveDialog: the save-file dialog component. It keeps its settings between uses (each
// command sets only what it needs; the rest stays as the last use left it) and shows the
// dialog through the program's dialogs seam (platform::CurrentDialogs), so tests can script it.
// It never asks before replacing an existing file. GUI thread.

#include <QObject>
#include <QString>

class TSaveDialog : public QObject
{
    Q_OBJECT
public:
    explicit TSaveDialog(QObject *owner = nullptr);

    QString DefaultExt;   // added to a typed name without an extension ("csv" or "*.csv")
    QString Filter;       // "Description|*.ext|Description|*.ext"
    QString Title;
    QString FileName;     // proposed name before Execute, the chosen path after it
    QString InitialDir;

    // Shows the dialog. True with FileName set to the chosen path; false when cancelled, with
    // FileName unchanged.
    bool Execute();
};
