#include "serialportcomm.h"

#include <QEventLoop>
#include <QScopedValueRollback>

#include <algorithm>
#include <chrono>
#include <climits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace zem {
namespace {

// Our own numbers for refusals that QSerialPort never reports.
enum : int
{
    PortIsOpen = 1001,
    PortOutOfRange = 1002,
    NotAByte = 1003,
    NothingAttached = 1004
};

// Errors after which the open port cannot go on; "this device cannot do that" is not one of them.
bool isFatal(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
           error == QSerialPort::ResourceError;
}

// QSerialPort says "permission" both when the account may not open the device and when another
// program holds it; only the first is about the account.
bool accountMayUse(const QString &path)
{
#ifdef Q_OS_UNIX
    return ::access(path.toLocal8Bit().constData(), R_OK | W_OK) == 0 || errno != EACCES;
#else
    Q_UNUSED(path)
    return true;
#endif
}

// How long a close may wait for pending output at 9600 baud: the line time plus a second, ten
// seconds at most.
qint64 drainTimeoutMs(qint64 pendingBytes)
{
    const qint64 lineMs = pendingBytes * 1000 / CommComponent::BytesPerSecond;
    return std::min<qint64>(lineMs + 1000, 10000);
}

} // namespace

SerialPortComm::SerialPortComm(PortMap portMap, QObject *parent)
    : CommComponent(parent)
    , m_portMap(std::move(portMap))
    , m_serial(this)
{
    m_clock.start();
    m_onComm.setSingleShot(true);
    connect(&m_onComm, &QTimer::timeout, this, &SerialPortComm::raiseOnComm);
    connect(&m_serial, &QSerialPort::readyRead, this, &SerialPortComm::onReadyRead);
    connect(&m_serial, &QSerialPort::bytesWritten, this, &CommComponent::outBufferChanged);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &SerialPortComm::onError);

    // Applied by every open; a device that cannot take them fails to open.
    m_serial.setBaudRate(BaudRate);
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setParity(QSerialPort::NoParity);
    m_serial.setStopBits(QSerialPort::OneStop);
    m_serial.setFlowControl(QSerialPort::NoFlowControl);
    m_serial.setReadBufferSize(InputBufferSize);
}

bool SerialPortComm::PortOpen() const
{
    return m_serial.isOpen();
}

CommError SerialPortComm::setPortOpen(bool open)
{
    m_dropped = 0;
    if (open == m_serial.isOpen())
        return {};
    if (open)
        return this->open();
    close();
    return {};
}

CommError SerialPortComm::open()
{
    const ComMap map = m_portMap();
    const SerialDevice &device = map[static_cast<size_t>(m_port - 1)];
    if (device.path.isEmpty())
        return {NothingAttached, describeComPort(m_port, map)};
    m_serial.setPortName(device.path);
    m_serial.clearError();
    if (!m_serial.open(QIODevice::ReadWrite)) {
        CommError error = openFailure(device);
        m_serial.clearError();
        return error;
    }
    Q_EMIT stateChanged();
    return {};
}

CommError SerialPortComm::openFailure(const SerialDevice &device) const
{
    const int number = static_cast<int>(m_serial.error());
    switch (m_serial.error()) {
    case QSerialPort::DeviceNotFoundError:
        return {number, tr("Nothing is attached at %1: it may have been unplugged.").arg(device.path)};
    case QSerialPort::PermissionError:
        if (!accountMayUse(device.path))
            return {number, tr("This account may not use serial ports. Ask an administrator to add it to "
                               "the dialout group; the change takes effect at the next login.")};
        return {number,
                tr("Another program is using %1. Close that program, then connect again.").arg(device.path)};
    case QSerialPort::UnsupportedOperationError:
        return {number, tr("%1 is not a serial port.").arg(device.path)};
    default:
        return {number, m_serial.errorString()};
    }
}

void SerialPortComm::close()
{
    // QSerialPort::close() discards what is still queued, so write out what Output was given first.
    drain();
    collect(); // what the device sent up to now is ours too
    if (!m_serial.isOpen())
        return; // the device went away meanwhile, or a close that came while this one drained did it
    m_dropped = m_serial.bytesToWrite();
    shut();
}

