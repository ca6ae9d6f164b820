// The program itself with one addition for tests: once its main window is up it presses
// Start, and it tells on standard output how far it got, for a test that ends it at a random
// moment:
//   window <title>     the main window is up, with this title
//   started            Start was pressed: the port is open and reading is on
//   ended <total>      reading went off again (the transfer is over), with the running total
// Everything else (the application object, the reader, the result database) is the program's
// own.
#include "program/StartUp.h"
#include "ui/TfrmMain.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <memory>

namespace {

void Say(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PressStartOnceTheWindowIsUp()
{
    auto *timer = new QTimer(QCoreApplication::instance());
    auto pressed = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [timer, pressed] {
        if (!frmMain || !frmMain->isVisible())
            return;
        if (!*pressed) {
            *pressed = true;
            Say("window " + frmMain->windowTitle().toUtf8());
            frmMain->btnStart->click();
            Say(frmMain->lb_StartRead ? QByteArray("started") : QByteArray("not started"));
            return;
        }
        if (!frmMain->lb_StartRead) {
            Say("ended " + QByteArray::number(frmMain->iTotalCount));
            timer->stop();
        }
    });
    timer->start(10);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(PressStartOnceTheWindowIsUp)

int main(int argc, char **argv)
{
    return RunProgram(argc, argv);
}
