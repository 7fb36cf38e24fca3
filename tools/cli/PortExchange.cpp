#include "tools/cli/PortExchange.h"

#include "link/PortMap.h"
#include "settings/SettingsFile.h"

namespace {

// Time for the image to leave the port once the display has answered, beyond the exchange's own
// time-out: 127 bytes take well under a second even at 9600 baud.
constexpr std::chrono::milliseconds kDrainAllowance{3000};

} // namespace

PortExchange::PortExchange(const QString& name, int baud, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_name(name), m_baud(baud), m_session(m_comm, m_received, *this)
{
    m_session.setTimeout(timeout);
    m_guard.setSingleShot(true);
    m_guard.setInterval(timeout + kDrainAllowance);
    connect(&m_guard, &QTimer::timeout, this, [this] {
        finish(ExitCode::IoError,
               QStringLiteral("Cannot write to %1: the image did not leave the port").arg(m_comm.portName()));
    });
    connect(&m_comm, &CMSComm::PortLost, this, [this](const QString& reason) {
        m_session.forgetQueuedBytes();
        finish(ExitCode::IoError, reason);
    });
}

bool PortExchange::open()
{
    const QString device = PortMap::deviceFor(m_name);
    if (device.isEmpty()) {
        // Only Com1..Com8 map to nothing, and the digit is the number.
        const int number = m_name.right(1).toInt();
        finish(ExitCode::IoError, QStringLiteral("Cannot open %1: no serial port is mapped to it. %2")
                                      .arg(m_name, PortMap::explainMapping(number)));
        return false;
    }
    try {
        m_comm.SetDevice(device);
        m_comm.SetInputMode(1);
        m_comm.SetInBufferSize(1024);
        m_comm.SetOutBufferSize(512);
        m_comm.SetSettings(QStringLiteral("%1,n,8,1").arg(m_baud));
        m_comm.SetPortOpen(true);
        m_comm.SetRThreshold(1);
        m_comm.SetInputLen(0);
        m_comm.GetInput();
    } catch (const CommError& error) {
        finish(ExitCode::IoError, error.description());
        return false;
    }
    return true;
}

void PortExchange::startUpload(const QString& outputPath)
{
    m_outputPath = outputPath;
    try {
        m_session.requestUpload();
        m_guard.start();
    } catch (const CommError& error) {
        finish(ExitCode::IoError, error.description());
    }
}

void PortExchange::startDownload(const SettingsImage& image, std::uint32_t seed)
{
    m_toSend = image;
    try {
        m_session.requestDownload(seed);
        m_guard.start();
    } catch (const CommError& error) {
        finish(ExitCode::IoError, error.description());
    }
}

void PortExchange::applyImage()
{
    m_saveFailure = SettingsFile::write(m_outputPath, m_received);
}

const SettingsImage& PortExchange::imageToSend()
{
    return m_toSend;
}

void PortExchange::showMessage(const Transfer::ShowMessage& message)
{
    const QString text = QString::fromStdString(message.text);
    switch (message.icon) {
    case Transfer::Icon::Information:
        if (m_saveFailure)
            finish(ExitCode::IoError, *m_saveFailure);
        else
            finish(ExitCode::Success, text);
        return;
    case Transfer::Icon::Stop:
        finish(ExitCode::IoError, text);
        return;
    case Transfer::Icon::Warning:
        finish(ExitCode::Refused, text);
        return;
    }
}

void PortExchange::finish(ExitCode code, const QString& text)
{
    if (m_result)
        return;
    m_guard.stop();
    m_result = Result{code, text};
    Q_EMIT done();
}
