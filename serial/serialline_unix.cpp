// The serial line on Linux and other Unix systems, over QSerialPort; and which device each Com opens.
#include "serialline.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

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
    return ::access(path.toLocal8Bit().constData(), R_OK | W_OK) == 0 || errno != EACCES;
}

// QSerialPort locks a port with a file named after it, as other serial programs do. A program that
// died leaves its file behind, and an account that may not remove it cannot take the port over.
// Returns that file when the process it names is gone.
QString staleLockFile(const QString &path)
{
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
    return {};
}

class UnixLine final : public SerialLine
{
public:
    explicit UnixLine(QObject *parent)
        : SerialLine(parent)
        , m_serial(this)
    {
        connect(&m_serial, &QSerialPort::readyRead, this, &SerialLine::readyRead);
        connect(&m_serial, &QSerialPort::bytesWritten, this, &SerialLine::bytesWritten);
        connect(&m_serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
            // A vanished device makes QSerialPort repeat its error for ever while the port stays open.
            if (isFatal(error) && m_serial.isOpen() && !std::exchange(m_gone, true))
                Q_EMIT wentAway();
        });
        // Applied by every open; a device that cannot take them fails to open.
        m_serial.setBaudRate(9600);
        m_serial.setDataBits(QSerialPort::Data8);
        m_serial.setParity(QSerialPort::NoParity);
        m_serial.setStopBits(QSerialPort::OneStop);
        m_serial.setFlowControl(QSerialPort::NoFlowControl);
        m_serial.setReadBufferSize(ReadBufferSize);
    }

    ~UnixLine() override
    {
        // Closing a device whose driver still holds output would wait in the kernel until it went.
        if (m_serial.isOpen() && driverHolds() > 0)
            discardDriverOutput();
        m_serial.close();
    }

    CommError open(const QString &path) override
    {
        m_serial.setPortName(path);
        m_serial.clearError();
        m_gone = false;
        if (m_serial.open(QIODevice::ReadWrite))
            return {};
        CommError failure = openFailure(path);
        m_serial.clearError();
        return failure;
    }

    bool isOpen() const override { return m_serial.isOpen(); }

    QByteArray close() override
    {
        QByteArray taken = m_serial.readAll();
        // What the driver holds, read past QSerialPort: its own ways of waiting for input also write
        // what is queued, and that is being discarded.
        const int fd = static_cast<int>(m_serial.handle());
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            taken.append(buffer, n);
        m_serial.close();
        m_serial.clearError();
        return taken;
    }

    void write(const QByteArray &bytes) override { m_serial.write(bytes); }
    qint64 queued() const override { return m_serial.isOpen() ? m_serial.bytesToWrite() : 0; }

    qint64 driverHolds() const override
    {
        int held = 0;
        return m_serial.isOpen() && ::ioctl(static_cast<int>(m_serial.handle()), TIOCOUTQ, &held) == 0 ? held
                                                                                                       : -1;
    }

    void discardDriverOutput() override { m_serial.clear(QSerialPort::Output); }

    QByteArray read(qint64 max) override
    {
        const qint64 size = std::min(max, m_serial.bytesAvailable());
        return size > 0 ? m_serial.read(size) : QByteArray();
    }

private:
    CommError openFailure(const QString &path) const
    {
        switch (m_serial.error()) {
        case QSerialPort::DeviceNotFoundError:
            return {tr("Nothing is attached at %1: it may have been unplugged.").arg(path)};
        case QSerialPort::PermissionError:
            if (!accountMayUse(path))
                return {tr("This account may not use serial ports. Ask an administrator to add it to the "
                           "dialout group; the change takes effect at the next login.")};
            if (const QString lock = staleLockFile(path); !lock.isEmpty())
                return {tr("%1 is locked by the file %2, but the program that made it is no longer "
                           "running. Remove that file, then connect again.")
                            .arg(path, lock)};
            return {tr("Another program is using %1. Close that program, then connect again.").arg(path)};
        default:
            if (m_serial.error() == QSerialPort::UnsupportedOperationError || QFileInfo(path).isDir())
                return {tr("%1 is not a serial port.").arg(path)};
            return {m_serial.errorString()};
        }
    }

    QSerialPort m_serial;
    bool m_gone = false; // went away, and that has been told
};

} // namespace

SerialLine *SerialLine::create(QObject *parent)
{
    return new UnixLine(parent);
}

ComMap systemComMap()
{
    SystemPorts system;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        system.listed.append(
            {info.systemLocation(), info.description(), info.manufacturer(), {}, ComReason::Free});
    for (int port = 1; port <= 4; ++port) {
        for (const QString &name : {pinLink(port), builtInPort(port)}) {
            const QFileInfo link(name);
            if (link.isSymLink()) {
                const QString target = link.canonicalFilePath();
                system.links.insert(name, target.isEmpty() ? link.symLinkTarget() : target);
            }
        }
    }
    return assignComPorts(system);
}

} // namespace zem
