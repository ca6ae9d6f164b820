#include "program/Application.h"

#include "platform/Dialogs.h"
#include "platform/Exception.h"

#include <QThreadPool>
#include <QtGlobal>

#include <exception>

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // The desktop matches the window to the installed desktop entry by this name.
    setDesktopFileName(QStringLiteral("kelo-hb-meter"));
    // Qt's raster painting hands every fill and scroll taller than about a hundred lines to
    // the global thread pool, one task per 64 lines, and waits for them. The window's fills
    // are small (a scroll bar, a new row, a scroll of the grid), and the hand-over costs more
    // than the work: with one helper thread a download at the meter's pace takes about a
    // tenth less CPU. Nothing else of the program uses the pool.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
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
