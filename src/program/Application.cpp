#include "program/Application.h"

#include "platform/Dialogs.h"
#include "platform/Exception.h"

#include <QtGlobal>

#include <exception>

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowException(MessageOf(std::current_exception()));
    }
    return false;
}

QString Application::MessageOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const platform::Exception &own) {
        return own.message();
    } catch (const std::exception &other) {
        return QString::fromLocal8Bit(other.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
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
