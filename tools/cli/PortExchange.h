#pragma once

#include "link/CMSComm.h"
#include "link/TransferSession.h"
#include "tools/cli/ExitCode.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <optional>

// One exchange with the display on one port, through the same session the window uses: an upload
// into a file, or a download of a given image. It ends exactly once, with an exit code and the
// line that tells how it went.
class PortExchange : public QObject, private TransferSession::Owner
{
    Q_OBJECT

public:
    struct Result
    {
        ExitCode code = ExitCode::Success;
        QString text;
    };

    // name: a device path, or Com1..Com8 as the window maps them.
    PortExchange(const QString& name, int baud, std::chrono::milliseconds timeout, QObject* parent = nullptr);

    // Opens the port; on failure the exchange has already ended.
    bool open();
    // The uploaded image goes to outputPath, and only if it passes every check.
    void startUpload(const QString& outputPath);
    void startDownload(const SettingsImage& image, std::uint32_t seed);

    bool finished() const { return m_result.has_value(); }
    const Result& result() const { return *m_result; }

Q_SIGNALS:
    void done();

private:
    void applyImage() override;
    const SettingsImage& imageToSend() override;
    void showMessage(const Transfer::ShowMessage& message) override;

    void start();
    void finish(ExitCode code, const QString& text);

    QString m_name;
    int m_baud;
    CMSComm m_comm;
    SettingsImage m_received{};
    SettingsImage m_toSend{};
    TransferSession m_session;
    // Bounds what the session's timers do not: an image that never leaves the port.
    QTimer m_guard;
    QString m_outputPath;
    std::optional<QString> m_saveFailure;
    std::optional<Result> m_result;
};
