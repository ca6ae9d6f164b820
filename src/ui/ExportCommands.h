#pragma once
// The bodies of the main window's two export commands (Export CSV File, Export Excel): the
// save dialog's settings, the file-name rules, the checks before writing and the messages.
// The window's button handlers call them with its save dialog and its result grid or the data
// module; the menu handlers reach them through the buttons.
//
// Both run on the GUI thread and finish before they return. A cancelled dialog writes nothing
// and shows nothing. Errors (a file that cannot be created or written, a table too large for
// an .xls sheet, a database error while reading the units) leave as platform::Exception with
// the reason in their message, for the application's error box; the success box is shown only
// after the whole file is written.

class TDBGrid;
class TDM;
class TSaveDialog;

// Export CSV File: every stored result of dm's result view, in the order of storage, under a
// header of the five translated titles with the units in force when the export runs, fields
// joined by the regional list separator. Sets the dialog's default extension, filter, title and
// file name; ".csv" is appended unless the chosen name ends in it (any letter case).
void ExportCSVCommand(TSaveDialog &SaveDialog, TDM &dm);

// Export Excel: the grid's visible columns (titles as shown) and every row of its view into an
// .xls sheet. Sets the dialog's filter, title and file name, not its default extension; ".xls"
// is appended unless present. A file that another program holds is refused with "The selected
// file is in use!" before anything is written.
void ExportExcelCommand(TSaveDialog &SaveDialog, TDBGrid &GridRec);
