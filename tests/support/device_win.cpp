// The fixture's device on Windows, where the Windows stage (scripts/test-windows) runs the stories under
// Wine: the far COM port of a null-modem cable, COM2 for the program's COM1 and COM4 for its COM3, each
// cable a pair of pseudo-terminals joined by socat. ZEM_PLUGS names a folder with a file for each cable
// ("cable1", "cable2"): writing 0 to it pulls the cable out, 1 puts it back. The far port is the
// program's own serial line, which reads ahead of the device's pace into its buffer: a device that stops
// reading stops the line once that buffer is full (SerialLine::ReadBufferSize).
#include "zemtest.h"

#include "serialline.h"

#include <windows.h>

namespace {

int cablesTaken = 0; // devices take the cables in turn, and let them go the last first

} // namespace

Device::Device()
{
    m_cable = cablesTaken++;
    path = u"COM%1"_s.arg(2 * m_cable + 1);
    m_far = u"COM%1"_s.arg(2 * m_cable + 2).toLatin1();
    m_plug = (qEnvironmentVariable("ZEM_PLUGS") + u"/cable%1"_s.arg(m_cable + 1)).toLocal8Bit();
    m_port = zem::SerialLine::create(this);
    if (!plugBack())
        qFatal("cannot open %s: is this the Windows stage, with its cables?", m_far.constData());
    connect(m_pace, &QTimer::timeout, this, [this] {
        if (m_rate != 0 && !m_unplugged)
            received += m_port->read(m_rate < 0 ? 1 << 16 : std::max(1, m_rate / 100));
    });
    m_pace->start(10);
}

Device::~Device()
{
    if (m_unplugged) // the cable goes back in for the next story
        plug("1");
    --cablesTaken;
}

int Device::setReadRate(int bytesPerSecond)
{
    return m_rate = bytesPerSecond;
}

qsizetype Device::send(QByteArrayView bytes) const
{
    // Queued, all of it: the line writes it out as the cable takes it.
    return talks() ? (m_port->write(bytes.toByteArray()), bytes.size()) : 0;
}

void Device::hangUp()
{
    QVERIFY(plug("0"));
    m_unplugged = true;
}

bool Device::plugBack()
{
    // Plugged in, the cable's file says 1 and both its ends open as serial ports, the program's too (the
    // stage makes them anew; Wine lets a port open twice).
    if (!plug("1"))
        return false;
    m_port->close();
    const std::unique_ptr<zem::SerialLine> nearEnd(zem::SerialLine::create(nullptr));
    const auto plugged = [&] {
        return (nearEnd->isOpen() || !nearEnd->open(path)) && !m_port->open(QString::fromLatin1(m_far));
    };
    for (int i = 0; i < 100 && !plugged(); ++i)
        QThread::msleep(50);
    // Either end receives what the story before left on its way to it: gone once quiet.
    for (int quiet = 0; quiet < 10; QTest::qWait(10))
        quiet = QByteArray(nearEnd->read(1 << 16) + m_port->read(1 << 16)).isEmpty() ? quiet + 1 : 0;
    m_unplugged = !m_port->isOpen();
    return !m_unplugged;
}

QString Device::settings() const
{
    // As the program left them, read on a handle that changes nothing: the settings are the terminal's.
    const QString device = u"\\\\.\\"_s + path;
    HANDLE nearEnd = ::CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()),
                                   GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    const bool read = nearEnd != INVALID_HANDLE_VALUE && ::GetCommState(nearEnd, &dcb);
    if (nearEnd != INVALID_HANDLE_VALUE)
        ::CloseHandle(nearEnd);
    const bool raw = read && dcb.BaudRate == CBR_9600 && dcb.ByteSize == 8 && dcb.Parity == NOPARITY &&
                     dcb.StopBits == ONESTOPBIT && !dcb.fOutX && !dcb.fInX && !dcb.fParity &&
                     !dcb.fOutxCtsFlow;
    return raw ? u"9600 8N1"_s : u"not 9600 8N1 without flow control or parity checks"_s;
}
