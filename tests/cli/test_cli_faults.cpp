// lumetra-cli against displays that fail: put to eight ports of which half fail each in its own
// way, and a display that goes away while its reply is still on the line.
#include "CliHarness.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <array>

using namespace CliHarness;

namespace {

SettingsImage customImage()
{
    SettingsImage image = factoryDefaultImage();
    image[ImageOffset::CharType] = 17;
    image[ImageOffset::CommandMode] = 5;
    image[ImageOffset::Welcome2 + 3] = 0x7E;
    image[ImageOffset::Tail + 2] = 0x5A;
    return image;
}

} // namespace

class TestCliFaults : public QObject, private ScratchFiles
{
    Q_OBJECT

private Q_SLOTS:
    void putToEightPortsWithHalfFailing()
    {
        constexpr int kTimeoutMs = 700;
        const QString file = path(QStringLiteral("eight.vfd"));
        QVERIFY(writeFile(file, bytesOf(customImage())));
        const QString notAPort = path(QStringLiteral("not-a-port"));
        QVERIFY(writeFile(notAPort, "plain text"));
        const QString missing = QStringLiteral("/dev/lumetra-no-such-port");

        std::array<Simulator, 4> good;
        for (std::size_t i = 0; i < good.size(); ++i)
            QVERIFY(good[i].start({"--save", path(QStringLiteral("good-%1.vfd").arg(i))}));
        Simulator silent, wrong;
        QVERIFY(silent.start({"--fault", "silent"}));
        QVERIFY(wrong.start({"--fault", "wrong-response"}));

        // Good and failing in turn, so that each line must wait for the one before it.
        const QStringList ports{good[0].device(), silent.device(), good[1].device(), missing,
                                good[2].device(), wrong.device(),  good[3].device(), notAPort};
        QStringList arguments{"put", "--timeout-ms", QString::number(kTimeoutMs), file};
        for (const QString& port : ports)
            arguments << "--port" << port;

        QElapsedTimer clock;
        clock.start();
        const Run run = runCli(arguments);
        const qint64 elapsedMs = clock.elapsed();
        QVERIFY(run.finished);
        qInfo("put to eight ports, four failing, --timeout-ms %d: %lld ms, exit %d", kTimeoutMs,
              static_cast<long long>(elapsedMs), run.exitCode);

        QStringList lines = run.out.split('\n');
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines.size(), 8);
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(lines[i].startsWith(ports[i] + QStringLiteral(": ")), qPrintable(run.out));
        for (const int i : {0, 2, 4, 6})
            QCOMPARE(lines[i], ports[i] + QStringLiteral(": Download OK!"));
        QCOMPARE(lines[1], silent.device() + QStringLiteral(": Download Time out"));
        QCOMPARE(lines[3], missing + QStringLiteral(": Cannot open ") + missing +
                               QStringLiteral(": the device does not exist."));
        QCOMPARE(lines[5], wrong.device() + QStringLiteral(": Download chek Error"));
        QVERIFY2(lines[7].startsWith(notAPort + QStringLiteral(": Cannot open ") + notAPort +
                                     QStringLiteral(": ")),
                 qPrintable(lines[7]));
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 3);
        // All at once: one time-out is waited out, not one per display.
        QVERIFY2(elapsedMs < kTimeoutMs + 1500, qPrintable(QString::number(elapsedMs)));

        for (std::size_t i = 0; i < good.size(); ++i)
            QCOMPARE(savedImage(path(QStringLiteral("good-%1.vfd").arg(i))), bytesOf(customImage()));
        QCOMPARE(readFile(notAPort), QByteArray("plain text"));
        QCOMPARE(silent.stop(), 0);
        QCOMPARE(wrong.stop(), 0);
        QVERIFY2(!wrong.log().contains(QStringLiteral("accepted")), qPrintable(wrong.log()));
    }

    // The display takes the request and starts its reply at 600 baud, 127 bytes in about two
    // seconds, and is killed a third of the way through.
    void displayKilledWhileItsReplyIsOnTheLine()
    {
        Simulator simulator;
        QVERIFY(simulator.start({"--pace", "600"}));
        const QString output = path(QStringLiteral("half.vfd"));
        QProcess cli;
        QVERIFY(
            startCli(cli, {"get", "--port", simulator.device(), "--timeout-ms", "8000", "--output", output}));
        QTRY_VERIFY_WITH_TIMEOUT(simulator.log().contains(QStringLiteral("upload: sent 127 bytes")), 5000);
        QTest::qWait(700);
        QCOMPARE(cli.state(), QProcess::Running);

        QElapsedTimer clock;
        clock.start();
        simulator.process().kill();
        QVERIFY(cli.waitForFinished(5000));
        const qint64 endedMs = clock.elapsed();
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 3);
        const QString said = QString::fromLocal8Bit(cli.readAllStandardError());
        QVERIFY(cli.readAllStandardOutput().isEmpty());
        QVERIFY2(said.contains(simulator.device()) && said.contains(QStringLiteral("stopped working")),
                 qPrintable(said));
        QVERIFY(!QFileInfo::exists(output));
        qInfo("get from a display killed mid-reply: ended %lld ms after the kill with: %s",
              static_cast<long long>(endedMs), qPrintable(said.trimmed()));
        QVERIFY2(endedMs < 3000, qPrintable(QString::number(endedMs)));
    }
};

QTEST_GUILESS_MAIN(TestCliFaults)
#include "test_cli_faults.moc"
