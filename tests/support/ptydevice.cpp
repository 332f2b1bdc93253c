#include "ptydevice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyDevice::PtyDevice()
{
    int slave = -1;
    char name[256] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
        qFatal("openpty failed: %s", strerror(errno));
    // Raw from the start, so nothing is echoed or translated before the program opens the port.
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QString::fromLocal8Bit(name);
    m_reader = std::thread(&PtyDevice::readLoop, this);
}

PtyDevice::~PtyDevice()
{
    hangUp();
}

void PtyDevice::readLoop()
{
    char buffer[4096];
    while (!m_stop.load()) {
        if (!m_reading.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd pfd{m_master, POLLIN, 0};
        if (::poll(&pfd, 1, 10) <= 0)
            continue;
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            std::lock_guard lock(m_mutex);
            m_received.append(buffer, n);
        } else {
            // No program has the port open (EIO): wait for one.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

void PtyDevice::write(const QByteArray &data)
{
    qsizetype done = 0;
    QDeadlineTimer deadline(30000);
    while (done < data.size() && !deadline.hasExpired()) {
        const ssize_t n = ::write(m_master, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n > 0) {
            done += n;
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::usleep(200);
        }
    }
    QVERIFY2(done == data.size(), "the program stopped reading");
}

QByteArray PtyDevice::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

void PtyDevice::clearReceived()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
}

bool PtyDevice::waitForReceived(qsizetype count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (received().size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return received().size() >= count;
}

void PtyDevice::hangUp()
{
    if (m_master < 0)
        return;
    m_stop = true;
    if (m_reader.joinable())
        m_reader.join();
    ::close(m_master);
    m_master = -1;
}
