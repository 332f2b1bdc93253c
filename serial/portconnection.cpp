#include "portconnection.h"

#include <QAction>

#include <algorithm>
#include <climits>

namespace zem {

PortConnection::PortConnection(CommComponent *MSComm1, const std::array<QAction *, 4> &mnuCom,
                               QAction *mnuConnect, QObject *parent)
    : QObject(parent)
    , m_comm(MSComm1)
    , m_mnuCom(mnuCom)
    , m_mnuConnect(mnuConnect)
{
    for (int i = 0; i < 4; ++i)
        connect(m_mnuCom[static_cast<size_t>(i)], &QAction::triggered, this,
                [this, i] { mnuCom_Click(static_cast<qint16>(i + 1)); });
    connect(m_mnuConnect, &QAction::triggered, this, &PortConnection::mnuConnect_Click);
    connect(m_comm, &CommComponent::stateChanged, this, &PortConnection::onStateChanged);
    connect(m_comm, &CommComponent::closed, this, &PortConnection::onClosed);
    connect(m_comm, &CommComponent::lineFailed, this,
            [this](const CommError &error) { Q_EMIT message(unavailableText(m_comm->CommPort(), error)); });
    showState();
}

QString PortConnection::connectCaption()
{
    return tr("&Connect");
}

void PortConnection::showState()
{
    // While a close waits for output, nothing that acts on the line can be chosen: a choice made
    // then would run against whatever state the wait ends in.
    const bool idle = !m_comm->isClosing();
    m_mnuConnect->setText(m_comm->PortOpen() ? tr("Dis&connect") : connectCaption());
    m_mnuConnect->setEnabled(idle);
    // The mark stands on the port the component holds, even after a failed switch.
    for (int n = CommComponent::FirstPort; n <= CommComponent::LastPort; ++n) {
        QAction *item = m_mnuCom[static_cast<size_t>(n - 1)];
        item->setChecked(n == m_comm->CommPort());
        item->setEnabled(idle);
    }
}

void PortConnection::mnuCom_Click(qint16 Index)
{
    if (Index < CommComponent::FirstPort || Index > CommComponent::LastPort || m_comm->isClosing())
        return;
    if (!m_comm->PortOpen()) {
        m_comm->setCommPort(Index); // cannot fail while closed with a port 1 to 4
        showState();                // the mark stays, chosen again
        return;
    }
    m_switchTo = Index;
    m_comm->setPortOpen(false);
}

void PortConnection::onStateChanged()
{
    showState();
    if (m_switchTo == 0 || m_comm->PortOpen())
        return;
    // Each step goes on past a failing one; the latest failure is the one told.
    const int port = std::exchange(m_switchTo, 0);
    CommError failure = m_comm->setCommPort(port);
    if (CommError opened = m_comm->setPortOpen(true))
        failure = std::move(opened);
    if (failure)
        Q_EMIT message(unavailableText(port, failure));
}

void PortConnection::mnuConnect_Click()
{
    if (m_comm->isClosing())
        return;
    if (m_comm->PortOpen()) {
        m_comm->setPortOpen(false);
        return;
    }
    if (const CommError failure = m_comm->setPortOpen(true))
        Q_EMIT message(unavailableText(m_comm->CommPort(), failure));
}

void PortConnection::shutDown()
{
    m_switchTo = 0;
    m_comm->setPortOpen(false);
}

void PortConnection::onClosed(qint64 discarded)
{
    if (discarded > 0)
        Q_EMIT message(tr("%Ln byte(s) could not be sent before the port closed and were discarded.", nullptr,
                          pluralCount(discarded)));
}

QString PortConnection::unavailableText(int port, const CommError &error) const
{
    return tr("Com %1 is not available.").arg(port) + QStringLiteral("\r\n") + error.description;
}

} // namespace zem
