#include "link/CMSComm.h"

#include "link/PortMap.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString groupOf(const QString& device)
{
    struct stat status {};
    if (::stat(QFile::encodeName(device).constData(), &status) != 0)
        return {};
    const group* owner = ::getgrgid(status.st_gid);
    return owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(status.st_gid);
}

} // namespace

CommError::CommError(const QString& description)
    : std::runtime_error(description.toStdString()), m_description(description)
{
}

CMSComm::CMSComm(QObject* parent) : QObject(parent), m_port(std::make_unique<QSerialPort>())
{
    connect(m_port.get(), &QSerialPort::readyRead, this, &CMSComm::onReadyRead);
    connect(m_port.get(), &QSerialPort::bytesWritten, this, &CMSComm::BytesWritten);
    connect(m_port.get(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onError(static_cast<int>(error)); });
}

CMSComm::~CMSComm()
{
    if (m_port->isOpen()) {
        m_port->flush();
        m_port->close();
    }
}

void CMSComm::SetCommPort(short port)
{
    if (port < 1 || port > 8)
        throw CommError(QStringLiteral("Invalid port number %1").arg(port));
    m_portNumber = port;
}

void CMSComm::SetDevice(const QString& path)
{
    m_deviceOverride = path;
}

void CMSComm::SetSettings(const QString& settings)
{
    static const QRegularExpression format(QStringLiteral("^\\s*(\\d+)\\s*,\\s*([nNeEoOmMsS])\\s*,\\s*([5-8])\\s*,\\s*(1|1\\.5|2)\\s*$"));
    const QRegularExpressionMatch match = format.match(settings);
    if (!match.hasMatch())
        throw CommError(QStringLiteral("Invalid port settings \"%1\"").arg(settings));

    const auto parity = [](QChar letter) {
        switch (letter.toLower().toLatin1()) {
        case 'e': return QSerialPort::EvenParity;
        case 'o': return QSerialPort::OddParity;
        case 'm': return QSerialPort::MarkParity;
        case 's': return QSerialPort::SpaceParity;
        default: return QSerialPort::NoParity;
        }
    };
    const QString stop = match.captured(4);
    const bool ok = m_port->setBaudRate(match.captured(1).toInt()) &&
                    m_port->setParity(parity(match.captured(2).at(0))) &&
                    m_port->setDataBits(static_cast<QSerialPort::DataBits>(match.captured(3).toInt())) &&
                    m_port->setStopBits(stop == QLatin1String("2")     ? QSerialPort::TwoStop
                                        : stop == QLatin1String("1.5") ? QSerialPort::OneAndHalfStop
                                                                        : QSerialPort::OneStop);
    if (!ok)
        throw CommError(QStringLiteral("The port does not accept the settings \"%1\": %2").arg(settings, m_port->errorString()));
}

void CMSComm::SetInputMode(int)
{
    // Bytes are always handed over raw; there is no text mode to leave.
}

void CMSComm::SetInBufferSize(short bytes)
{
    // Bounds what a flooding device can make us hold.
    m_port->setReadBufferSize(bytes);
}

void CMSComm::SetOutBufferSize(short)
{
    // Writes go to the operating system as soon as the event loop runs; nothing to size.
}

void CMSComm::SetPortOpen(bool open)
{
    if (!open) {
        if (m_port->isOpen()) {
            // Hand everything already written to the system, which sends it before the line closes.
            m_port->flush();
            m_port->close();
        }
        return;
    }
    if (m_port->isOpen())
        throw CommError(QStringLiteral("Port already open"));

    const PortMap::Port port =
        m_deviceOverride.isEmpty() ? PortMap::portFor(m_portNumber) : PortMap::Port{m_deviceOverride, {}};
    if (port.device.isEmpty())
        throw CommError(QStringLiteral("Cannot open Com%1: no serial port is mapped to it. %2")
                            .arg(m_portNumber)
                            .arg(PortMap::explainMapping(m_portNumber)));
    m_device = port.device;
    m_port->setPortName(m_device);
    m_lost = false;
    if (!m_port->open(QIODevice::ReadWrite))
        throwOpenFailure(m_device);
    // Whatever arrived before we opened is stale.
    m_port->clear(QSerialPort::AllDirections);
}

