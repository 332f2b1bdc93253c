#include "portmap.h"

#include <QCoreApplication>

#include <algorithm>
#include <tuple>

namespace zem {
namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("zem::PortMap", text);
}

// Adapters first, by kind, then by name and number: ttyUSB0, ttyUSB1, ttyUSB10, ttyACM0, rfcomm0, ...
auto freeOrder(const SerialDevice &device)
{
    const QString name = device.path.mid(device.path.lastIndexOf(u'/') + 1);
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    const QString prefix = name.left(digits);
    const int kind = prefix == QLatin1String("ttyUSB") ? 0 : prefix == QLatin1String("ttyACM") ? 1 : 2;
    return std::make_tuple(kind, prefix, name.mid(digits).toULongLong(), name);
}

} // namespace

QString pinLink(int port)
{
    return QStringLiteral("/dev/zem-com%1").arg(port);
}

QString builtInPort(int port)
{
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

ComMap assignComPorts(const SystemPorts &system)
{
    QList<SerialDevice> free = system.listed;
    // Takes a port off the free list; a path the system does not list still opens as itself.
    const auto take = [&free](const QString &path) {
        const auto found =
            std::find_if(free.begin(), free.end(), [&](const SerialDevice &d) { return d.path == path; });
        if (found == free.end())
            return SerialDevice{path, {}, {}, {}, ComReason::Free};
        SerialDevice device = *found;
        free.erase(found);
        return device;
    };
    const auto isFree = [&free](const QString &path) {
        return std::any_of(free.cbegin(), free.cend(), [&](const SerialDevice &d) { return d.path == path; });
    };
    const auto pin = [&](SerialDevice &com, const QString &link) {
        const auto target = system.links.constFind(link);
        if (target == system.links.cend())
            return false;
        const SerialDevice device = take(*target);
        com = {link, device.description, device.manufacturer, *target, ComReason::Pinned};
        return true;
    };

    // Pins first, so that a pinned device is nobody else's; then the built-in ports; then the rest.
    ComMap map;
    for (size_t i = 0; i < map.size(); ++i)
        pin(map[i], pinLink(int(i) + 1));
    for (size_t i = 0; i < map.size(); ++i) {
        SerialDevice &com = map[i];
        const QString name = builtInPort(int(i) + 1);
        if (com.path.isEmpty() && !pin(com, name) && isFree(name)) {
            com = take(name);
            com.reason = ComReason::BuiltIn;
        }
    }
    std::stable_sort(free.begin(), free.end(), [](const SerialDevice &a, const SerialDevice &b) {
        return freeOrder(a) < freeOrder(b);
    });
    auto next = free.cbegin();
    for (SerialDevice &com : map) {
        if (com.path.isEmpty() && next != free.cend())
            com = *next++;
    }
    return map;
}

QString describeComPort(int port, const ComMap &map)
{
    const SerialDevice &device = map[static_cast<size_t>(port - 1)];
    if (device.path.isEmpty()) {
        QStringList taken;
        for (size_t i = 0; i < map.size(); ++i) {
            if (!map[i].path.isEmpty())
                taken.append(tr("Com %1 is %2").arg(i + 1).arg(map[i].path));
        }
        const QString lookedFor = builtInPort(port);
        if (taken.isEmpty())
            return tr("Nothing is attached as Com %1: there is no %2, and the system lists no other serial "
                      "port.")
                .arg(port)
                .arg(lookedFor);
        return tr("Nothing is attached as Com %1: there is no %2, and no other serial port is left for it "
                  "(%3).")
            .arg(port)
            .arg(lookedFor, taken.join(QStringLiteral(", ")));
    }
    QString text = device.path;
    if (!device.target.isEmpty())
        text += QStringLiteral(" -> ") + device.target;
    if (!device.description.isEmpty())
        text += QStringLiteral(" - ") + device.description;
    if (!device.manufacturer.isEmpty())
        text += QStringLiteral(" (") + device.manufacturer + u')';
    switch (device.reason) {
    case ComReason::Pinned:
        return text + tr(", pinned to this number by its link");
    case ComReason::BuiltIn:
        return text + tr(", the built-in port of this number");
    case ComReason::Named:
        return text + tr(", the system's port of this number");
    case ComReason::Unlisted:
        return text + tr(", which the system does not list now: nothing may be attached");
    case ComReason::Free:
        break;
    }
    return text + tr(", the next serial port left free");
}

} // namespace zem
