#pragma once

#include "commcomponent.h"
#include "oncommpacer.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>

namespace zem {

class SerialLine;

// The serial component over this system's serial line: 9600 baud, 8N1, no flow control.
class SerialPortComm final : public CommComponent
{
    Q_OBJECT
public:
    // Received bytes held for Input before the component stops taking more off the line: eighteen
    // minutes of a 9600-baud line, so a busy window loses nothing, while a faster flood waits for it.
    static constexpr qint64 InputBufferSize = 1 << 20;

    // How long a close may wait for `pendingBytes` to go out: the line time plus a second, ten
    // seconds at most.
    static qint64 drainBoundMs(qint64 pendingBytes);

    explicit SerialPortComm(PortMap portMap = systemComMap, QObject *parent = nullptr);
    ~SerialPortComm() override;

    bool PortOpen() const override;
    CommError setPortOpen(bool open) override;
    bool isClosing() const override { return m_closeCheck.isActive(); }
    qint64 closeLeftMs() const override;
    int CommPort() const override { return m_port; }
    CommError setCommPort(int port) override;
    ComMap devices() const override { return m_portMap(); }
    CommError setOutput(const QString &text) override;
    qint64 OutBufferCount() const override;
    QString Input() override;

private:
    CommError open();
    // Ends a close once its output has gone out, or its bound has passed.
    void checkClose();
    // Closes the port, keeping what it received for Input, and tells why: a close that ended, having
    // discarded that much, or a failure.
    void shut(qint64 discarded, const CommError &failure = {});
    // Takes received bytes off the line as they arrive, so that they are journaled then, and sets
    // OnComm's time for them.
    void take();
    void received(const QByteArray &bytes);
    void raiseOnComm();
    void onWentAway();

    PortMap m_portMap;
    SerialLine *m_line;
    QByteArray m_received; // taken off the line, not yet read by Input
    QTimer m_onComm;
    OnCommPacer m_pacer;
    QElapsedTimer m_clock;
    QTimer m_closeCheck; // runs while a close waits: the driver's queue has no signal of its own
    QDeadlineTimer m_closeBound;
    int m_port = FirstPort;
};

} // namespace zem
