#include "zemtest.h"

#include "application.h"

Zem::Zem()
{
    zem::initApplication();
    window = std::make_unique<zem::frmMain>(new zem::SerialPortComm([this] { return ports; }));
    zem::closeOnSignals(window.get());
    window->show();
    QApplication::setActiveWindow(window.get());
    QObject::connect(&answer, &QTimer::timeout, [this] {
        if (auto *box = window ? standing<QMessageBox>() : nullptr) {
            const bool designed = box->windowTitle() == "ZEM"_L1 && box->icon() == QMessageBox::NoIcon &&
                                  box->textFormat() == Qt::PlainText &&
                                  box->standardButtons() == QMessageBox::Ok;
            messages.append(designed ? box->text() : "BAD: "_L1 + box->text());
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(5);
}

bool Device::plug(const char *state) const
{
    QFile file(QString::fromLocal8Bit(m_plug));
    return file.open(QIODevice::WriteOnly) && file.write(state) == 1;
}

Device *Zem::connect(int port)
{
    auto &device = devices[size_t(port - 1)] = std::make_unique<Device>();
    ports[size_t(port - 1)].path = device->path;
    trigger(u"mnuCom%1"_s.arg(port));
    trigger("mnuConnect");
    return device.get();
}

bool Zem::showsTruth() const
{
    // While a close waits, whatever would ask the line for more is greyed; the check mark is on the port
    // the component holds.
    const bool open = comm().PortOpen(), closing = comm().isClosing();
    const QString state = closing ? u"Disconnecting"_s : open ? u"Connected"_s : u"Disconnected"_s;
    QString shown = find<QAction>("mnuConnect")->text() + u' ', marks;
    for (const char *name :
         {"mnuConnect", "btnSend0", "btnSend1", "mnuCom1", "mnuCom2", "mnuCom3", "mnuCom4"})
        shown += find<QObject>(name)->property("enabled").toBool() ? u'+' : u'-';
    for (int n = 1; n <= 4; ++n)
        marks += find<QAction>(u"mnuCom%1"_s.arg(n))->isChecked() ? u'x' : u'-';
    return shown + marks + find<QLabel>("StatusBar1Panel1")->text() +
               find<QLabel>("StatusBar1Panel2")->text() ==
           (open ? "Dis&connect "_L1 : "&Connect "_L1) + QString(7, closing ? u'-' : u'+') +
               u"----"_s.replace(comm().CommPort() - 1, 1, u'x') + state +
               u"COM%1:9600 8N1"_s.arg(comm().CommPort());
}
