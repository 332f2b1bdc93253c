#pragma once

#include "portmap.h"

#include <QObject>
#include <QString>

#include <algorithm>
#include <climits>

namespace zem {

// A failure reported by the serial component, in the operator's words; none when empty.
struct CommError
{
    QString description;

    explicit operator bool() const { return !description.isEmpty(); }
};

// A byte count as tr() takes it for its plural forms.
inline int pluralCount(qint64 bytes)
{
    return static_cast<int>(std::min<qint64>(bytes, INT_MAX));
}

// The serial line as the window sees it: a port number, an open state, bytes out and bytes in.
// Every character is one byte on the line, codes 0-255, in both directions.
class CommComponent : public QObject
{
    Q_OBJECT
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 4;
    // The line is fixed at 9600 baud, 8N1: ten bits a byte.
    static constexpr qint32 BaudRate = 9600;
    static constexpr qint32 BytesPerSecond = BaudRate / 10;

    using QObject::QObject;

    virtual bool PortOpen() const = 0;
    // Opening uses CommPort with the fixed line settings; a failure leaves the port closed.
    // Closing returns at once. What Output was given and has not gone out yet (in the program or in
    // the driver) goes on going out, for a bounded time, while the port stays open; then the port
    // closes and `closed` tells what had to be discarded.
    virtual CommError setPortOpen(bool open) = 0;
    // A close is waiting for output to go out: the port is still open, and nothing new should be
    // asked of the line until it is done.
    virtual bool isClosing() const = 0;
    // While closing: how long until whatever is still queued is discarded; -1 when not closing.
    virtual qint64 closeLeftMs() const = 0;

    virtual int CommPort() const = 0;
    // Only while the port is closed, and only 1 to 4.
    virtual CommError setCommPort(int port) = 0;
    // Which device each Com number would open now.
    virtual ComMap devices() const = 0;

    // Writes each character as one byte while the port is open, and drops the text while it is
    // closed; a text with a character above 255 is refused whole, open or not.
    virtual CommError setOutput(const QString &text) = 0;
    // Bytes given to Output that have not gone out on the line yet, in the program and in the driver.
    virtual qint64 OutBufferCount() const = 0;
    // Takes every byte waiting, one character per byte; empty when none waits.
    virtual QString Input() = 0;

Q_SIGNALS:
    // Raised on the UI thread while received bytes wait.
    void OnComm();
    // PortOpen, isClosing or CommPort changed.
    void stateChanged();
    // A close asked for by setPortOpen(false) has ended: `discarded` bytes of output did not go out
    // in time. Raised just before the stateChanged that shows the port closed.
    void closed(qint64 discarded);
    // OutBufferCount changed.
    void outBufferChanged();
    // The open port failed on its own (the device went away): it is already closed. Raised just
    // before the stateChanged that shows it; a close under way ends with it.
    void lineFailed(const zem::CommError &error);
    // For the record of the session: the bytes Output wrote to the line, each batch Input gave, and
    // what happened to the line, in words.
    void bytesSent(const QByteArray &bytes);
    void bytesReceived(const QByteArray &bytes);
    void lineEvent(const QString &words);
};

} // namespace zem
