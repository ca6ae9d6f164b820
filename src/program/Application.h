#pragma once
// The program's application object. An exception that escapes an event handler is shown in
// the application's default error box (platform::CurrentDialogs().ErrorBox) and the program
// goes on with the next event.

#include <QApplication>

#include <exception>

class Application : public QApplication
{
    Q_OBJECT
public:
    // argc must outlive the application (QApplication keeps a reference to it).
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows message in the default error box; when no dialogs are installed, or the box itself
    // fails, the message goes to standard error instead.
    static void ShowException(const QString &message);
};
