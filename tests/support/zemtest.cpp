#include "zemtest.h"

#include "application.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

// Every tcsetattr of the process comes here first (QSerialPort's among them), then goes to the C library.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int tcsetattr(int fd, int actions, const termios *line)
{
    using Real = int (*)(int, int, const termios *);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcsetattr"));
    if (line)
        lineSettingsAsked.append(*line);
    return real(fd, actions, line);
}

PtyDevice::PtyDevice()
    : m_pace(new QTimer(this))
{
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&m_master, &slave, name, &raw, nullptr) != 0)
        qFatal("openpty failed");
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
    connect(m_pace, &QTimer::timeout, this, [this] {
        QByteArray buffer(m_rate < 0 ? 1 << 16 : std::max(1, m_rate / 100), Qt::Uninitialized);
        if (const ssize_t n = ::read(m_master, buffer.data(), size_t(buffer.size())); n > 0)
            received.append(buffer.constData(), n);
    });
    m_pace->start(10);
}

qsizetype PtyDevice::send(QByteArrayView bytes) const
{
    return m_master < 0 ? 0 : std::max<qsizetype>(0, ::write(m_master, bytes.data(), size_t(bytes.size())));
}

void PtyDevice::hangUp()
{
    m_pace->stop();
    ::close(std::exchange(m_master, -1)); // nothing, when already unplugged
    ::close(std::exchange(slave, -1));
}

Zem::Zem()
{
    zem::initApplication();
    window = std::make_unique<zem::frmMain>(new zem::SerialPortComm([this] { return ports; }));
    zem::closeOnSignals(window.get());
    window->show();
    QApplication::setActiveWindow(window.get());
    QObject::connect(&answer, &QTimer::timeout, [this] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            const bool designed = box->windowTitle() == "ZEM"_L1 && box->icon() == QMessageBox::NoIcon &&
                                  box->standardButtons() == QMessageBox::Ok;
            messages.append(designed ? box->text() : "BAD: "_L1 + box->text());
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(5);
}

PtyDevice *Zem::connect(int port)
{
    auto &device = devices[size_t(port - 1)] = std::make_unique<PtyDevice>();
    ports[size_t(port - 1)].path = device->path;
    trigger(u"mnuCom%1"_s.arg(port));
    trigger(u"mnuConnect"_s);
    return device.get();
}

bool Zem::showsTruth() const
{
    // While a close waits, whatever would ask the line for more is greyed.
    const bool open = comm().PortOpen(), closing = comm().isClosing();
    QList<bool> lit{find<QAction>(u"mnuConnect"_s)->isEnabled(), find<QWidget>(u"btnSend0"_s)->isEnabled(),
                    find<QWidget>(u"btnSend1"_s)->isEnabled()};
    QString marks;
    for (int n = 1; n <= 4; ++n) {
        const auto *item = find<QAction>(u"mnuCom%1"_s.arg(n));
        marks += item->isChecked() ? u'x' : u'-';
        lit.append(item->isEnabled());
    }
    const QString state = closing ? u"Disconnecting"_s : open ? u"Connected"_s : u"Disconnected"_s;
    return lit == QList<bool>(7, !closing) && marks == u"----"_s.replace(comm().CommPort() - 1, 1, u'x') &&
           find<QAction>(u"mnuConnect"_s)->text() == (open ? "Dis&connect"_L1 : "&Connect"_L1) &&
           find<QLabel>(u"StatusBar1Panel1"_s)->text() == state &&
           find<QLabel>(u"StatusBar1Panel2"_s)->text() == u"COM%1:9600 8N1"_s.arg(comm().CommPort());
}

void Zem::clog(qsizetype more) const
{
    while (comm().OutBufferCount() == 0)
        comm().setOutput(QString(512, u'x')), settle(5);
    comm().setOutput(QString(more, u'x'));
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
