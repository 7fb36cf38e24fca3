#pragma once

#include "link/PtyDisplay.h"
#include "link/SimulatedDisplay.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>
#include <vector>

class RecordingMessageBoxes;

// Maps ComN to a device through LUMETRA_COMN for as long as it lives, then puts the variable back
// as it was.
class ScopedPortMapping
{
public:
    ScopedPortMapping(int number, const QString& device);
    ~ScopedPortMapping();
    ScopedPortMapping(const ScopedPortMapping&) = delete;
    ScopedPortMapping& operator=(const ScopedPortMapping&) = delete;

private:
    QByteArray m_name;
    std::optional<QByteArray> m_previous;
};

// A simulated display on a pseudo-terminal that the program reaches as ComN, with a record of
// what the display did.
class SimulatedPort
{
public:
    explicit SimulatedPort(const SettingsImage& image = factoryDefaultImage(), int number = 1);
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    // Creates the pseudo-terminal and maps ComN to it; false with the reason on failure.
    bool start(QString* error = nullptr);

    SimulatedDisplay& display() { return m_display; }
    PtyDisplay& pty() { return m_pty; }
    QString devicePath() const { return m_pty.devicePath(); }
    const QStringList& log() const { return m_log; }
    const std::vector<SettingsImage>& acceptedImages() const { return m_accepted; }

private:
    int m_number;
    QStringList m_log;
    std::vector<SettingsImage> m_accepted;
    SimulatedDisplay m_display;
    PtyDisplay m_pty;
    std::optional<ScopedPortMapping> m_mapping;
};

// Runs the event loop until messages holds at least count boxes; false if timeoutMs passed first.
bool waitForBoxes(const RecordingMessageBoxes& messages, std::size_t count, int timeoutMs = 3000);
