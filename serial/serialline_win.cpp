// The serial line on Windows, over the Win32 comm API; and which port each Com opens.
#include "serialline.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWinEventNotifier>

#include <windows.h>

#include <setupapi.h>

#include <algorithm>

namespace zem {
namespace {

// One read or write under way: its OVERLAPPED, whose event says when it has ended, and its bytes.
struct Transfer
{
    OVERLAPPED overlapped{};
    QByteArray bytes;
    bool pending = false;

    Transfer() { overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Transfer() { ::CloseHandle(overlapped.hEvent); }
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;
};

QString systemMessage(DWORD code)
{
    wchar_t *text = nullptr;
    const DWORD size = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = size > 0 ? QString::fromWCharArray(text, int(size)).trimmed()
                               : QCoreApplication::translate("zem::WinLine", "error %1").arg(code);
    ::LocalFree(text);
    return message;
}

class WinLine final : public SerialLine
{
public:
    explicit WinLine(QObject *parent)
        : SerialLine(parent)
        , m_readDone(new QWinEventNotifier(m_read.overlapped.hEvent, this))
        , m_writeDone(new QWinEventNotifier(m_write.overlapped.hEvent, this))
    {
        m_readDone->setEnabled(false);
        m_writeDone->setEnabled(false);
        connect(m_readDone, &QWinEventNotifier::activated, this, &WinLine::readEnded);
        connect(m_writeDone, &QWinEventNotifier::activated, this, &WinLine::writeEnded);
    }

    ~WinLine() override
    {
        close();
        // Wine's thread pool can still run a wait's callback after the wait was disarmed, where its event
        // was signalled (as a close's cancel signals it) just as it was; the callback posts to the
        // notifier. So the notifiers go a second after the line, not with it.
        for (QWinEventNotifier *done : {m_readDone, m_writeDone}) {
            done->setParent(nullptr);
            QTimer::singleShot(1000, done, &QObject::deleteLater);
        }
    }

    CommError open(const QString &path) override
    {
        const QString device =
            path.startsWith(QLatin1String("\\\\.\\")) ? path : QLatin1String("\\\\.\\") + path;
        m_handle =
            ::CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                          nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE)
            return openFailure(path, ::GetLastError());
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (::GetFileType(m_handle) != FILE_TYPE_CHAR || !::GetCommState(m_handle, &dcb)) {
            discard();
            return {tr("%1 is not a serial port.").arg(path)};
        }
        // 9600 baud, 8N1, bytes untouched, no flow control either way; DTR and RTS up, as a terminal
        // program leaves them, for devices that take them as "someone is there".
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fTXContinueOnXoff = TRUE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        // A read waits for its first byte as long as it takes, then ends full, or where the line
        // pauses for 10 ms. (Wine waits for data where Windows ends a read with none at once, so these
        // are the only timeouts both keep alike.) Writes never time out.
        COMMTIMEOUTS timeouts{10, 0, 0, 0, 0};
        if (!::SetCommState(m_handle, &dcb) || !::SetCommTimeouts(m_handle, &timeouts)) {
            const DWORD code = ::GetLastError();
            discard();
            return {tr("%1 cannot be set to 9600 baud, 8N1: %2").arg(path, systemMessage(code))};
        }
        m_gone = false;
        if (!startRead()) {
            const DWORD code = ::GetLastError();
            discard();
            return openFailure(path, code);
        }
        return {};
    }

    bool isOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }

    QByteArray close() override
    {
        if (!isOpen())
            return {};
        // A write under way is cancelled with the rest; a read under way keeps what it got.
        ::CancelIo(m_handle);
        finish(m_write);
        QByteArray taken = std::exchange(m_in, {}) + finish(m_read);
        // What the driver still holds for us, which is there now and so returns at once.
        COMSTAT status{};
        if (!m_gone && ::ClearCommError(m_handle, nullptr, &status) && status.cbInQue > 0) {
            m_read.bytes.resize(qsizetype(status.cbInQue));
            if (::ReadFile(m_handle, m_read.bytes.data(), status.cbInQue, nullptr, &m_read.overlapped) ||
                ::GetLastError() == ERROR_IO_PENDING) {
                m_read.pending = true;
                ::CancelIo(m_handle);
                taken += finish(m_read);
            }
        }
        m_out.clear();
        discard();
        return taken;
    }

