// The fixture's device on Linux: a pseudo-terminal, or in the real-line stage a cable's far tty.
#include "zemtest.h"

#include <QSerialPort>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// 9600 baud 8N1, bytes untouched, receiving, no modem lines.
const termios rawLine = [] {
    termios line{};
    ::cfmakeraw(&line);
    ::cfsetspeed(&line, B9600);
    line.c_cflag |= CREAD | CLOCAL;
    return line;
}();

int cablesTaken = 0; // devices on cables are made and let go in turn, the last first

} // namespace

Device::Device()
{
    connect(m_pace, &QTimer::timeout, this, [this] {
        QByteArray buffer(m_rate < 0 ? 1 << 16 : m_rate / 100, Qt::Uninitialized);
        if (const ssize_t n = ::read(m_master, buffer.data(), size_t(buffer.size())); n > 0)
            received.append(buffer.constData(), n);
    });
    m_pace->start(10);
    // In the real-line stage the cables go in the order ZEM_CABLES names them ("uart usb").
    const QByteArray cable = qgetenv("ZEM_CABLES").split(' ').value(cablesTaken).toUpper();
    const auto env = [&](const char *end) { return qgetenv(QByteArray("ZEM_" + cable + end).constData()); };
    if (!cable.isEmpty()) {
        m_cable = cablesTaken++;
        path = QString::fromLocal8Bit(env("_A")), m_far = env("_B"), m_plug = env("_A_AUTH");
        setReadRate(-1);
        return;
    }
    char name[256] = {};
    termios raw = rawLine;
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        qFatal("openpty failed");
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
}

Device::~Device()
{
    ::close(m_master); // nothing, once closed
    ::close(m_slave);
    if (m_cable >= 0)
        --cablesTaken;
}

int Device::setReadRate(int bytesPerSecond)
{
    // A tty that is open takes in all it is sent, and drops what its reader is too slow for. The
    // emulated UARTs run far faster than 9600 baud (about 60 KB/s): at most 512 KiB a second.
    if (m_cable >= 0 && bytesPerSecond > 0)
        return setReadRate(-1), 1 << 19;
    if ((m_rate = bytesPerSecond) == 0 && m_cable >= 0)
        ::close(std::exchange(m_master, -1));
    else if (m_cable >= 0 && m_master < 0 &&
             ((m_master = ::open(m_far.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY)) < 0 ||
              ::tcsetattr(m_master, TCSANOW, &rawLine) != 0))
        qFatal("cannot open %s", m_far.constData());
    return bytesPerSecond;
}

qsizetype Device::send(QByteArrayView bytes) const
{
    return talks() ? std::max<qsizetype>(0, ::write(m_master, bytes.data(), size_t(bytes.size()))) : 0;
}

void Device::hangUp()
{
    if (!m_plug.isEmpty()) { // an adapter's cable: its near end is unplugged
        QVERIFY(plug("0"));
        m_unplugged = true;
    } else if (m_cable >= 0) { // a UART cannot be unplugged
        setReadRate(0);
    } else {
        ::close(std::exchange(m_master, -1)); // nothing, when already unplugged
        ::close(std::exchange(m_slave, -1));
    }
}

bool Device::plugBack()
{
    if (m_unplugged && plug("1"))
        for (int i = 0; i < 100 && !QFile::exists(path); ++i)
            QThread::msleep(50);
    m_unplugged = false;
    return !m_plug.isEmpty() && QFile::exists(path);
}

QString Device::settings() const
{
    termios line{};
    const int fd =
        m_slave >= 0 ? m_slave : ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    ::tcgetattr(fd, &line);
    if (fd != m_slave)
        ::close(fd);
    const bool raw = ::cfgetospeed(&line) == B9600 && ::cfgetispeed(&line) == B9600 &&
                     (line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS)) == CS8 &&
                     !(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP | INPCK));
    return raw ? u"9600 8N1"_s
               : u"not 9600 8N1 raw: c_cflag %1, c_iflag %2"_s.arg(line.c_cflag, 0, 8)
                     .arg(line.c_iflag, 0, 8);
}

std::unique_ptr<QObject> Zem::hold(const QString &path)
{
    auto holder = std::make_unique<QSerialPort>(path);
    return holder->open(QIODevice::ReadWrite) ? std::move(holder) : nullptr;
}

void Zem::raise(QStringView signal)
{
    ::raise(signal == u"SIGHUP" ? SIGHUP : SIGTERM);
}
