#pragma once

#include "settings/SettingsImage.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Runs lumetra-cli as a separate process, the way a technician's script does.
namespace CliHarness {

struct Run
{
    bool finished = false; // ended by itself, within the time allowed
    int exitCode = -1;
    QString out;
    QString err;
};

inline Run runCli(const QStringList& arguments, int timeoutMs = 20000,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LUMETRA_CLI_PATH), arguments);
    Run run;
    if (!process.waitForStarted(5000))
        return run;
    run.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

inline QByteArray bytesOf(const SettingsImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Starts lumetra-cli without waiting for it to end, for tests that act while it runs.
inline bool startCli(QProcess& process, const QStringList& arguments)
{
    process.start(QStringLiteral(LUMETRA_CLI_PATH), arguments);
    return process.waitForStarted();
}

// Waits for a simulator to have saved an image, which it does once all of it has arrived; empty
// if it never did.
inline QByteArray savedImage(const QString& path)
{
    if (!QTest::qWaitFor([&path] { return QFileInfo(path).size() == qint64(kImageSize); }, 5000))
        return {};
    return readFile(path);
}

// A test's own folder for the files it hands to the program; a test class derives from it.
class ScratchFiles
{
protected:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString fileWith(const QString& name, const QByteArray& bytes)
    {
        const QString file = path(name);
        if (!writeFile(file, bytes))
            qWarning() << "cannot write" << file;
        return file;
    }
};

// `lumetra-cli simulate`, running until stopped; the device it serves is its first line.
class Simulator
{
public:
    // Starts it and waits for the device line; false if it did not come.
    bool start(const QStringList& arguments = {})
    {
        m_process = std::make_unique<QProcess>();
        m_process->start(QStringLiteral(LUMETRA_CLI_PATH),
                         QStringList{QStringLiteral("simulate")} + arguments);
        if (!m_process->waitForStarted(5000))
            return false;
        while (!m_process->canReadLine()) {
            if (!m_process->waitForReadyRead(5000))
                return false;
        }
        m_device = QString::fromLocal8Bit(m_process->readLine()).trimmed();
        return !m_device.isEmpty();
    }

    QString device() const { return m_device; }
    QProcess& process() { return *m_process; }

    // What it logged so far, as far as the event loop has taken it in.
    QString log()
    {
        m_log += QString::fromLocal8Bit(m_process->readAllStandardError());
        return m_log;
    }

    // Sends SIGTERM and returns the exit status, or -1 when it did not end normally.
    int stop()
    {
        if (!m_process || m_process->state() == QProcess::NotRunning)
            return -1;
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished();
            return -1;
        }
        log();
        return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
    }

    ~Simulator()
    {
        if (m_process && m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished();
        }
    }

private:
    std::unique_ptr<QProcess> m_process;
    QString m_device;
    QString m_log;
};

} // namespace CliHarness
