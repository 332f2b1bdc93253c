#pragma once

#include "commcomponent.h"
#include "frmmain.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <array>
#include <memory>
#include <termios.h>

// The far end of a serial line: the master side of a pseudo-terminal, served by the test's event
// loop, which goes on running while the program drains output or shows a message.
class PtyDevice : public QObject
{
public:
    PtyDevice();
    ~PtyDevice() override;
    QString path() const { return m_path; }

    // Bytes for the program, written as the line takes them.
    void send(const QByteArray &bytes);
    // What the program wrote, as far as the device has read it.
    QByteArray received;
    // Bytes a second the device reads: 0 stops reading, -1 reads all at once.
    void setReadRate(int bytesPerSecond);
    // Unplugs the device: the program's open port fails.
    void hangUp();
    // The line as the kernel has it set.
    termios line() const;

private:
    void readSome(qsizetype most);
    void flush();

    int m_master = -1;
    int m_slave = -1; // held open, so the master side never reads end-of-file between opens
    QString m_path;
    QByteArray m_outgoing;
    QSocketNotifier *m_readable = nullptr;
    QSocketNotifier *m_writable = nullptr;
    QTimer m_pace;
    int m_rate = -1;
};

// The whole program, its Com n opening paths[n - 1] (empty: nothing attached). Every message box
// is answered with OK and kept.
class Zem
{
public:
    Zem();
    ~Zem();
    // A fresh device behind Com n.
    PtyDevice *plug(int port);

    std::array<QString, 4> paths;
    std::array<std::unique_ptr<PtyDevice>, 4> devices;
    std::unique_ptr<zem::frmMain> window;
    zem::CommComponent &comm() const { return *window->comm(); }
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    QList<Box> boxes;
    QStringList messages() const;

    template<typename T = QLineEdit> T *find(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qFatal("no %s", qPrintable(name));
        return found;
    }
    QAction *action(const QString &name) const { return find<QAction>(name); }
    void click(const QString &button) const { find<QPushButton>(button)->click(); }
    QString status(int panel) const;
    // The menus and status bar say what the component does.
    bool showsTruth() const;
    // Runs the event loop for a while.
    static void settle(int ms);

private:
    QTimer m_answer;
};

// CPU time this thread used, in milliseconds.
qint64 threadCpuMs();
