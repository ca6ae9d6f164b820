// The main window's two export commands; their bodies live in ui/ExportCommands.

#include "ui/TfrmMain.h"

#include "store/DataModule.h"
#include "ui/ExportCommands.h"

void TfrmMain::btnExportCSVClick(QObject *Sender)
{
    (void)Sender;
    ExportCSVCommand(*SaveDialog, *DM);
}

void TfrmMain::mnuExportCSVClick(QObject *Sender)
{
    (void)Sender;
    btnExportCSVClick(this);
}

void TfrmMain::btnExportExcelClick(QObject *Sender)
{
    (void)Sender;
    ExportExcelCommand(*SaveDialog, *GridRec);
}

void TfrmMain::mnuExportExcelClick(QObject *Sender)
{
    (void)Sender;
    btnExportExcelClick(this);
}
