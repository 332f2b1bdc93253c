#include "serialportcomm.h"

#include "sendcheck.h"
#include "serialline.h"

#include <QCoreApplication>

#include <algorithm>

namespace zem {

qint64 SerialPortComm::drainBoundMs(qint64 pendingBytes)
{
    const qint64 lineMs = pendingBytes * 1000 / BytesPerSecond;
    return std::min<qint64>(lineMs + 1000, 10000);
}

SerialPortComm::SerialPortComm(PortMap portMap, QObject *parent)
    : CommComponent(parent)
    , m_portMap(std::move(portMap))
    , m_line(SerialLine::create(this))
{
    m_clock.start();
    m_onComm.setSingleShot(true);
    connect(&m_onComm, &QTimer::timeout, this, &SerialPortComm::raiseOnComm);
    m_closeCheck.setInterval(50);
    connect(&m_closeCheck, &QTimer::timeout, this, &SerialPortComm::checkClose);
    connect(m_line, &SerialLine::readyRead, this, &SerialPortComm::take);
    connect(m_line, &SerialLine::bytesWritten, this, [this] {
        Q_EMIT outBufferChanged();
        checkClose();
    });
    connect(m_line, &SerialLine::wentAway, this, &SerialPortComm::onWentAway);
}

SerialPortComm::~SerialPortComm() = default;

bool SerialPortComm::PortOpen() const
{
    return m_line->isOpen();
}

CommError SerialPortComm::setPortOpen(bool open)
{
    if (open == m_line->isOpen() || isClosing())
        return {};
    if (open) {
        CommError failure = this->open();
        if (failure)
            Q_EMIT lineEvent(tr("Not connected: %1").arg(failure.description));
        return failure;
    }
    // Closing the device discards what is still queued, and closing one whose driver still holds
    // output waits in the kernel until it has gone out; so the port stays open until then.
    m_closeBound = QDeadlineTimer(drainBoundMs(OutBufferCount()));
    m_closeCheck.start();
    checkClose();
    if (isClosing())
        Q_EMIT stateChanged();
    return {};
}

qint64 SerialPortComm::closeLeftMs() const
{
    return isClosing() ? m_closeBound.remainingTime() : -1;
}

CommError SerialPortComm::open()
{
    const ComMap map = m_portMap();
    const SerialDevice &device = map[static_cast<size_t>(m_port - 1)];
    if (device.path.isEmpty())
        return {describeComPort(m_port, map)};
    if (CommError failure = m_line->open(device.path))
        return failure;
    Q_EMIT lineEvent(tr("Connected to %1.").arg(device.path));
    Q_EMIT stateChanged();
    return {};
}

void SerialPortComm::checkClose()
{
    if (!isClosing())
        return;
    const qint64 left = OutBufferCount();
    if (left > 0 && !m_closeBound.hasExpired())
        return;
    // What the driver still holds goes too, so that closing the device does not wait for it. Only then:
    // a pseudo-terminal holds nothing of its own, and flushing it would take what its far end has not
    // read yet.
    if (m_line->driverHolds() > 0)
        m_line->discardDriverOutput();
    shut(left);
}

void SerialPortComm::shut(qint64 discarded, const CommError &failure)
{
    const bool closing = isClosing();
    m_closeCheck.stop();
    // What the device sent up to now belongs before the event that ends the line.
    received(m_line->close());
    if (failure) {
        Q_EMIT lineEvent(failure.description);
        Q_EMIT lineFailed(failure);
    } else if (closing) {
        Q_EMIT lineEvent(discarded > 0 ? tr("Disconnected: %Ln byte(s) could not be sent and were discarded.",
                                            nullptr, pluralCount(discarded))
                                       : tr("Disconnected."));
        Q_EMIT closed(discarded);
    }
    if (!m_received.isEmpty())
        m_onComm.start(0);
    Q_EMIT stateChanged();
    Q_EMIT outBufferChanged();
}

CommError SerialPortComm::setCommPort(int port)
{
    if (m_line->isOpen())
        return {tr("The port number cannot change while the port is open.")};
    if (port < FirstPort || port > LastPort)
        return {tr("There is no port %1.").arg(port)};
    if (port != m_port) {
        m_port = port;
        Q_EMIT stateChanged();
    }
    return {};
}

CommError SerialPortComm::setOutput(const QString &text)
{
    if (const WideChar wide = firstWideChar(text); wide.position > 0)
        return {tr("The character \"%1\" (U+%2) at position %3 is not a single byte (codes 0 to 255); "
                   "nothing was sent.")
                    .arg(QString::fromUcs4(&wide.code, 1),
                         QString::number(wide.code, 16).toUpper().rightJustified(4, u'0'))
                    .arg(wide.position)};
    if (text.isEmpty())
        return {};
    // A closing port takes nothing new: the close would have to wait for it.
    if (!m_line->isOpen() || isClosing()) {
        Q_EMIT lineEvent(
            tr("A Send of %Ln byte(s) wrote nothing: no port was open.", nullptr, pluralCount(text.size())));
        return {};
    }
    const QByteArray bytes = text.toLatin1();
    m_line->write(bytes);
    Q_EMIT bytesSent(bytes);
    Q_EMIT outBufferChanged();
    return {};
}

qint64 SerialPortComm::OutBufferCount() const
{
    return m_line->isOpen() ? m_line->queued() + std::max<qint64>(0, m_line->driverHolds()) : 0;
}

QString SerialPortComm::Input()
{
    const QByteArray bytes = std::exchange(m_received, {});
    // A full buffer left the rest with the line, which says nothing more of it.
    if (m_line->isOpen())
        take();
    return QString::fromLatin1(bytes);
}

void SerialPortComm::take()
{
    const qint64 room = InputBufferSize - m_received.size();
    if (room > 0 && m_line->isOpen())
        received(m_line->read(room));
}

void SerialPortComm::received(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_received += bytes;
    Q_EMIT bytesReceived(bytes);
    const qint64 delay = m_pacer.arrived(m_clock.elapsed());
    if (!m_onComm.isActive())
        m_onComm.start(static_cast<int>(delay));
}

void SerialPortComm::raiseOnComm()
{
    // The handler's cost includes painting what it changed, which is most of it for a long field:
    // the window paints now, so that the pacer sees the whole of it.
    const qint64 start = m_clock.elapsed();
    Q_EMIT OnComm();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    m_pacer.handled(start, m_clock.elapsed());
}

void SerialPortComm::onWentAway()
{
    // Whatever was queued for the device is lost with it.
    QString failure = tr("The device went away: it was unplugged or switched off.");
    const qint64 queued = m_line->queued();
    if (const qint64 held = m_line->driverHolds(); held >= 0) {
        if (queued + held > 0)
            failure += u' ' + tr("%Ln byte(s) could not be sent.", nullptr, pluralCount(queued + held));
    } else if (queued > 0) {
        failure += u' ' + tr("At least %Ln byte(s) could not be sent.", nullptr, pluralCount(queued));
    }
    shut(0, {failure});
}

} // namespace zem