    void write(const QByteArray &bytes) override
    {
        if (!isOpen())
            return;
        m_out += bytes;
        startWrite();
    }

    // Handed to the driver a piece at a time: a piece under way is the driver's (in cbOutQue), but
    // where it is only partly taken (Wine's port on a terminal) the rest is nobody's to count.
    qint64 queued() const override { return isOpen() ? m_out.size() : 0; }

    qint64 driverHolds() const override
    {
        COMSTAT status{};
        return isOpen() && ::ClearCommError(m_handle, nullptr, &status) ? qint64(status.cbOutQue) : -1;
    }

    void discardDriverOutput() override
    {
        if (isOpen())
            ::PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR);
    }

    QByteArray read(qint64 max) override
    {
        const QByteArray bytes = m_in.left(max);
        m_in.remove(0, bytes.size());
        // The buffer has room again. A failure is told once the component has these bytes, so that
        // they come before it.
        if (isOpen() && !m_read.pending && !m_gone && !startRead())
            QMetaObject::invokeMethod(this, &WinLine::fail, Qt::QueuedConnection);
        return bytes;
    }

private:
    static constexpr qsizetype WritePiece = 16;

    CommError openFailure(const QString &path, DWORD code) const
    {
        switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_BAD_UNIT:
            return {tr("Nothing is attached at %1: it may have been unplugged.").arg(path)};
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return {tr("Another program is using %1. Close that program, then connect again.").arg(path)};
        case ERROR_ACCESS_DENIED: // what Windows says of a port another program has open, mostly
            return {tr("Windows denied access to %1: another program may be using it, or this account may "
                       "not. Close that program, then connect again.")
                        .arg(path)};
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
            return {tr("%1 is not a serial port.").arg(path)};
        default:
            return {tr("%1 cannot be opened: %2").arg(path, systemMessage(code))};
        }
    }

    // Waits out a transfer that has been cancelled or has ended; returns what it got.
    QByteArray finish(Transfer &transfer)
    {
        if (!transfer.pending)
            return {};
        DWORD done = 0;
        ::GetOverlappedResult(m_handle, &transfer.overlapped, &done, TRUE);
        ::ResetEvent(transfer.overlapped.hEvent);
        transfer.pending = false;
        return transfer.bytes.left(qsizetype(done));
    }

    void discard()
    {
        m_readDone->setEnabled(false);
        m_writeDone->setEnabled(false);
        ::CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE));
        m_in.clear();
    }

    bool startRead()
    {
        const qint64 room = ReadBufferSize - m_in.size();
        if (room <= 0)
            return true; // the rest waits in the driver until the component takes some
        // What has come, which returns at once; or one byte, which returns as it comes. So a read under
        // way never holds bytes it has taken off the line: cancelling one, as a close does, loses none
        // (Wine does not give back what a cancelled read had).
        COMSTAT status{};
        const DWORD waiting = ::ClearCommError(m_handle, nullptr, &status) ? status.cbInQue : 0;
        const auto size = DWORD(std::min<qint64>(room, std::max<DWORD>(waiting, 1)));
        m_read.bytes.resize(qsizetype(size));
        // Done at once or later, the event tells.
        if (!::ReadFile(m_handle, m_read.bytes.data(), size, nullptr, &m_read.overlapped) &&
            ::GetLastError() != ERROR_IO_PENDING)
            return false;
        m_read.pending = true;
        m_readDone->setEnabled(true);
        return true;
    }

    void startWrite()
    {
        if (m_write.pending || m_out.isEmpty() || m_gone)
            return;
        m_write.bytes = m_out.left(WritePiece);
        m_out.remove(0, m_write.bytes.size());
        if (!::WriteFile(m_handle, m_write.bytes.constData(), DWORD(m_write.bytes.size()), nullptr,
                         &m_write.overlapped) &&
            ::GetLastError() != ERROR_IO_PENDING)
            return fail();
        m_write.pending = true;
        m_writeDone->setEnabled(true);
    }

    // Returns false while the transfer goes on; otherwise how many bytes it moved, or that it failed.
    bool ended(Transfer &transfer, DWORD &done, bool &failed)
    {
        ::ResetEvent(transfer.overlapped.hEvent);
        failed = !::GetOverlappedResult(m_handle, &transfer.overlapped, &done, FALSE);
        if (failed && ::GetLastError() == ERROR_IO_INCOMPLETE)
            return false;
        transfer.pending = false;
        return true;
    }

    void readEnded()
    {
        DWORD done = 0;
        bool failed = false;
        if (!m_read.pending || !ended(m_read, done, failed))
            return;
        m_readDone->setEnabled(false);
        // With these timeouts a read ends with nothing only where the port has ended its input: the
        // device has gone. (Reading again would spin.)
        if (failed || done == 0)
            return fail();
        m_in.append(m_read.bytes.constData(), qsizetype(done));
        if (!startRead())
            return fail();
        Q_EMIT readyRead();
    }

    void writeEnded()
    {
        DWORD done = 0;
        bool failed = false;
        if (!m_write.pending || !ended(m_write, done, failed))
            return;
        m_writeDone->setEnabled(false);
        if (failed)
            return fail();
        startWrite();
        Q_EMIT bytesWritten();
    }

    // The device went away: told once, the line left open so that what is queued can be counted.
    void fail()
    {
        if (!isOpen())
            return; // closed meanwhile: nothing is left to fail
        m_readDone->setEnabled(false);
        m_writeDone->setEnabled(false);
        if (!std::exchange(m_gone, true))
            Q_EMIT wentAway();
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    Transfer m_read, m_write;
    QWinEventNotifier *m_readDone, *m_writeDone;
    QByteArray m_in;  // received, not yet taken
    QByteArray m_out; // not yet handed to the driver
    bool m_gone = false;
};

