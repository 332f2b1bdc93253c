#include "serialportcomm.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace zem {
namespace {

// Our own numbers for refusals that QSerialPort never reports.
enum : int
{
    PortIsOpen = 1001,
    PortOutOfRange = 1002,
    NotAByte = 1003
};

// Errors after which the open port cannot go on; "this device cannot do that" is not one of them.
bool isFatal(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
           error == QSerialPort::ResourceError;
}

} // namespace

QString systemDeviceName(int port)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

SerialPortComm::SerialPortComm(DeviceNames deviceNames, QObject *parent)
    : CommComponent(parent)
    , m_deviceNames(std::move(deviceNames))
    , m_serial(this)
{
    // OnComm takes its turn with timers and input instead of following every read at once:
    // while bytes pour in, the window goes on answering, and whatever came meanwhile is one batch.
    m_onComm.setSingleShot(true);
    m_onComm.setInterval(0);
    connect(&m_onComm, &QTimer::timeout, this, &CommComponent::OnComm);
    connect(&m_serial, &QSerialPort::readyRead, &m_onComm, qOverload<>(&QTimer::start));
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
    m_serial.setPortName(m_deviceNames(m_port));
    m_serial.clearError();
    if (!m_serial.open(QIODevice::ReadWrite)) {
        CommError error{static_cast<int>(m_serial.error()), m_serial.errorString()};
        m_serial.clearError();
        return error;
    }
    Q_EMIT stateChanged();
    return {};
}

qint64 SerialPortComm::drainTimeoutMs(qint64 pendingBytes)
{
    // Ten bits a byte on an 8N1 line.
    const qint64 lineMs = pendingBytes * 10 * 1000 / BaudRate;
    return std::min<qint64>(lineMs + 1000, 10000);
}

void SerialPortComm::close()
{
    // QSerialPort::close() discards what is still queued, so write out what Output was given first.
    QDeadlineTimer deadline(drainTimeoutMs(m_serial.bytesToWrite()));
    while (m_serial.isOpen() && m_serial.bytesToWrite() > 0 && !deadline.hasExpired())
        m_serial.waitForBytesWritten(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
    if (!m_serial.isOpen())
        return; // the line failed while draining and has been closed already
    m_dropped = m_serial.bytesToWrite();
    m_serial.close();
    Q_EMIT stateChanged();
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
    return {};
}

QString SerialPortComm::Input()
{
    if (!m_serial.isOpen())
        return {};
    return QString::fromLatin1(m_serial.readAll());
}

void SerialPortComm::onError(QSerialPort::SerialPortError error)
{
    // A vanished device makes QSerialPort repeat its error for ever while the port stays open,
    // so the first fatal error closes it; whatever was queued for it is lost with the device.
    if (!isFatal(error) || !m_serial.isOpen())
        return;
    const CommError failure{static_cast<int>(error), m_serial.errorString()};
    m_serial.close();
    m_serial.clearError();
    Q_EMIT stateChanged();
    Q_EMIT lineFailed(failure);
}

} // namespace zem
