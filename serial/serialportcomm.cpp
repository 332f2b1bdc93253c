#include "serialportcomm.h"

#include "sendcheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>

#include <algorithm>
#include <climits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace zem {
namespace {

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

// QSerialPort locks a port with a file named after it, as other serial programs do. A program that
// died leaves its file behind, and an account that may not remove it cannot take the port over.
// Returns that file when the process it names is gone.
QString staleLockFile(const QString &path)
{
#ifdef Q_OS_UNIX
    QString name = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : QFileInfo(path).fileName();
    name.replace(u'/', u'_');
    for (const char *dir : {"/var/lock", "/run/lock"}) {
        QFile lock(QLatin1String(dir) + QLatin1String("/LCK..") + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        const qint64 pid = lock.readLine().trimmed().toLongLong();
        if (pid > 0 && pid <= INT_MAX && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            return lock.fileName();
    }
#else
    Q_UNUSED(path)
#endif
    return {};
}

// Output the driver took but has not sent yet, or -1 where the system does not tell.
qint64 driverHolds(qintptr handle)
{
#if defined(Q_OS_UNIX) && defined(TIOCOUTQ)
    int queued = 0;
    if (handle >= 0 && ::ioctl(static_cast<int>(handle), TIOCOUTQ, &queued) == 0)
        return queued;
#else
    Q_UNUSED(handle)
#endif
    return -1;
}

} // namespace

qint64 SerialPortComm::drainBoundMs(qint64 pendingBytes)
{
    const qint64 lineMs = pendingBytes * 1000 / BytesPerSecond;
    return std::min<qint64>(lineMs + 1000, 10000);
}

SerialPortComm::SerialPortComm(PortMap portMap, QObject *parent)
    : CommComponent(parent)
    , m_portMap(std::move(portMap))
    , m_serial(this)
{
    m_clock.start();
    m_onComm.setSingleShot(true);
    connect(&m_onComm, &QTimer::timeout, this, &SerialPortComm::raiseOnComm);
    m_closeCheck.setInterval(50);
    connect(&m_closeCheck, &QTimer::timeout, this, &SerialPortComm::checkClose);
    connect(&m_serial, &QSerialPort::readyRead, this, &SerialPortComm::onReadyRead);
    connect(&m_serial, &QSerialPort::bytesWritten, this, [this] {
        Q_EMIT outBufferChanged();
        checkClose();
    });
    connect(&m_serial, &QSerialPort::errorOccurred, this, &SerialPortComm::onError);

    // Applied by every open; a device that cannot take them fails to open.
    m_serial.setBaudRate(BaudRate);
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setParity(QSerialPort::NoParity);
    m_serial.setStopBits(QSerialPort::OneStop);
    m_serial.setFlowControl(QSerialPort::NoFlowControl);
    m_serial.setReadBufferSize(InputBufferSize);
}

SerialPortComm::~SerialPortComm()
{
    // Gone with the port open (the program ends by other means than its window): closing the device
    // must not wait in the kernel for what its driver still holds.
    if (m_serial.isOpen() && driverHolds(m_serial.handle()) > 0)
        m_serial.clear(QSerialPort::Output);
}

bool SerialPortComm::PortOpen() const
{
    return m_serial.isOpen();
}

CommError SerialPortComm::setPortOpen(bool open)
{
    if (open == m_serial.isOpen() || isClosing())
        return {};
    if (open) {
        CommError failure = this->open();
        if (failure)
            Q_EMIT lineEvent(tr("Not connected: %1").arg(failure.description));
        return failure;
    }
    // QSerialPort::close() discards what is still queued, and closing a device whose driver still
    // holds output waits in the kernel until it has gone out; so the port stays open until then.
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
    m_serial.setPortName(device.path);
    m_serial.clearError();
    if (!m_serial.open(QIODevice::ReadWrite)) {
        CommError error = openFailure(device);
        m_serial.clearError();
        return error;
    }
    Q_EMIT lineEvent(tr("Connected to %1.").arg(device.path));
    Q_EMIT stateChanged();
    return {};
}

CommError SerialPortComm::openFailure(const SerialDevice &device) const
{
    switch (m_serial.error()) {
    case QSerialPort::DeviceNotFoundError:
        return {tr("Nothing is attached at %1: it may have been unplugged.").arg(device.path)};
    case QSerialPort::PermissionError:
        if (!accountMayUse(device.path))
            return {tr("This account may not use serial ports. Ask an administrator to add it to the "
                       "dialout group; the change takes effect at the next login.")};
        if (const QString lock = staleLockFile(device.path); !lock.isEmpty())
            return {tr("%1 is locked by the file %2, but the program that made it is no longer running. "
                       "Remove that file, then connect again.")
                        .arg(device.path, lock)};
        return {tr("Another program is using %1. Close that program, then connect again.").arg(device.path)};
    default:
        if (m_serial.error() == QSerialPort::UnsupportedOperationError || QFileInfo(device.path).isDir())
            return {tr("%1 is not a serial port.").arg(device.path)};
        return {m_serial.errorString()};
    }
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
    if (driverHolds(m_serial.handle()) > 0)
        m_serial.clear(QSerialPort::Output);
    shut(left);
}

void SerialPortComm::shut(qint64 discarded, const CommError &failure)
{
    const bool closing = isClosing();
    m_closeCheck.stop();
    if (!failure) {
        collect(); // what the device sent up to now is ours too
        if (!m_serial.isOpen())
            return; // it went away meanwhile, and that has been told
    }
    m_received += m_serial.readAll();
    m_serial.close();
    m_serial.clearError();
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
    if (m_serial.isOpen())
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
    if (!m_serial.isOpen() || isClosing()) {
        Q_EMIT lineEvent(
            tr("A Send of %Ln byte(s) wrote nothing: no port was open.", nullptr, pluralCount(text.size())));
        return {};
    }
    const QByteArray bytes = text.toLatin1();
    m_serial.write(bytes);
    Q_EMIT bytesSent(bytes);
    Q_EMIT outBufferChanged();
    return {};
}

qint64 SerialPortComm::OutBufferCount() const
{
    return m_serial.isOpen() ? m_serial.bytesToWrite() + std::max<qint64>(0, driverHolds(m_serial.handle()))
                             : 0;
}

QString SerialPortComm::Input()
{
    if (m_serial.isOpen())
        collect();
    QByteArray bytes = std::exchange(m_received, {});
    if (m_serial.isOpen())
        bytes += m_serial.readAll();
    if (!bytes.isEmpty())
        Q_EMIT bytesReceived(bytes);
    return QString::fromLatin1(bytes);
}

void SerialPortComm::onReadyRead()
{
    const qint64 delay = m_pacer.arrived(m_clock.elapsed());
    if (m_onComm.isActive() || m_collecting)
        return;
    m_onComm.start(static_cast<int>(delay));
}

void SerialPortComm::collect()
{
    const QScopedValueRollback collecting(m_collecting, true);
    if (m_serial.isOpen())
        m_serial.waitForReadyRead(0);
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

void SerialPortComm::onError(QSerialPort::SerialPortError error)
{
    // A vanished device makes QSerialPort repeat its error for ever while the port stays open,
    // so the first fatal error closes it; whatever was queued for it is lost with the device.
    if (!isFatal(error) || !m_serial.isOpen())
        return;
    QString failure = tr("The device went away: it was unplugged or switched off.");
    const qint64 queued = m_serial.bytesToWrite();
    if (const qint64 held = driverHolds(m_serial.handle()); held >= 0) {
        if (queued + held > 0)
            failure += u' ' + tr("%Ln byte(s) could not be sent.", nullptr, pluralCount(queued + held));
    } else if (queued > 0) {
        failure += u' ' + tr("At least %Ln byte(s) could not be sent.", nullptr, pluralCount(queued));
    }
    shut(0, {failure});
}

} // namespace zem
