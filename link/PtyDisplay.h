#pragma once

#include "link/SimulatedDisplay.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <utility>
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
    // Runs the line at this many bits per second (10 bits a byte) both ways: a byte from the
    // program is taken, and a reply byte handed over, only once the line would have carried it
    // whole. 0 = at once.
    void setPace(int baud);
    // Stops or resumes taking what the program writes, as a display whose input is held up: the
    // bytes wait in the pseudo-terminal and, once that is full, in the program.
    void setReading(bool reading);
    // Closes our end, as if the display had been unplugged.
    void close();

    bool isOpen() const { return m_master >= 0; }
    SimulatedDisplay& display() const { return m_display; }
    // Bytes read from the program since open().
    qint64 bytesReceived() const { return m_bytesReceived; }
    // Sends bytes nobody asked for, behind any reply still on its way.
    void send(const std::vector<std::uint8_t>& bytes);

Q_SIGNALS:
    // Bytes came from the program, before the pace lets the display take them.
    void bytesArrived(qint64 count);
    void logLine(const QString& line);
    void imageAccepted(const SettingsImage& image);

private:
    struct DelayedReply
    {
        qint64 dueMs = 0;
        std::vector<std::uint8_t> bytes;
    };

    // One direction of the paced line: each byte with the moment its last bit is through.
    struct Line
    {
        std::deque<std::pair<qint64, std::uint8_t>> bytes;
        qint64 freeAtNs = 0;
    };

    void onReadable();
    void take(const std::uint8_t* bytes, std::size_t count);
    void queueReply(std::vector<std::uint8_t> bytes, int delayMs);
    void releaseDueReplies();
    void release(const std::vector<std::uint8_t>& bytes);
    void enqueue(Line& line, const std::uint8_t* bytes, std::size_t count, qint64 nowNs);
    // Restarts the bytes still on a line from now, one byte time apart.
    void retime(Line& line, qint64 nowNs);
    void serviceLines();
    void armLineTimer();
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
    bool m_reading = true;
    Line m_inbound;
    Line m_outbound;
    // A timer file, since the byte times of a fast line are finer than QTimer's milliseconds.
    int m_lineTimer = -1;
    QSocketNotifier* m_lineNotifier = nullptr;

    // Handed on but not yet taken by the pseudo-terminal, whose buffer was full.
    QByteArray m_unwritten;
    qint64 m_bytesReceived = 0;
};
