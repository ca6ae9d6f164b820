#pragma once
// The main window as a user of one language sees it after a download: the real TfrmMain with
// the data module, on a temporary install tree of its own (settings, an empty result database
// and that language's file), with a few sample results stored through the window's own
// receiving path. The install tree goes when the picture is taken; nothing outside it is
// touched. GUI thread; needs a QApplication (the tool runs it on the offscreen platform).

#include <QImage>
#include <QString>

struct MainWindowPicture
{
    QImage image;          // the whole window, at the screen's device pixel ratio
    QString windowTitle;   // the window's caption in that language
    bool translated = false;   // a language file was there for the window to use
};

struct MainWindowSetup
{
    int languageId = 1033;
    // The language file for languageId (bin/<LCID>/KELO_HB_METER.txt); empty or missing: the
    // window comes up with its built-in English texts.
    QString languageFile;
    // The settings file to lay down (the shipped HBAPP.INI); empty: the program's defaults.
    QString settingsFile;
};

// Throws std::runtime_error naming what failed (the install tree, the database, a message box
// the window wanted to show).
MainWindowPicture RenderMainWindow(const MainWindowSetup &setup);
