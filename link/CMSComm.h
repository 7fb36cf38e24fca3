#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

class QSerialPort;

// A failed port operation, carrying the serial layer's own description of the failure.
class CommError : public std::runtime_error
{
public:
    explicit CommError(const QString& description);
    QString description() const { return m_description; }

private:
    QString m_description;
};

// The serial port as the program uses it: set the port number and the line settings, open and
// close, read every waiting byte and write bytes. The only class that touches QSerialPort.
class CMSComm : public QObject
{
    Q_OBJECT

public:
    static constexpr short kReceiveEvent = 2;

    explicit CMSComm(QObject* parent = nullptr);
    ~CMSComm() override;

    void SetCommPort(short port);
    // Opens this device instead of the one the port number is mapped to; failures then name it.
    void SetDevice(const QString& path);
    // "9600,n,8,1" style: rate, parity letter, data bits, stop bits.
    void SetSettings(const QString& settings);
    void SetInputMode(int mode);
    void SetInBufferSize(short bytes);
    void SetOutBufferSize(short bytes);
    void SetPortOpen(bool open);
    bool GetPortOpen() const;
    void SetRThreshold(short bytes);
    void SetInputLen(short bytes);
    std::vector<std::uint8_t> GetInput();
    void SetOutput(const std::vector<std::uint8_t>& bytes);
    void SetOutput(const QString& text);
    short GetCommEvent() const { return m_commEvent; }

    // The device the current port number stands for, as shown in messages.
    QString portName() const;

Q_SIGNALS:
    // Bytes are waiting (the receive threshold is reached).
    void OnComm();
    // Bytes were handed to the operating system.
    void BytesWritten(qint64 bytes);
    // The open port failed under us (an adapter pulled out); it has been closed already.
    void PortLost(const QString& reason);

private:
    void onReadyRead();
    void onError(int error);
    void closeLostPort(const QString& reason);
    [[noreturn]] void throwOpenFailure(const QString& device);

    std::unique_ptr<QSerialPort> m_port;
    short m_portNumber = 1;
    QString m_deviceOverride;
    QString m_device;
    short m_threshold = 0;
    short m_commEvent = 0;
    bool m_lost = false;
};
