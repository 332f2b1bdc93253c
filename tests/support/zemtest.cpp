#include "zemtest.h"

#include "application.h"

#include <fcntl.h>
#include <pty.h>
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
    : m_pace(new QTimer(this))
{
    connect(m_pace, &QTimer::timeout, this, [this] {
        QByteArray buffer(m_rate < 0 ? 1 << 16 : std::max(1, m_rate / 100), Qt::Uninitialized);
        if (const ssize_t n = ::read(m_master, buffer.data(), size_t(buffer.size())); n > 0)
            received.append(buffer.constData(), n);
    });
    m_pace->start(10);
    // In the real-line stage the cables go in the order ZEM_CABLES names them ("uart usb").
    if (const QByteArray cable = qgetenv("ZEM_CABLES").split(' ').value(cablesTaken).toUpper();
        !cable.isEmpty()) {
        const auto env = [&](const char *end) {
            return qgetenv(QByteArray("ZEM_" + cable + end).constData());
        };
        m_cable = cablesTaken++;
        path = QString::fromLocal8Bit(env("_A")), m_far = env("_B"), m_plug = env("_A_AUTH");
        setReadRate(-1);
        return;
    }
    char name[256] = {};
    termios raw = rawLine;
    if (::openpty(&m_master, &slave, name, &raw, nullptr) != 0)
        qFatal("openpty failed");
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
}

Device::~Device()
{
    if (m_cable < 0)
        hangUp();
    else
        ::close(m_master), --cablesTaken;
}

void Device::setReadRate(int bytesPerSecond)
{
    // A tty that is open takes in all it is sent: a device on a cable that reads nothing is switched off.
    if ((m_rate = bytesPerSecond) == 0 && m_cable >= 0)
        ::close(std::exchange(m_master, -1));
    else if (m_cable >= 0 && m_master < 0 &&
             ((m_master = ::open(m_far.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY)) < 0 ||
              ::tcsetattr(m_master, TCSANOW, &rawLine) != 0))
        qFatal("cannot open %s", m_far.constData());
}

qsizetype Device::send(QByteArrayView bytes) const
{
    return talks() ? std::max<qsizetype>(0, ::write(m_master, bytes.data(), size_t(bytes.size()))) : 0;
}

void Device::hangUp()
{
    if (!m_plug.isEmpty()) { // an adapter's cable: its near end is unplugged
        QFile plug(QString::fromLocal8Bit(m_plug));
        QVERIFY(plug.open(QIODevice::WriteOnly) && plug.write("0") == 1);
        m_unplugged = true;
    } else if (m_cable >= 0) { // a UART cannot be unplugged
        setReadRate(0);
    } else {
        m_pace->stop();
        ::close(std::exchange(m_master, -1)); // nothing, when already unplugged
        ::close(std::exchange(slave, -1));
    }
}

bool Device::plugBack()
{
    QFile plug(QString::fromLocal8Bit(m_plug));
    if (m_unplugged && plug.open(QIODevice::WriteOnly) && plug.write("1") == 1)
        for (int i = 0; i < 100 && !QFile::exists(path); ++i)
            QThread::msleep(50);
    m_unplugged = false;
    return !m_plug.isEmpty() && QFile::exists(path);
}

termios Device::line() const
{
    termios line{};
    const int fd =
        slave >= 0 ? slave : ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    ::tcgetattr(fd, &line);
    if (fd != slave)
        ::close(fd);
    return line;
}

Zem::Zem()
{
    zem::initApplication();
    window = std::make_unique<zem::frmMain>(new zem::SerialPortComm([this] { return ports; }));
    zem::closeOnSignals(window.get());
    window->show();
    QApplication::setActiveWindow(window.get());
    QObject::connect(&answer, &QTimer::timeout, [this] {
        if (auto *box = window ? standing<QMessageBox>() : nullptr) {
            const bool designed = box->windowTitle() == "ZEM"_L1 && box->icon() == QMessageBox::NoIcon &&
                                  box->textFormat() == Qt::PlainText &&
                                  box->standardButtons() == QMessageBox::Ok;
            messages.append(designed ? box->text() : "BAD: "_L1 + box->text());
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(5);
}

Device *Zem::connect(int port)
{
    auto &device = devices[size_t(port - 1)] = std::make_unique<Device>();
    ports[size_t(port - 1)].path = device->path;
    trigger(u"mnuCom%1"_s.arg(port));
    trigger("mnuConnect");
    return device.get();
}

bool Zem::showsTruth() const
{
    // While a close waits, whatever would ask the line for more is greyed.
    const bool open = comm().PortOpen(), closing = comm().isClosing();
    QList<bool> lit{find<QAction>("mnuConnect")->isEnabled(), find<QWidget>("btnSend0")->isEnabled(),
                    find<QWidget>("btnSend1")->isEnabled()};
    QString marks;
    for (int n = 1; n <= 4; ++n) {
        const auto *item = find<QAction>(u"mnuCom%1"_s.arg(n));
        marks += item->isChecked() ? u'x' : u'-';
        lit.append(item->isEnabled());
    }
    const QString state = closing ? u"Disconnecting"_s : open ? u"Connected"_s : u"Disconnected"_s;
    return lit == QList<bool>(7, !closing) && marks == u"----"_s.replace(comm().CommPort() - 1, 1, u'x') &&
           find<QAction>("mnuConnect")->text() == (open ? "Dis&connect"_L1 : "&Connect"_L1) &&
           find<QLabel>("StatusBar1Panel1")->text() == state &&
           find<QLabel>("StatusBar1Panel2")->text() == u"COM%1:9600 8N1"_s.arg(comm().CommPort());
}

void Zem::clog(qsizetype more) const
{
    // Until the program's own queue stops falling: the device, and everything on the way to it, is full.
    const auto *port = window->findChild<QSerialPort *>();
    for (qint64 queued = 0, i = 0; i < 256 && (queued == 0 || port->bytesToWrite() < queued);
         ++i, QTest::qWait(100))
        comm().setOutput(QString(4096, u'x')), queued = port->bytesToWrite();
    comm().setOutput(QString(more, u'x'));
}
