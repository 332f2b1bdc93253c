#include "zemfixture.h"

#include "portconnection.h"
#include "serialportcomm.h"

ZemFixture::ZemFixture()
{
    auto map = [this] {
        zem::ComMap com;
        for (int port = 1; port <= 4; ++port) {
            const PtyDevice *dev = device(port);
            if (dev && dev->isPresent())
                com[static_cast<size_t>(port - 1)].path = dev->path();
        }
        return com;
    };
    m_window = std::make_unique<zem::frmMain>(new zem::SerialPortComm(map));
    m_window->show();
}

PtyDevice *ZemFixture::plug(int port)
{
    auto &slot = m_devices[static_cast<size_t>(port - 1)];
    slot = std::make_unique<PtyDevice>();
    return slot.get();
}

void ZemFixture::unplug(int port)
{
    m_devices[static_cast<size_t>(port - 1)].reset();
}

QAction *ZemFixture::mnuCom(int n) const
{
    return m_window->findChild<QAction *>(QStringLiteral("mnuCom%1").arg(n));
}

QAction *ZemFixture::mnuConnect() const
{
    return m_window->findChild<QAction *>(QStringLiteral("mnuConnect"));
}

QLineEdit *ZemFixture::field(const QString &name) const
{
    return m_window->findChild<QLineEdit *>(name);
}

QLineEdit *ZemFixture::txtHEX(int i) const
{
    return field(QStringLiteral("txtHEX%1").arg(i));
}

QPushButton *ZemFixture::button(const QString &name) const
{
    return m_window->findChild<QPushButton *>(name);
}

QString ZemFixture::statusText(int panel) const
{
    return m_window->findChild<QLabel *>(QStringLiteral("StatusBar1Panel%1").arg(panel))->text();
}

int ZemFixture::checkedPort() const
{
    int checked = 0;
    for (int n = 1; n <= 4; ++n) {
        if (mnuCom(n)->isChecked()) {
            if (checked)
                return 0;
            checked = n;
        }
    }
    return checked;
}

bool ZemFixture::showsTruth() const
{
    const zem::CommComponent &c = *m_window->comm();
    const bool open = c.PortOpen();
    return mnuConnect()->text() ==
               (open ? zem::PortConnection::disconnectCaption() : zem::PortConnection::connectCaption()) &&
           checkedPort() == c.CommPort() &&
           statusText(1) == (open ? QStringLiteral("Connected") : QStringLiteral("Disconnected")) &&
           statusText(2) == QStringLiteral("COM%1:9600 8N1").arg(c.CommPort());
}
