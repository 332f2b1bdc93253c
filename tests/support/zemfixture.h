#pragma once

#include "commcomponent.h"
#include "frmmain.h"
#include "messagecatcher.h"
#include "ptydevice.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <memory>

// The whole program against up to four pseudo-terminal devices, one per port number; a port with
// no device fails to open.
class ZemFixture
{
public:
    ZemFixture();

    // Puts a fresh device behind port n (1 to 4), or none.
    PtyDevice *plug(int port);
    void unplug(int port);
    PtyDevice *device(int port) const { return m_devices[static_cast<size_t>(port - 1)].get(); }

    zem::frmMain &window() { return *m_window; }
    zem::CommComponent &comm() { return *m_window->comm(); }
    QAction *mnuCom(int n) const;
    QAction *mnuConnect() const;
    QLineEdit *field(const QString &name) const;
    QLineEdit *txtHEX(int i) const;
    QPushButton *button(const QString &name) const;
    QString statusText(int panel) const;
    int checkedPort() const; // 0 when none or several are checked
    bool showsTruth() const; // the menus and status bar agree with the component

    MessageCatcher messages;

private:
    std::array<std::unique_ptr<PtyDevice>, 4> m_devices;
    std::unique_ptr<zem::frmMain> m_window; // goes before the devices it has open

};
