#pragma once

#include "frmmain.h"
#include "models.h"
#include "serialportcomm.h"
#include "textfield.h"

#include <QtTest>
#include <QtWidgets>

#include <array>
#include <memory>

using namespace Qt::StringLiterals;

// The far end of a serial line, "the device", read by a timer of the thread it lives in: the master side
// of a pseudo-terminal, or, in the real-line stage, the far tty of a null-modem cable whose near tty
// the program opens (ZEM_CABLES names the cables the guest has, in the order devices take them). On
// Windows the far COM port of a cable that the Windows stage maps to a pseudo-terminal pair
// (device_win.cpp; on Linux, device_unix.cpp).
class Device : public QObject
{
public:
    Device();
    ~Device() override;
    qsizetype send(QByteArrayView bytes) const; // writes what the line takes now, and says how much
    // Bytes a second the device reads: 0 stops reading, -1 reads all there is; returns the bytes a
    // second it takes in. A tty that is open takes all it is sent, so on a cable a device that stops
    // reading is switched off, and one that reads reads all, as fast as the line runs.
    int setReadRate(int bytesPerSecond);
    void hangUp();   // unplugs the device: the program's open port fails (a UART's only switches off)
    bool plugBack(); // an adapter comes back under its name, once the program has let it go
    // The line settings as the driver holds them: "9600 8N1" where they are that, raw; else not that.
    QString settings() const;
    // How long what it sends may be on its way as the program's port closes, beside a few bytes: not
    // at all on a pseudo-terminal; a while in a cable's emulated UARTs or in Wine's port.
    int inFlightMs() const { return m_cable >= 0 ? 500 : 0; }
    bool talks() const { return (m_master >= 0 || m_port) && !m_unplugged; }
    QString path;
    QByteArray received; // what the program wrote, as far as the device has read it

private:
    bool plug(const char *state) const; // writes the cable's plug file: "0" pulls it out, "1" puts it back
    int m_master = -1;
    int m_slave = -1; // a pseudo-terminal's, held open so that the master never reads end-of-file
    zem::SerialLine *m_port = nullptr; // Windows: the far COM port, on the program's own line
    int m_rate = -1;
    int m_cable = -1;
    bool m_unplugged = false;
    // On a cable: the far end, and the file that plugs it (on Linux an adapter's sysfs "authorized").
    QByteArray m_far, m_plug;
    QTimer *m_pace = new QTimer(this);
};

// The whole program, its Com n opening ports[n - 1] (an empty path: nothing attached). Message boxes
// are answered with OK and their texts kept; one that does not look as designed is kept as "BAD: ...".
struct Zem
{
    Zem();
    ~Zem() { window.reset(); } // before the devices it has open
    // A device behind Com n, chosen and connected.
    Device *connect(int port);
    void trigger(QAnyStringView action) const { find<QAction>(action)->trigger(); }
    void click(QAnyStringView button) const { find<QPushButton>(button)->click(); }
    void type(QAnyStringView field, const QString &text) const { find(field)->setText(text); }
    zem::CommComponent &comm() const { return *window->comm(); }
    bool showsTruth() const; // the menus and status bar say what the component does
#ifdef Q_OS_WIN
    // Under Wine: a port that a second program may open too, no signals.
    static std::unique_ptr<QObject> hold(const QString &)
    {
        return nullptr;
    }
    static constexpr bool closesOnSignals = false;
    static void raise(QStringView) {}
    static inline const QString notSerial = u"NUL"_s;
#else
    static std::unique_ptr<QObject> hold(const QString &path); // another program holding the port
    static constexpr bool closesOnSignals = true;
    static void raise(QStringView signal);                  // SIGHUP or SIGTERM
    static inline const QString notSerial = u"/dev/null"_s; // a device that is no serial port
#endif
    // The dialog of that kind standing over the window, if any.
    template<typename T> T *standing() const
    {
        const QList<T *> all = window->findChildren<T *>();
        const auto shown = std::find_if(all.cbegin(), all.cend(), [](const T *d) { return d->isVisible(); });
        return shown == all.cend() ? nullptr : *shown;
    }
    template<typename T = QLineEdit> T *find(QAnyStringView name) const
    {
        T *found = window->findChild<T *>(name.toString());
        return found ? found : (qFatal("no %s", qPrintable(name.toString())), nullptr);
    }

    zem::ComMap ports;
    std::array<std::unique_ptr<Device>, 4> devices;
    std::unique_ptr<zem::frmMain> window;
    QStringList messages;
    QTimer answer;
};
