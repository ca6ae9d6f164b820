// The program itself with one addition for tests: once its main window is up it presses
// Clear Data, and it says "question open" on standard output while the question box is up.
// Everything else (the application object, the real message boxes, the handling of
// termination signals, the result database) is the program's own.
#include "program/StartUp.h"
#include "ui/TfrmMain.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <memory>

namespace {

void PressClearOnceTheWindowIsUp()
{
    auto *timer = new QTimer(QCoreApplication::instance());
    auto pressed = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [timer, pressed] {
        if (!*pressed && frmMain && frmMain->isVisible()) {
            *pressed = true;
            // The box's own loop runs inside the click, which therefore happens from a timer of
            // its own: a timer does not fire again while its handler runs.
            QTimer::singleShot(0, frmMain->btnClear, &QToolButton::click);
            return;
        }
        if (qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("question open\n");
            std::fflush(stdout);
            timer->stop();
        }
    });
    timer->start(20);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(PressClearOnceTheWindowIsUp)

int main(int argc, char **argv)
{
    return RunProgram(argc, argv);
}
