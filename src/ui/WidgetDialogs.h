#pragma once
// The dialogs seam shown with real widgets: QMessageBox for the boxes, QFileDialog for the
// save dialog. Installed by the program at start-up; GUI thread only.

#include "platform/Dialogs.h"

#include <QString>

namespace ui {

class WidgetDialogs : public platform::Dialogs
{
public:
    // Buttons from the low 4 bits of the style, the icon from bits 4 to 7; the box is modal
    // to the active window. Returns the pressed button's number; a box closed without a
    // button answers as its Cancel button would (IDOK when it has only OK).
    int MessageBox(const QString &text, const QString &caption, unsigned style) override;
    // No overwrite prompt: the caller decides what happens to an existing file.
    std::optional<QString> SaveFile(const platform::SaveFileRequest &request) override;
    // A critical box with an OK button, captioned with the application's display name.
    void ErrorBox(const QString &message) override;

    // "Text files|*.txt|All|*.a;*.b" to Qt's "Text files (*.txt);;All (*.a *.b)". A
    // description that already ends in its patterns in parentheses is kept as it is.
    static QString QtFilter(const QString &filter);
    // Adds the default extension ("csv", ".csv" or "*.csv") to a chosen file whose name has no
    // extension of its own.
    static QString WithDefaultExtension(const QString &fileName, const QString &defaultExt);
};

} // namespace ui
