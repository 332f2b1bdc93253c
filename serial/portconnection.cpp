#include "portconnection.h"

#include <QAction>

#include <algorithm>
#include <climits>

namespace zem {
namespace {

// The guarded stretches go on past a failing step and report the latest failure.
void remember(CommError &latest, CommError error)
{
    if (error)
        latest = std::move(error);
}

} // namespace

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
    connect(m_comm, &CommComponent::lineFailed, this, &PortConnection::onLineFailed);
}

QString PortConnection::connectCaption()
{
    return tr("&Connect");
}

QString PortConnection::disconnectCaption()
{
    return tr("Dis&connect");
}

void PortConnection::mnuCom_Click(qint16 Index)
{
    if (Index < CommComponent::FirstPort || Index > CommComponent::LastPort)
        return;
    if (m_comm->PortOpen()) {
        CommError failure;
        remember(failure, closePort());
        remember(failure, m_comm->setCommPort(Index));
        remember(failure, m_comm->setPortOpen(true));
        if (failure) {
            Q_EMIT message(unavailableText(Index, failure));
            m_mnuConnect->setText(connectCaption());
        } else {
            m_mnuConnect->setText(disconnectCaption());
        }
    } else {
        m_comm->setCommPort(Index); // cannot fail while closed with a port 1 to 4
    }
    // The mark stands on the port the component holds, even after a failed switch.
    checkPort(m_comm->CommPort());
}

void PortConnection::mnuConnect_Click()
{
    if (m_comm->PortOpen()) {
        closePort();
        m_mnuConnect->setText(connectCaption());
        return;
    }
    if (const CommError failure = m_comm->setPortOpen(true)) {
        Q_EMIT message(unavailableText(m_comm->CommPort(), failure));
        m_mnuConnect->setText(connectCaption());
        return;
    }
    m_mnuConnect->setText(disconnectCaption());
}

CommError PortConnection::closePort()
{
    CommError error = m_comm->setPortOpen(false);
    if (const qint64 dropped = m_comm->droppedAtLastClose(); dropped > 0)
        Q_EMIT message(tr("%n byte(s) could not be sent before the port closed and were discarded.", "",
                          static_cast<int>(std::min<qint64>(dropped, INT_MAX))));
    return error;
}

void PortConnection::onLineFailed(const CommError &error)
{
    m_mnuConnect->setText(connectCaption());
    // The component reports from inside its own I/O; the operator reads the message once it is done.
    QMetaObject::invokeMethod(
        this, [this, text = unavailableText(m_comm->CommPort(), error)] { Q_EMIT message(text); },
        Qt::QueuedConnection);
}

void PortConnection::checkPort(int port)
{
    for (QAction *item : m_mnuCom)
        item->setChecked(false);
    m_mnuCom[static_cast<size_t>(port - 1)]->setChecked(true);
}

QString PortConnection::unavailableText(int port, const CommError &error) const
{
    return tr("Com %1 is not available.").arg(port) + QStringLiteral("\r\n") + error.description;
}

} // namespace zem
