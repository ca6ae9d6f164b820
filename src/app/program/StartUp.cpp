#include "app/program/StartUp.h"

#include <QApplication>

int RunProgram(int argc, char **argv)
{
    QApplication application(argc, argv);
    return application.exec();
}
