// Renders the main window as the operator first sees it, for the README.
#include "application.h"
#include "frmmain.h"
#include "serialportcomm.h"

#include <QApplication>
#include <QPixmap>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    zem::initApplication();
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: zem-screenshot OUTPUT.png\n";
        return 2;
    }
    zem::frmMain window(new zem::SerialPortComm);
    window.show();
    QApplication::processEvents();
    return window.grab().save(args.at(1)) ? 0 : 1;
}
