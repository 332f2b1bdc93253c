#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <array>
#include <functional>

namespace zem {

// Why a Com number opens the device it opens.
enum class ComReason
{
    Pinned,  // a link the system keeps for that number: /dev/zem-com<n>, or /dev/ttyS<n-1> made by hand
    BuiltIn, // the built-in port of that number, /dev/ttyS<n-1>, answers
    Free,    // the number was left free and went to the next port the system lists
    Named,   // Windows: Com n is the port the system calls COMn, which it lists now
    Unlisted // Windows: Com n is COMn, which the system does not list now
};

// A serial device: what the system lists, or what a Com number opens. An empty path is nothing.
struct SerialDevice
{
    QString path;
    QString description;
    QString manufacturer;
    QString target; // for a link, the device it leads to
    ComReason reason = ComReason::Free;
};

// What Com 1 to Com 4 open, in that order.
using ComMap = std::array<SerialDevice, 4>;

// Tells, each time it is asked, which device each Com number opens.
using PortMap = std::function<ComMap()>;

// The serial ports a Linux system has, as far as Com numbers care.
struct SystemPorts
{
    QList<SerialDevice> listed;   // the ports the system lists: built-in UARTs that answer, adapters
    QMap<QString, QString> links; // links at /dev/zem-com1-4 and /dev/ttyS0-3, to their targets
};

// The link that pins a device to Com n, made by a udev rule. No kernel device has such a name, so it
// works where /dev/ttyS0-3 always exist, answering or not.
QString pinLink(int port);
// The built-in port Com n keeps where the system has it: /dev/ttyS<n-1>.
QString builtInPort(int port);

// Com n opens /dev/zem-com<n> when that link exists, else keeps /dev/ttyS<n-1> when the system has it
// (listed, or a link made under that name). The numbers left free go, lowest first, to the other
// listed ports: USB adapters (ttyUSB), then CDC-ACM devices (ttyACM), then the rest, each kind by name
// and number.
ComMap assignComPorts(const SystemPorts &system);

// Looks at this machine now (each system's serial line file says how). On Windows Com n is COMn.
ComMap systemComMap();

// What Com n opens and why, e.g. "/dev/ttyUSB0 - FT232R USB UART (FTDI), the first port left free";
// or that nothing is attached, what was looked for, and where the ports the system has went.
QString describeComPort(int port, const ComMap &map);

} // namespace zem
