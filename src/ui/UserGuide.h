#pragma once
// The user guide: <ExePath><LanguageID>/UserGuide.pdf, opened with the viewer the desktop
// associates with PDF files. Only the current language's guide is tried. GUI thread only.

#include <QString>

#include <functional>

// ExePath + the current LanguageID in decimal + "/UserGuide.pdf".
QString UserGuidePath();

// Asks the desktop to open the current language's guide. When the file is missing or the
// desktop cannot open it, sounds the simple beep and returns false; nothing else is shown.
bool OpenUserGuide();

// Replaces the beep (QApplication::beep) for tests; an empty function restores it.
void SetUserGuideBeep(std::function<void()> beep);
