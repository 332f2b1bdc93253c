// The fixture's device on Windows, where the Windows stage (scripts/test-windows) runs the stories under
// Wine: the far COM port of a null-modem cable, COM2 for the program's COM1 and COM4 for its COM3, each
// cable a pair of pseudo-terminals joined by socat. ZEM_PLUGS names a folder with a file for each cable
// ("cable1", "cable2"): writing 0 to it pulls the cable out, 1 puts it back.
#include "zemtest.h"

#include <windows.h>

namespace {

int cablesTaken = 0; // devices take the cables in turn, and let them go the last first

// 9600 baud 8N1, bytes untouched, no flow control; a read returns at once with what has come, a write
// gives up on what the line has not taken within a second. Or as it is.
HANDLE openPort(const QString &name, bool asItIs = false)
{
    const QString device = u"\\\\.\\"_s + name;
    HANDLE port = ::CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()),
                                GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE || asItIs)
        return port == INVALID_HANDLE_VALUE ? nullptr : port;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(port, &dcb);
    dcb.BaudRate = CBR_9600, dcb.ByteSize = 8, dcb.Parity = NOPARITY, dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE, dcb.fOutxCtsFlow = FALSE, dcb.fOutX = FALSE, dcb.fInX = FALSE;
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 1000};
    ::SetCommState(port, &dcb), ::SetCommTimeouts(port, &timeouts);
    return port;
}

// What has come, at most `max` bytes.
QByteArray take(HANDLE port, qsizetype max)
{
    QByteArray bytes(max, Qt::Uninitialized);
    DWORD got = 0;
    bytes.resize(::ReadFile(port, bytes.data(), DWORD(max), &got, nullptr) ? qsizetype(got) : 0);
    return bytes;
}

// A port that opens receives what was left on its way to it by the story before: gone once quiet.
void drain(HANDLE port)
{
    for (int quiet = 0; quiet < 10; QThread::msleep(10))
        quiet = take(port, 1 << 16).isEmpty() ? quiet + 1 : 0;
}

} // namespace

Device::Device()
{
    m_cable = cablesTaken++;
    path = u"COM%1"_s.arg(2 * m_cable + 1);
    m_far = u"COM%1"_s.arg(2 * m_cable + 2).toLatin1();
    m_plug = (qEnvironmentVariable("ZEM_PLUGS") + u"/cable%1"_s.arg(m_cable + 1)).toLocal8Bit();
    if (!plugBack() && !m_port)
        qFatal("cannot open %s: is this the Windows stage, with its cables?", m_far.constData());
    if (HANDLE nearEnd = openPort(path)) // Wine lets a port open twice
        drain(nearEnd), ::CloseHandle(nearEnd);
    drain(m_port);
    connect(m_pace, &QTimer::timeout, this, [this] {
        if (m_rate != 0 && !m_unplugged)
            received += take(m_port, m_rate < 0 ? 1 << 16 : std::max(1, m_rate / 100));
    });
    m_pace->start(10);
}

Device::~Device()
{
    if (m_port)
        ::CloseHandle(m_port);
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
    DWORD done = 0;
    return talks() && ::WriteFile(m_port, bytes.data(), DWORD(bytes.size()), &done, nullptr) ? done : 0;
}

void Device::hangUp()
{
    QVERIFY(plug("0"));
    m_unplugged = true;
}

bool Device::plugBack()
{
    // Plugged in, the cable's file says 1 and its far port opens (the stage makes it anew).
    if (!plug("1"))
        return false;
    if (m_port)
        ::CloseHandle(std::exchange(m_port, nullptr));
    // Both ends as serial ports, the program's too.
    const auto plugged = [this] {
        DCB dcb{};
        HANDLE nearEnd = openPort(path);
        const bool serial = nearEnd && ::GetCommState(nearEnd, &dcb);
        if (nearEnd)
            ::CloseHandle(nearEnd);
        return serial && (m_port = openPort(QString::fromLatin1(m_far)));
    };
    for (int i = 0; i < 100 && !plugged(); ++i)
        QThread::msleep(50);
    m_unplugged = !m_port;
    return m_port;
}

QString Device::settings() const
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    HANDLE nearEnd =
        openPort(path, true); // as the program left it: the settings are the terminal's, not the handle's
    if (!nearEnd || !::GetCommState(nearEnd, &dcb))
        return u"unknown"_s;
    ::CloseHandle(nearEnd);
    return u"%1 %2%3%4%5"_s.arg(dcb.BaudRate)
        .arg(dcb.ByteSize)
        .arg(QString(QLatin1Char("NOEMS"[dcb.Parity % 5])), dcb.StopBits == ONESTOPBIT ? u"1"_s : u"2"_s,
             dcb.fOutX || dcb.fInX || dcb.fParity || dcb.fOutxCtsFlow ? u" flow control or parity checks"_s
                                                                      : QString());
}
