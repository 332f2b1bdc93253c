#include "portmap.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace zem {
namespace {

QString builtInName(int index)
{
    return QStringLiteral("/dev/ttyS%1").arg(index);
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

QList<SerialDevice> listedPorts()
{
    QList<SerialDevice> listed;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        listed.append({info.systemLocation(), info.description(), info.manufacturer()});
    return listed;
}

} // namespace

ComMap assignComPorts(const SystemPorts &system)
{
    QList<SerialDevice> free = system.listed;
    // Takes a port off the free list; a path the system does not list still opens as itself.
    const auto take = [&free](const QString &path) {
        const auto found =
            std::find_if(free.begin(), free.end(), [&](const SerialDevice &d) { return d.path == path; });
        if (found == free.end())
            return SerialDevice{path, {}, {}};
        SerialDevice device = *found;
        free.erase(found);
        return device;
    };
    const auto isFree = [&free](const QString &path) {
        return std::any_of(free.cbegin(), free.cend(), [&](const SerialDevice &d) { return d.path == path; });
    };

    ComMap map;
    for (int i = 0; i < int(map.size()); ++i) {
        const QString name = builtInName(i);
        SerialDevice &com = map[static_cast<size_t>(i)];
        if (const auto link = system.links.constFind(name); link != system.links.cend()) {
            const SerialDevice target = take(*link);
            com = {name, target.description, target.manufacturer};
        } else if (isFree(name)) {
            com = take(name);
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

ComMap systemComMap()
{
#ifdef Q_OS_WIN
    const QList<SerialDevice> listed = listedPorts();
    ComMap map;
    for (int i = 0; i < int(map.size()); ++i) {
        const QString name = QStringLiteral("COM%1").arg(i + 1);
        const auto found = std::find_if(listed.cbegin(), listed.cend(),
                                        [&](const SerialDevice &d) { return d.path.endsWith(name); });
        map[static_cast<size_t>(i)] = found != listed.cend()
                                          ? SerialDevice{name, found->description, found->manufacturer}
                                          : SerialDevice{name, {}, {}};
    }
    return map;
#else
    SystemPorts system{listedPorts(), {}};
    for (int i = 0; i < 4; ++i) {
        const QFileInfo link(builtInName(i));
        if (link.isSymLink()) {
            const QString target = link.canonicalFilePath();
            system.links.insert(link.filePath(), target.isEmpty() ? link.symLinkTarget() : target);
        }
    }
    return assignComPorts(system);
#endif
}

QString describeComPort(int port, const ComMap &map)
{
    const SerialDevice &device = map[static_cast<size_t>(port - 1)];
    if (device.path.isEmpty()) {
        QStringList taken;
        for (size_t i = 0; i < map.size(); ++i) {
            if (!map[i].path.isEmpty())
                taken.append(
                    QCoreApplication::translate("zem::PortMap", "Com %1 is %2").arg(i + 1).arg(map[i].path));
        }
        const QString lookedFor = builtInName(port - 1);
        if (taken.isEmpty())
            return QCoreApplication::translate(
                       "zem::PortMap",
                       "Nothing is attached as Com %1: there is no %2, and the system lists no "
                       "other serial port.")
                .arg(port)
                .arg(lookedFor);
        return QCoreApplication::translate(
                   "zem::PortMap",
                   "Nothing is attached as Com %1: there is no %2, and no other serial port is "
                   "left for it (%3).")
            .arg(port)
            .arg(lookedFor, taken.join(QStringLiteral(", ")));
    }
    QString text = device.path;
    if (!device.description.isEmpty())
        text += QStringLiteral(" - ") + device.description;
    if (!device.manufacturer.isEmpty())
        text += QStringLiteral(" (") + device.manufacturer + u')';
    return text;
}

} // namespace zem
