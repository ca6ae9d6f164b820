#pragma once
// Every fixed text the program passes to TranslateText, by its English wording, which is also
// its key in the language files. The table below is the only place these texts are written:
// the callers name the constants, and the shipped language files are checked against
// AllTextKeys().
//
// Two kinds of text reach TranslateText without being fixed here: the window title configured
// in HBAPP.INI (its default is kProductTitle) and the hemoglobin value of a stored result (a
// number, which no language file names).
//
// Read-only data; any thread.

#include <QString>

#include <vector>

// One text of the table. Converts to QString wherever a text is expected.
struct TextKey
{
    const char *english;   // UTF-8

    operator QString() const { return QString::fromUtf8(english); }
};

// name, English text. "%s" stands for an argument filled in after translation.
#define KELO_TEXT_KEYS(X)                                                                              \
    /* product title: the About box, and the window title unless HBAPP.INI names another */        \
    X(kProductTitle, "Pellion Hb Hemoglobin Data Transfer Software")                                  \
    /* menus and toolbar */                                                                          \
    X(kFile, "File")                                                                                  \
    X(kHelp, "Help")                                                                                  \
    X(kUserGuide, "User Guide")                                                                       \
    X(kAbout, "About")                                                                                \
    X(kStart, "Start")                                                                                \
    X(kStop, "Stop")                                                                                  \
    X(kClearData, "Clear Data")                                                                       \
    X(kExportExcel, "Export Excel")                                                                   \
    X(kExportCSVFile, "Export CSV File")                                                              \
    X(kExit, "Exit")                                                                                  \
    /* the ten languages, in menu order */                                                           \
    X(kEnglish, "English")                                                                            \
    X(kGerman, "German")                                                                              \
    X(kSpanish, "Spanish")                                                                            \
    X(kItalian, "Italian")                                                                            \
    X(kPortuguese, "Portuguese")                                                                      \
    X(kFrench, "French")                                                                              \
    X(kFinnish, "Finnish")                                                                            \
    X(kPolish, "Polish")                                                                              \
    X(kDutch, "Dutch")                                                                                \
    X(kSwedish, "Swedish")                                                                            \
    /* status bar */                                                                                 \
    X(kVersion, "Version")                                                                            \
    X(kStartDownloading, "Start downloading")                                                         \
    X(kProcessing, "Processing")                                                                      \
    /* grid titles and CSV header */                                                                 \
    X(kTestNumber, "Test Number")                                                                     \
    X(kDate, "Date")                                                                                  \
    X(kTime, "Time")                                                                                  \
    X(kHemoglobin, "Hemoglobin")                                                                      \
    X(kHematocrit, "Hematocrit")                                                                      \
    /* save dialogs */                                                                               \
    X(kExportToCSVFile, "Export to CSV File")                                                         \
    X(kExcelFile, "Excel File")                                                                       \
    /* message boxes and their captions */                                                           \
    X(kClearDataQuestion, "Are you sure you want to clear data?")                                     \
    X(kExportSuccess, "Export All Data Success!")                                                     \
    X(kFileInUse, "The selected file is in use!")                                                     \
    X(kQuitQuestion, "Are you sure you want to quit?")                                                \
    X(kWarningMessage, "Warning Message")                                                             \
    X(kMessage, "Message")                                                                            \
    X(kErrorMessage, "Error Message")                                                                 \
    /* the meter's port cannot be used */                                                            \
    X(kMeterNotConnected, "Meter is not connected correctly. Before attempting the data transfer "    \
                          "again, please disconnect the meter and then reconnect.")                   \
    /* About box */                                                                                  \
    X(kLegalWarning, "Warning: this software is protected by copyright law and by international "     \
                     "agreements. Copying or passing on this software, or any part of it, without "   \
                     "the permission of its owner is forbidden and may be prosecuted under civil "    \
                     "and criminal law.")                                                             \
    X(kClose, "Close")                                                                                \
    /* export failures; the .xls limit names the same number as kMaxXlsRecords */                    \
    X(kTooManyRecordsForXls, "The table has more than 65535 results, which is more than an Excel "    \
                             ".xls sheet can hold. Please use the CSV export instead.")               \
    X(kCannotCreateFile, "Cannot create file \"%s\". %s")                                             \
    X(kCannotWriteFile, "Cannot write file \"%s\". %s")                                               \
    X(kCannotWriteExport, "Cannot write the export. %s")                                          \
    /* a user of a shared installation who may not write its data folder */                        \
    X(kDataFolderNotWritable, "You are not allowed to write to the data folder \"%s\", so the "     \
                              "program cannot keep results.")                                         \
    X(kAskToJoinGroup, "Ask an administrator to add you to the group %s:")                          \
    X(kLogInAgain, "Then log out and log in again.")                                                  \
    X(kAskForWriteAccess, "Ask an administrator to give you write access to this folder.")          \
    /* quitting while results wait to be written */                                                 \
    X(kPendingNotWritten, "%s results in the list could not be written to the database.")             \
    X(kPendingLostOnQuit, "They are lost when the program ends; export them first to keep them. "     \
                          "Quit anyway?")

namespace TextKeys {

#define KELO_DECLARE_TEXT_KEY(name, text) inline constexpr TextKey name{text};
KELO_TEXT_KEYS(KELO_DECLARE_TEXT_KEY)
#undef KELO_DECLARE_TEXT_KEY

} // namespace TextKeys

// Every text of the table, in table order.
const std::vector<TextKey> &AllTextKeys();