void SerialPortComm::drain()
{
    if (!m_serial.isOpen() || m_serial.bytesToWrite() == 0)
        return;
    if (!m_draining)
        m_drainDeadline = QDeadlineTimer(drainTimeoutMs(m_serial.bytesToWrite()));
    const QScopedValueRollback draining(m_draining, true);
    // The window goes on painting and taking in received bytes; the operator's input waits its turn.
    QEventLoop loop;
    const auto check = [this, &loop] {
        if (!m_serial.isOpen() || m_serial.bytesToWrite() == 0)
            loop.quit();
    };
    connect(&m_serial, &QSerialPort::bytesWritten, &loop, check);
    connect(this, &CommComponent::stateChanged, &loop, check);
    QTimer::singleShot(std::chrono::milliseconds(m_drainDeadline.remainingTime()), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void SerialPortComm::shut()
{
    m_received += m_serial.readAll();
    m_serial.close();
    m_serial.clearError();
    Q_EMIT stateChanged();
    Q_EMIT outBufferChanged();
    if (!m_received.isEmpty())
        m_onComm.start(0);
}

CommError SerialPortComm::setCommPort(int port)
{
    if (m_serial.isOpen())
        return {PortIsOpen, tr("The port number cannot change while the port is open.")};
    if (port < FirstPort || port > LastPort)
        return {PortOutOfRange, tr("There is no port %1.").arg(port)};
    if (port != m_port) {
        m_port = port;
        Q_EMIT stateChanged();
    }
    return {};
}

CommError SerialPortComm::setOutput(const QString &text)
{
    const auto wide = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0xFF; });
    if (wide != text.cend())
        return {NotAByte, tr("The character U+%1 is not a byte.")
                              .arg(QString::number(wide->unicode(), 16).toUpper().rightJustified(4, u'0'))};
    if (text.isEmpty() || !m_serial.isOpen())
        return {};
    m_serial.write(text.toLatin1());
    Q_EMIT outBufferChanged();
    return {};
}

qint64 SerialPortComm::OutBufferCount() const
{
    return m_serial.isOpen() ? m_serial.bytesToWrite() : 0;
}

QString SerialPortComm::Input()
{
    QByteArray bytes = std::exchange(m_received, {});
    if (m_serial.isOpen())
        bytes += m_serial.readAll();
    return QString::fromLatin1(bytes);
}

void SerialPortComm::onReadyRead()
{
    const qint64 delay = m_pacer.arrived(m_clock.elapsed());
    if (m_onComm.isActive() || m_collecting)
        return;
    m_onComm.start(static_cast<int>(delay));
    // While a device trickles, the driver holds what comes until then (a UART's buffer lasts seconds
    // at 9600 baud, the wait under half of one): the thread wakes once a batch, not once a byte.
    if (delay > 0 && m_serial.bytesAvailable() < TrickleBytes)
        m_serial.setReadBufferSize(std::max<qint64>(m_serial.bytesAvailable(), 1));
}

void SerialPortComm::collect()
{
    const QScopedValueRollback collecting(m_collecting, true);
    m_serial.setReadBufferSize(InputBufferSize);
    if (m_serial.isOpen())
        m_serial.waitForReadyRead(0);
}

void SerialPortComm::raiseOnComm()
{
    collect();
    const qint64 start = m_clock.elapsed();
    Q_EMIT OnComm();
    m_pacer.handled(start, m_clock.elapsed());
}

void SerialPortComm::onError(QSerialPort::SerialPortError error)
{
    // A vanished device makes QSerialPort repeat its error for ever while the port stays open,
    // so the first fatal error closes it; whatever was queued for it is lost with the device.
    if (!isFatal(error) || !m_serial.isOpen())
        return;
    CommError failure{static_cast<int>(error), tr("The device went away: it was unplugged or switched off.")};
    if (const qint64 unsent = m_serial.bytesToWrite(); unsent > 0)
        failure.description += u' ' + tr("%n byte(s) could not be sent.", nullptr,
                                         static_cast<int>(std::min<qint64>(unsent, INT_MAX)));
    shut();
    Q_EMIT lineFailed(failure);
}

} // namespace zem