// The ports Windows lists (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM), by name: COM3, ...
QStringList listedPorts()
{
    QStringList names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256], data[256];
        DWORD nameSize = 256, dataSize = sizeof data, type = 0;
        const LONG result = ::RegEnumValueW(key, i, name, &nameSize, nullptr, &type,
                                            reinterpret_cast<BYTE *>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS && type == REG_SZ)
            names.append(
                QString::fromWCharArray(data, int(dataSize / sizeof(wchar_t))).section(QChar(0), 0, 0));
    }
    ::RegCloseKey(key);
    return names;
}

// What Device Manager calls a port and its maker, by port name, where it has the port.
QMap<QString, std::pair<QString, QString>> portNames()
{
    QMap<QString, std::pair<QString, QString>> found;
    // The Ports (COM & LPT) device class.
    static const GUID portsClass = {
        0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    const HDEVINFO devices = ::SetupDiGetClassDevsW(&portsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return found;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(devices, i, &info); ++i) {
        const auto text = [&](auto get) {
            wchar_t value[256] = {};
            DWORD size = sizeof value - sizeof(wchar_t);
            return get(value, size) ? QString::fromWCharArray(value) : QString();
        };
        HKEY key = ::SetupDiOpenDevRegKey(devices, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        const QString port = text([&](wchar_t *value, DWORD size) {
            return ::RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE *>(value),
                                      &size) == ERROR_SUCCESS;
        });
        ::RegCloseKey(key);
        const auto property = [&](DWORD which) {
            return text([&](wchar_t *value, DWORD size) {
                return ::SetupDiGetDeviceRegistryPropertyW(devices, &info, which, nullptr,
                                                           reinterpret_cast<BYTE *>(value), size, nullptr);
            });
        };
        if (!port.isEmpty())
            found.insert(port, {property(SPDRP_DEVICEDESC), property(SPDRP_MFG)});
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return found;
}

} // namespace

SerialLine *SerialLine::create(QObject *parent)
{
    return new WinLine(parent);
}

ComMap systemComMap()
{
    // Com n is COMn, whether Windows lists it now or not: it may be there when the port opens.
    const QStringList listed = listedPorts();
    const auto names = portNames();
    ComMap map;
    for (int n = 1; n <= int(map.size()); ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        const auto [description, maker] = names.value(name);
        map[size_t(n - 1)] = {
            name, description, maker, {}, listed.contains(name) ? ComReason::Named : ComReason::Unlisted};
    }
    return map;
}

} // namespace zem
