#pragma once

#include "frmmain.h"
#include "models.h"
#include "serialportcomm.h"
#include "textfield.h"

#include <QtTest>
#include <QtWidgets>

#include <array>
#include <memory>
#include <termios.h>

using namespace Qt::StringLiterals;

// The far end of a serial line: the master side of a pseudo-terminal, read by a timer of the thread it
// lives in, whose event loop goes on running while the program drains output or shows a message.
class PtyDevice : public QObject
{
public:
    PtyDevice();
    ~PtyDevice() override { hangUp(); }
    qsizetype send(QByteArrayView bytes) const; // writes what the line takes now, and says how much
    // Bytes a second the device reads: 0 stops reading, -1 reads all there is.
    void setReadRate(int bytesPerSecond)
    {
        m_rate = bytesPerSecond, m_rate ? m_pace->start() : m_pace->stop();
    }
    void hangUp(); // unplugs the device: the program's open port fails
    QString path;
    int slave = -1;      // held open, so that the master never reads end-of-file between opens
    QByteArray received; // what the program wrote, as far as the device has read it

private:
    int m_master = -1;
    int m_rate = -1;
    QTimer *m_pace;
};

// The whole program, its Com n opening ports[n - 1] (an empty path: nothing attached). Message boxes
// are answered with OK and their texts kept; one that does not look as designed is kept as "BAD: ...".
struct Zem
{
    Zem();
    ~Zem() { window.reset(); } // before the devices it has open
    // A device behind Com n, chosen and connected.
    PtyDevice *connect(int port);
    void trigger(const QString &action) const { find<QAction>(action)->trigger(); }
    void click(const QString &button) const { find<QPushButton>(button)->click(); }
    void type(const QString &field, const QString &text) const { find(field)->setText(text); }
    zem::CommComponent &comm() const { return *window->comm(); }
    bool showsTruth() const; // the menus and status bar say what the component does
    // Writes until the line holds output back (a device that reads nothing), then `more`.
    void clog(qsizetype more) const;
    template<typename T = QLineEdit> T *find(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        return found ? found : (qFatal("no %s", qPrintable(name)), nullptr);
    }

    zem::ComMap ports;
    std::array<std::unique_ptr<PtyDevice>, 4> devices;
    std::unique_ptr<zem::frmMain> window;
    QStringList messages;
    QTimer answer;
};

void settle(int ms); // runs the event loop for a while
// The line settings asked of serial devices, as they were asked: a pseudo-terminal keeps only some
// of them (it always says 8 data bits and no parity).
inline QList<termios> lineSettingsAsked;
