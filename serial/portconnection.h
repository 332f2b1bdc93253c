#pragma once

#include "commcomponent.h"

#include <QObject>
#include <array>

class QAction;

namespace zem {

// Port choice and Connect/Disconnect from the menus. The component holds the port number and open
// state, and the menu items show them; all this keeps is a port switch waiting for its close.
class PortConnection : public QObject
{
    Q_OBJECT
public:
    // mnuCom[0] to mnuCom[3] stand for ports 1 to 4.
    PortConnection(CommComponent *MSComm1, const std::array<QAction *, 4> &mnuCom, QAction *mnuConnect,
                   QObject *parent = nullptr);

    void mnuCom_Click(qint16 Index);
    void mnuConnect_Click();
    // Closes the open port for good: the window is going. A port switch under way does not reopen.
    void shutDown();

    static QString connectCaption();

Q_SIGNALS:
    // Something the operator must read before going on; shown modally by the receiver.
    void message(const QString &text);

private:
    // The Connect caption, the check mark and what can be chosen, as the component stands.
    void showState();
    // A port switch goes on once its close has ended.
    void onStateChanged();
    void onClosed(qint64 discarded);
    QString unavailableText(int port, const CommError &error) const;

    CommComponent *m_comm;
    std::array<QAction *, 4> m_mnuCom;
    QAction *m_mnuConnect;
    int m_switchTo = 0; // the port a switch opens once the close has ended; 0 when none
};

} // namespace zem
