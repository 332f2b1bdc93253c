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
    // While a close waits, whatever would ask the line for more is greyed.
    const bool open = comm().PortOpen(), closing = comm().isClosing();
    QList<bool> lit{find<QAction>("mnuConnect")->isEnabled(), find<QWidget>("btnSend0")->isEnabled(),
                    find<QWidget>("btnSend1")->isEnabled()};
    QString marks;
    for (int n = 1; n <= 4; ++n) {
        const auto *item = find<QAction>(u"mnuCom%1"_s.arg(n));
        marks += item->isChecked() ? u'x' : u'-';
        lit.append(item->isEnabled());
    }
    const QString state = closing ? u"Disconnecting"_s : open ? u"Connected"_s : u"Disconnected"_s;
    return lit == QList<bool>(7, !closing) && marks == u"----"_s.replace(comm().CommPort() - 1, 1, u'x') &&
           find<QAction>("mnuConnect")->text() == (open ? "Dis&connect"_L1 : "&Connect"_L1) &&
           find<QLabel>("StatusBar1Panel1")->text() == state &&
           find<QLabel>("StatusBar1Panel2")->text() == u"COM%1:9600 8N1"_s.arg(comm().CommPort());
}

void Zem::clog(qsizetype more) const
{
    // Until the program's own queue stops falling: the device, and everything on the way to it, is full.
    for (qint64 queued = 0, i = 0; i < 256 && (queued == 0 || comm().OutBufferCount() < queued);
         ++i, QTest::qWait(100))
        comm().setOutput(QString(4096, u'x')), queued = comm().OutBufferCount();
    comm().setOutput(QString(more, u'x'));
}
