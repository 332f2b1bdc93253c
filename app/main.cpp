#include "application.h"
#include "frmmain.h"
#include "serialportcomm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The program takes no command-line arguments, so Qt is shown none either.
    Q_UNUSED(argc)
    int qtArgc = 1;
    const auto app = zem::startApplication(qtArgc, argv);
    zem::initApplication();

    zem::frmMain window(new zem::SerialPortComm);
    zem::closeOnSignals(&window);
    window.show();
    return QApplication::exec();
}
