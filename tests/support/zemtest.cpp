#include "zemtest.h"

#include "application.h"
#include "portconnection.h"
#include "serialportcomm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

PtyDevice::PtyDevice()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        qFatal("openpty: %s", strerror(errno));
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QString::fromLocal8Bit(name);
    m_readable = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    m_writable = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_readable, &QSocketNotifier::activated, this, [this] { readSome(1 << 20); });
    connect(m_writable, &QSocketNotifier::activated, this, &PtyDevice::flush);
    m_pace.setInterval(10);
    connect(&m_pace, &QTimer::timeout, this, [this] { readSome(std::max(1, m_rate / 100)); });
}

PtyDevice::~PtyDevice()
{
    hangUp();
}

void PtyDevice::send(const QByteArray &bytes)
{
    m_outgoing += bytes;
    flush();
}

void PtyDevice::flush()
{
    const ssize_t n = m_master < 0 ? 0 : ::write(m_master, m_outgoing.constData(), size_t(m_outgoing.size()));
    if (n > 0)
        m_outgoing.remove(0, n);
    m_writable->setEnabled(m_master >= 0 && !m_outgoing.isEmpty());
}

void PtyDevice::setReadRate(int bytesPerSecond)
{
    m_rate = bytesPerSecond;
    m_readable->setEnabled(m_master >= 0 && m_rate < 0);
    m_rate > 0 ? m_pace.start() : m_pace.stop();
}

void PtyDevice::readSome(qsizetype most)
{
    QByteArray buffer(most, Qt::Uninitialized);
    const ssize_t n = m_master < 0 ? 0 : ::read(m_master, buffer.data(), size_t(most));
    if (n > 0)
        received.append(buffer.constData(), n);
}

termios PtyDevice::line() const
{
    termios line{};
    ::tcgetattr(m_slave, &line);
    return line;
}

void PtyDevice::hangUp()
{
    if (m_master < 0)
        return;
    m_readable->setEnabled(false);
    m_writable->setEnabled(false);
    m_pace.stop();
    ::close(m_master);
    ::close(m_slave);
    m_master = m_slave = -1;
}

Zem::Zem()
{
    zem::initApplication();
    window = std::make_unique<zem::frmMain>(new zem::SerialPortComm([this] {
        zem::ComMap map;
        for (size_t i = 0; i < map.size(); ++i)
            map[i].path = paths[i];
        return map;
    }));
    window->show();
    QApplication::setActiveWindow(window.get());
    QObject::connect(&m_answer, &QTimer::timeout, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        boxes.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
        box->button(QMessageBox::Ok)->click();
    });
    m_answer.start(5);
}

Zem::~Zem()
{
    window.reset(); // before the devices it has open
}

PtyDevice *Zem::plug(int port)
{
    auto &device = devices[size_t(port - 1)];
    device = std::make_unique<PtyDevice>();
    paths[size_t(port - 1)] = device->path();
    return device.get();
}

QStringList Zem::messages() const
{
    QStringList texts;
    for (const Box &box : boxes)
        texts.append(box.text);
    return texts;
}

QString Zem::status(int panel) const
{
    return find<QLabel>(QStringLiteral("StatusBar1Panel%1").arg(panel))->text();
}

bool Zem::showsTruth() const
{
    const bool open = comm().PortOpen();
    const int port = comm().CommPort();
    for (int n = 1; n <= 4; ++n) {
        if (action(QStringLiteral("mnuCom%1").arg(n))->isChecked() != (n == port))
            return false;
    }
    return action(QStringLiteral("mnuConnect"))->text() ==
               (open ? QStringLiteral("Dis&connect") : QStringLiteral("&Connect")) &&
           status(1) == (open ? QStringLiteral("Connected") : QStringLiteral("Disconnected")) &&
           status(2) == QStringLiteral("COM%1:9600 8N1").arg(port);
}

void Zem::settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

qint64 threadCpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}
