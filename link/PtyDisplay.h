#pragma once

#include "link/SimulatedDisplay.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <vector>

class QSocketNotifier;

// Puts a simulated display on a pseudo-terminal. The slave side is a serial device that any
// program, QSerialPort included, opens as it would a real port; the master side is ours.
class PtyDisplay : public QObject
{
    Q_OBJECT

public:
    explicit PtyDisplay(SimulatedDisplay& display, QObject* parent = nullptr);
    ~PtyDisplay() override;

    // Creates the pseudo-terminal in raw mode. Returns false with a reason on failure.
    bool open(QString* error = nullptr);
    // The device to open, e.g. /dev/pts/3.
    QString devicePath() const;
    // Sends replies no faster than this many bits per second allow (10 bits a byte); 0 = at once.
    void setPace(int baud);
    // Closes our end, as if the display had been unplugged.
    void close();

    bool isOpen() const { return m_master >= 0; }
    SimulatedDisplay& display() const { return m_display; }
    // Bytes read from the program since open().
    qint64 bytesReceived() const { return m_bytesReceived; }
    // Sends bytes nobody asked for, behind any reply still on its way.
    void send(const std::vector<std::uint8_t>& bytes);

Q_SIGNALS:
    void logLine(const QString& line);
    void imageAccepted(const SettingsImage& image);

private:
    struct DelayedReply
    {
        qint64 dueMs = 0;
        std::vector<std::uint8_t> bytes;
    };

    void onReadable();
    void take(const std::uint8_t* bytes, std::size_t count);
    void queueReply(std::vector<std::uint8_t> bytes, int delayMs);
    void releaseDueReplies();
    void release(const std::vector<std::uint8_t>& bytes);
    void sendPaced();
    void flush();

    SimulatedDisplay& m_display;
    int m_master = -1;
    // Held open so that the master never sees a hang-up when the program closes the port.
    int m_slave = -1;
    QString m_devicePath;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QElapsedTimer m_clock;

    // Replies wait here for their delay, in the order they were given.
    std::deque<DelayedReply> m_delayed;
    QTimer m_delayTimer;

    int m_baud = 0;
    // Released bytes that the pace does not allow out yet.
    QByteArray m_paced;
    QTimer m_paceTimer;
    qint64 m_paceStartMs = 0;
    qint64 m_pacedSent = 0;

    // Handed on but not yet taken by the pseudo-terminal, whose buffer was full.
    QByteArray m_unwritten;
    qint64 m_bytesReceived = 0;
};
