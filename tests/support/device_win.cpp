// The fixture's device on Windows, where the Windows stage (scripts/test-windows) runs the stories under
// Wine: the far COM port of a null-modem cable, COM2 for the program's COM1 and COM4 for its COM3, each
// cable a pair of pseudo-terminals joined by socat. ZEM_PLUGS names a folder with a file for each cable
// ("cable1", "cable2"): writing 0 to it pulls the cable out, 1 puts it back.
#include "zemtest.h"

#include <windows.h>

namespace {

int cablesTaken = 0; // devices take the cables in turn, and let them go the last first

// 9600 baud 8N1, bytes untouched, no flow control; a read returns what has come. Or as it is.
HANDLE openPort(const QString &name, bool asItIs = false)
{
    const QString device = u"\\\\.\\"_s + name;
    HANDLE port =
        ::CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE || asItIs)
        return port == INVALID_HANDLE_VALUE ? nullptr : port;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(port, &dcb);
    dcb.BaudRate = CBR_9600, dcb.ByteSize = 8, dcb.Parity = NOPARITY, dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE, dcb.fOutxCtsFlow = FALSE, dcb.fOutX = FALSE, dcb.fInX = FALSE;
    COMMTIMEOUTS timeouts{10, 0, 0, 0, 0};
    ::SetCommState(port, &dcb), ::SetCommTimeouts(port, &timeouts);
    return port;
}

// One transfer, waited for; one that the line does not take within a second is cut short.
DWORD transfer(HANDLE port, char *bytes, DWORD size, bool write)
{
    OVERLAPPED overlapped{};
    overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD done = 0;
    if ((write ? ::WriteFile(port, bytes, size, nullptr, &overlapped)
               : ::ReadFile(port, bytes, size, nullptr, &overlapped)) ||
        ::GetLastError() == ERROR_IO_PENDING) {
        if (::WaitForSingleObject(overlapped.hEvent, 1000) != WAIT_OBJECT_0)
            ::CancelIo(port);
        ::GetOverlappedResult(port, &overlapped, &done, TRUE);
    }
    ::CloseHandle(overlapped.hEvent);
    return done;
}

// What has come, at most `max` bytes, without waiting for more.
QByteArray take(HANDLE port, qsizetype max)
{
    COMSTAT status{};
    if (!port || !::ClearCommError(port, nullptr, &status) || status.cbInQue == 0)
        return {};
    QByteArray bytes(std::min<qsizetype>(max, status.cbInQue), Qt::Uninitialized);
    bytes.resize(transfer(port, bytes.data(), DWORD(bytes.size()), false));
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
    : m_pace(new QTimer(this))
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
    // The cable goes back in for the next story.
    QFile plug(QString::fromLocal8Bit(m_plug));
    if (m_unplugged && plug.open(QIODevice::WriteOnly))
        plug.write("1");
    --cablesTaken;
}

void Device::setReadRate(int bytesPerSecond)
{
    m_rate = bytesPerSecond;
}

qsizetype Device::send(QByteArrayView bytes) const
{
    QByteArray copy = bytes.toByteArray();
    return talks() ? qsizetype(transfer(m_port, copy.data(), DWORD(copy.size()), true)) : 0;
}

void Device::hangUp()
{
    QFile plug(QString::fromLocal8Bit(m_plug));
    QVERIFY(plug.open(QIODevice::WriteOnly) && plug.write("0") == 1);
    m_unplugged = true;
}

bool Device::plugBack()
{
    // Plugged in, the cable's file says 1 and its far port opens (the stage makes it anew).
    QFile plug(QString::fromLocal8Bit(m_plug));
    if (!plug.open(QIODevice::ReadWrite) ||
        (plug.readAll() != "1" && !(plug.reset() && plug.write("1") == 1)))
        return false;
    plug.close();
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

// Wine lets a second program open a port as well: none can be held there.
std::unique_ptr<QObject> Zem::hold(const QString &)
{
    return nullptr;
}

bool Zem::holdsLock(const QString &)
{
    return false;
}

const bool Zem::mayLock = false;

const bool Zem::closesOnSignals = false;

void Zem::raise(QStringView) {}

const QString notSerial = u"NUL"_s;
