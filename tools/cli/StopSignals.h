#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the event loop's thread: the handler only writes
// the signal's number into a pipe, whose other end the event loop watches.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    // Installs the handlers. Returns false with the reason on failure.
    bool install(QString* error);

Q_SIGNALS:
    void stopRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};