void CMSComm::throwOpenFailure(const QString& device)
{
    const QString where = portName();
    const QByteArray native = QFile::encodeName(device);
    if (::access(native.constData(), F_OK) != 0) {
        if (!m_deviceOverride.isEmpty())
            throw CommError(QStringLiteral("Cannot open %1: the device does not exist.").arg(where));
        throw CommError(QStringLiteral("Cannot open %1: the device does not exist. %2")
                            .arg(where, PortMap::explainMapping(m_portNumber)));
    }
    if (::access(native.constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        const QString group = groupOf(device);
        throw CommError(QStringLiteral("Cannot open %1: permission denied. The device belongs to the group \"%2\"; "
                                       "add your user to it (sudo usermod -aG %2 $USER), then log out and in again.")
                            .arg(where, group.isEmpty() ? QStringLiteral("dialout") : group));
    }
    if (m_port->error() == QSerialPort::PermissionError)
        throw CommError(QStringLiteral("Cannot open %1: the port is in use by another program.").arg(where));
    QString reason = m_port->errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = QStringLiteral("it is not a serial port this computer can drive");
    throw CommError(QStringLiteral("Cannot open %1: %2").arg(where, reason));
}

bool CMSComm::GetPortOpen() const
{
    return m_port->isOpen();
}

void CMSComm::SetRThreshold(short bytes)
{
    m_threshold = bytes;
}

void CMSComm::SetInputLen(short)
{
    // Every read returns all waiting bytes.
}

std::vector<std::uint8_t> CMSComm::GetInput()
{
    if (!m_port->isOpen())
        return {};
    const QByteArray bytes = m_port->readAll();
    return {bytes.begin(), bytes.end()};
}

void CMSComm::SetOutput(const std::vector<std::uint8_t>& bytes)
{
    if (!m_port->isOpen())
        throw CommError(QStringLiteral("Port is not open"));
    const auto size = static_cast<qint64>(bytes.size());
    if (size == 0)
        return;
    if (m_port->write(reinterpret_cast<const char*>(bytes.data()), size) != size)
        throw CommError(QStringLiteral("Cannot write to %1: %2").arg(portName(), m_port->errorString()));
}

void CMSComm::SetOutput(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    SetOutput(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

QString CMSComm::portName() const
{
    if (!m_deviceOverride.isEmpty())
        return m_deviceOverride;
    return QStringLiteral("Com%1 (%2)").arg(m_portNumber).arg(m_device);
}

void CMSComm::onReadyRead()
{
    if (m_threshold < 1 || m_lost)
        return;
    m_commEvent = kReceiveEvent;
    Q_EMIT OnComm();
    m_commEvent = 0;
}

void CMSComm::onError(int error)
{
    const auto kind = static_cast<QSerialPort::SerialPortError>(error);
    if (kind == QSerialPort::NoError || kind == QSerialPort::TimeoutError || !m_port->isOpen() || m_lost)
        return;
    if (kind != QSerialPort::ResourceError && kind != QSerialPort::ReadError && kind != QSerialPort::WriteError &&
        kind != QSerialPort::UnknownError)
        return;
    // The port floods us with errors once its device is gone; take the first, close it once the
    // signal has returned, and let the rest fall on the floor.
    m_lost = true;
    // After a device vanishes Qt's own text often carries a stale system error; say what it means.
    const QString what = kind == QSerialPort::ResourceError ? QStringLiteral("the device went away")
                         : kind == QSerialPort::ReadError   ? QStringLiteral("reading from it failed")
                         : kind == QSerialPort::WriteError  ? QStringLiteral("writing to it failed")
                                                            : m_port->errorString();
    const QString reason = QStringLiteral("The serial port %1 stopped working: %2. Was its cable or adapter unplugged?")
                               .arg(portName(), what);
    QMetaObject::invokeMethod(this, [this, reason] { closeLostPort(reason); }, Qt::QueuedConnection);
}

void CMSComm::closeLostPort(const QString& reason)
{
    if (m_port->isOpen())
        m_port->close();
    m_port->clearError();
    Q_EMIT PortLost(reason);
}
