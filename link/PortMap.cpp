#include "link/PortMap.h"

#include "link/PortOrder.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

#include <map>

namespace {

struct HostPort
{
    QString device;
    QString description;
};

std::vector<HostPort> hostPortsInOrder()
{
    std::map<std::string, QString> descriptions;
    std::vector<std::string> names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        const std::string device = info.systemLocation().toStdString();
        names.push_back(device);
        QString description = info.description();
        if (description.isEmpty())
            description = info.manufacturer();
        descriptions[device] = description;
    }
    std::vector<HostPort> ordered;
    for (const std::string& name : OrderSerialPorts(std::move(names)))
        ordered.push_back({QString::fromStdString(name), descriptions[name]});
    return ordered;
}

QString describe(const HostPort& port)
{
    return port.description.isEmpty() ? port.device : QStringLiteral("%1 (%2)").arg(port.device, port.description);
}

} // namespace

PortMap::Port PortMap::portFor(int number)
{
    const QByteArray pinned = qgetenv(QStringLiteral("LUMETRA_COM%1").arg(number).toLatin1().constData());
    if (!pinned.isEmpty())
        return {QString::fromLocal8Bit(pinned), QStringLiteral("set by LUMETRA_COM%1").arg(number)};
    const std::vector<HostPort> ports = hostPortsInOrder();
    if (number < 1 || static_cast<std::size_t>(number) > ports.size())
        return {};
    const HostPort& port = ports[static_cast<std::size_t>(number - 1)];
    return {port.device, port.description};
}

QString PortMap::deviceFor(const QString& name)
{
    static const QRegularExpression comN(QStringLiteral("^[Cc][Oo][Mm]([1-8])$"));
    const QRegularExpressionMatch match = comN.match(name);
    if (!match.hasMatch())
        return name;
    return portFor(match.captured(1).toInt()).device;
}

QStringList PortMap::hostPorts()
{
    QStringList result;
    for (const HostPort& port : hostPortsInOrder())
        result << describe(port);
    return result;
}

QString PortMap::explainMapping(int number)
{
    const QStringList ports = hostPorts();
    return QStringLiteral("Com%1 is the device named by LUMETRA_COM%1, or else serial port number %1 of this "
                          "computer (ttyS ports with hardware behind them, then ttyUSB, then ttyACM). "
                          "Serial ports found: %2.")
        .arg(number)
        .arg(ports.isEmpty() ? QStringLiteral("none") : ports.join(QStringLiteral(", ")));
}
