#pragma once

#include <QString>
#include <QStringList>

// Which device "ComN" stands for on this host. LUMETRA_COMN names it outright (a /dev path, or a
// stable /dev/serial/by-id/... link); otherwise ComN is the Nth serial port the host really has,
// in the order of OrderSerialPorts().
namespace PortMap {

struct Port
{
    QString device;      // empty when nothing is mapped to the number
    QString description; // what the host says about it, for tooltips and messages
};

Port portFor(int number);
// A command-line DEVICE: "Com1".."Com8" (any case) through portFor(), anything else a path.
QString deviceFor(const QString& name);
// The serial ports of the host in Com order, each as "/dev/ttyUSB0 (FT232R USB UART)".
QStringList hostPorts();
// One line that says how ComN is mapped, for messages about a missing port.
QString explainMapping(int number);

} // namespace PortMap
