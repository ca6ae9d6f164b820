#include "program/Application.h"

#include "platform/Dialogs.h"
#include "platform/Exception.h"

#include <QtGlobal>

#include <exception>

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // The desktop matches the window to the installed desktop entry by this name.
    setDesktopFileName(QStringLiteral("kelo-hb-meter"));
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowException(platform::ErrorMessage(std::current_exception()));
    }
    return false;
}

void Application::ShowException(const QString &message)
{
    try {
        platform::CurrentDialogs().ErrorBox(message);
        return;
    } catch (const std::exception &error) {
        qCritical("%s (%s)", qUtf8Printable(message), error.what());
    } catch (...) {
        qCritical("%s", qUtf8Printable(message));
    }
}
