#pragma once

#include "commcomponent.h"

#include <QSerialPort>
#include <QTimer>

#include <functional>

namespace zem {

// Tells which device a port number opens.
using DeviceNames = std::function<QString(int port)>;

// /dev/ttyS0 to /dev/ttyS3 on Linux, COM1 to COM4 on Windows.
QString systemDeviceName(int port);

// The serial component over QSerialPort: 9600 baud, 8N1, no flow control.
class SerialPortComm final : public CommComponent
{
    Q_OBJECT
public:
    static constexpr qint32 BaudRate = 9600;
    static constexpr qint64 InputBufferSize = 1024;

    explicit SerialPortComm(DeviceNames deviceNames = systemDeviceName, QObject *parent = nullptr);

    bool PortOpen() const override;
    CommError setPortOpen(bool open) override;
    qint64 droppedAtLastClose() const override { return m_dropped; }
    int CommPort() const override { return m_port; }
    CommError setCommPort(int port) override;
    CommError setOutput(const QString &text) override;
    QString Input() override;

    // How long a close may wait for pending output at 9600 baud: the line time plus a second,
    // ten seconds at most.
    static qint64 drainTimeoutMs(qint64 pendingBytes);

private:
    CommError open();
    void close();
    void onError(QSerialPort::SerialPortError error);

    DeviceNames m_deviceNames;
    QSerialPort m_serial;
    QTimer m_onComm;
    int m_port = FirstPort;
    qint64 m_dropped = 0;
};

} // namespace zem
