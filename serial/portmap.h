#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <array>
#include <functional>

namespace zem {

// A serial device: what the system lists, or what a Com number opens. An empty path is nothing.
struct SerialDevice
{
    QString path;
    QString description;
    QString manufacturer;
};

// What Com 1 to Com 4 open, in that order.
using ComMap = std::array<SerialDevice, 4>;

// Tells, each time it is asked, which device each Com number opens.
using PortMap = std::function<ComMap()>;

// The serial ports a Linux system has, as far as Com numbers care.
struct SystemPorts
{
    QList<SerialDevice> listed;   // the ports the system lists: built-in UARTs that answer, adapters
    QMap<QString, QString> links; // links made at /dev/ttyS0 to /dev/ttyS3, to their targets
};

// Com n keeps /dev/ttyS<n-1> when the system has it (listed, or a link made under that name). The
// numbers left free go, lowest first, to the other listed ports: USB adapters (ttyUSB), then CDC-ACM
// devices (ttyACM), then the rest, each kind by name and number.
ComMap assignComPorts(const SystemPorts &system);

// Looks at this machine now. On Windows Com n is COMn.
ComMap systemComMap();

// What Com n opens, e.g. "/dev/ttyUSB0 - FT232R USB UART (FTDI)"; or that nothing is attached, what
// was looked for, and where the ports the system has went.
QString describeComPort(int port, const ComMap &map);

} // namespace zem
