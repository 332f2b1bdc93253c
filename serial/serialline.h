#pragma once

#include "commcomponent.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace zem {

// One serial device, opened at 9600 baud, 8N1, no flow control: the part of the serial component
// that each system does its own way (serialline_unix.cpp over QSerialPort, serialline_win.cpp over
// the Win32 comm API). Everything else, the close and its clock, OnComm and its pace, what is
// journaled, is the component's, the same everywhere.
class SerialLine : public QObject
{
    Q_OBJECT
public:
    // Received bytes the line holds for the component before it stops taking more off the wire: the
    // rest waits in the driver, and, past its buffer, the device is told to wait if it listens.
    static constexpr qint64 ReadBufferSize = 1 << 16;

    // This system's line. (Which device each Com number opens, systemComMap(), lives beside it.)
    static SerialLine *create(QObject *parent);

    using QObject::QObject;

    // Opens `path` with the line settings; returns why it cannot, in the operator's words.
    virtual CommError open(const QString &path) = 0;
    virtual bool isOpen() const = 0;
    // Takes in what the device sent up to now, from the line's buffer and the driver's, and closes the
    // device at once: output still queued, in the program or in the driver, is discarded. Writes
    // nothing more, so that what the component counted as discarded is exact. Returns the bytes taken.
    virtual QByteArray close() = 0;

    // Queues bytes to go out, in order.
    virtual void write(const QByteArray &bytes) = 0;
    // Bytes written that the driver has not taken yet.
    virtual qint64 queued() const = 0;
    // Bytes the driver took but has not sent yet; -1 where the system does not tell.
    virtual qint64 driverHolds() const = 0;
    // Discards what the driver holds, so that closing does not wait in the kernel for it.
    virtual void discardDriverOutput() = 0;

    // Takes the bytes received, at most `max` of them; never writes.
    virtual QByteArray read(qint64 max) = 0;

Q_SIGNALS:
    // Bytes wait to be read.
    void readyRead();
    // queued() or driverHolds() went down.
    void bytesWritten();
    // The device went away (unplugged, switched off, its driver gone). Raised once, with the line still
    // open so that what is queued can be counted; the component then closes it.
    void wentAway();
};

} // namespace zem
