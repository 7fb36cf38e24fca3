// lumetra-cli get, put and simulate, against simulated displays on pseudo-terminals.
#include "CliHarness.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <csignal>

using namespace CliHarness;

namespace {

// Unlike the factory defaults in every field a check looks at, and with a tail of its own.
SettingsImage customImage()
{
    SettingsImage image = factoryDefaultImage();
    image[ImageOffset::BaudRate] = 1;
    image[ImageOffset::CharType] = 35;
    image[ImageOffset::CommandMode] = 9;
    image[ImageOffset::Passthru] = 2;
    image[ImageOffset::Welcome1] = 0x00;
    image[ImageOffset::Welcome2 + 39] = 0xFF;
    const std::array<std::uint8_t, 6> record{0x7F, 0x80, 0x7F, 0x01, 0x40, 0x2A};
    std::copy(record.begin(), record.end(), image.begin() + ImageOffset::UserChars + 6 * 8);
    const std::array<std::uint8_t, 4> tail{0x01, 0x02, 0x03, 0x04};
    std::copy(tail.begin(), tail.end(), image.begin() + ImageOffset::Tail);
    return image;
}

} // namespace

class TestCliTransfers : public QObject, private ScratchFiles
{
    Q_OBJECT

private Q_SLOTS:
    void simulatorServesUntilStopped_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void simulatorServesUntilStopped()
    {
        QFETCH(int, signalNumber);
        const QString link = path(QStringLiteral("display-%1").arg(signalNumber));
        Simulator simulator;
        QVERIFY(simulator.start({"--link", link}));
        QVERIFY(simulator.device().startsWith("/dev/"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), simulator.device());

        ::kill(static_cast<pid_t>(simulator.process().processId()), signalNumber);
        QVERIFY(simulator.process().waitForFinished(5000));
        QCOMPARE(simulator.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.process().exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void getWritesTheDisplaysImage_data()
    {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<bool>("throughComName");
        QTest::newRow("9600") << "9600" << false;
        QTest::newRow("19200") << "19200" << false;
        QTest::newRow("Com3 mapped to the device") << "9600" << true;
    }

    void getWritesTheDisplaysImage()
    {
        QFETCH(QString, baud);
        QFETCH(bool, throughComName);

        const QString image = fileWith("display.vfd", bytesOf(customImage()));
        Simulator simulator;
        QVERIFY(simulator.start({"--image", image}));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LUMETRA_COM3", simulator.device());

        const QString output = path("got.vfd");
        QFile::remove(output);
        const Run run = runCli({"get", "--port", throughComName ? "com3" : simulator.device(), "--baud", baud,
                                "--output", output},
                               20000, environment);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, QStringLiteral("Upload OK!\n"));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(output), bytesOf(customImage()));
        QCOMPARE(simulator.stop(), 0);
        QVERIFY(simulator.log().contains("upload: sent 127 bytes"));
    }

    void putWritesTheFileIntoTheDisplay_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("whole image") << bytesOf(customImage()) << bytesOf(customImage());
        SettingsImage shortImage{};
        const QByteArray shortFile = QByteArray::fromHex("AA000100050002414243");
        std::copy(shortFile.begin(), shortFile.end(), shortImage.begin());
        QTest::newRow("short file, rest zero") << shortFile << bytesOf(shortImage);
    }

    void putWritesTheFileIntoTheDisplay()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);

        const QString saved = path("saved.vfd");
        QFile::remove(saved);
        Simulator simulator;
        QVERIFY(simulator.start({"--save", saved}));
        const Run run = runCli({"put", "--port", simulator.device(), fileWith("put.vfd", file)});
        QCOMPARE(run.out, simulator.device() + ": Download OK!\n");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(savedImage(saved), expected);
        QCOMPARE(simulator.stop(), 0);
    }

    void putToThreeDisplaysWithOneSilent()
    {
        Simulator first, silent, third;
        QVERIFY(first.start({"--save", path("first.vfd")}));
        QVERIFY(silent.start({"--fault", "silent"}));
        QVERIFY(third.start({"--save", path("third.vfd")}));

        QElapsedTimer clock;
        clock.start();
        const Run run =
            runCli({"put", "--port", first.device(), "--port", silent.device(), "--port", third.device(),
                    "--timeout-ms", "700", fileWith("three.vfd", bytesOf(customImage()))});
        QCOMPARE(run.out, QStringLiteral("%1: Download OK!\n%2: Download Time out\n%3: Download OK!\n")
                              .arg(first.device(), silent.device(), third.device()));
        QCOMPARE(run.exitCode, 1);
        // All at once: the silent display's time-out is waited out once, not per display.
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(savedImage(path("first.vfd")), bytesOf(customImage()));
        QCOMPARE(savedImage(path("third.vfd")), bytesOf(customImage()));
    }

    // Eight displays that each take half a second to answer take about as long as one.
    void putToEightDisplaysAtOnce()
    {
        std::array<Simulator, 8> displays;
        QStringList arguments{"put", fileWith("eight.vfd", bytesOf(customImage()))};
        QString expected;
        for (std::size_t i = 0; i < displays.size(); ++i) {
            QVERIFY(displays[i].start(
                {"--fault", "slow=500", "--save", path(QStringLiteral("eight-%1.vfd").arg(i))}));
            arguments << "--port" << displays[i].device();
            expected += displays[i].device() + ": Download OK!\n";
        }
        QElapsedTimer clock;
        clock.start();
        const Run run = runCli(arguments);
        QCOMPARE(run.out, expected);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        for (std::size_t i = 0; i < displays.size(); ++i)
            QCOMPARE(savedImage(path(QStringLiteral("eight-%1.vfd").arg(i))), bytesOf(customImage()));
    }

    void faultModes_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("silent get") << "silent"
                                    << "get"
                                    << "Upload Time out" << 1;
        QTest::newRow("silent put") << "silent"
                                    << "put"
                                    << "Download Time out" << 1;
        QTest::newRow("wrong-response put") << "wrong-response"
                                            << "put"
                                            << "Download chek Error" << 1;
        QTest::newRow("wrong-response get") << "wrong-response"
                                            << "get"
                                            << "Upload OK!" << 0;
        QTest::newRow("bad-header get") << "bad-header"
                                        << "get"
                                        << "Data1 Error" << 1;
        QTest::newRow("bad-header put") << "bad-header"
                                        << "put"
                                        << "Download OK!" << 0;
        QTest::newRow("short-reply get") << "short-reply"
                                         << "get"
                                         << "Upload Time out" << 1;
        QTest::newRow("bad-image get") << "bad-image"
                                       << "get"
                                       << "Data6 Error" << 1;
        QTest::newRow("slow within the time-out get") << "slow=150"
                                                      << "get"
                                                      << "Upload OK!" << 0;
        QTest::newRow("slow within the time-out put") << "slow=150"
                                                      << "put"
                                                      << "Download OK!" << 0;
        QTest::newRow("slow beyond the time-out get") << "slow=1500"
                                                      << "get"
                                                      << "Upload Time out" << 1;
        QTest::newRow("slow beyond the time-out put") << "slow=1500"
                                                      << "put"
                                                      << "Download Time out" << 1;
        QTest::newRow("none get") << "none"
                                  << "get"
                                  << "Upload OK!" << 0;
    }

    void faultModes()
    {
        QFETCH(QString, fault);
        QFETCH(QString, command);
        QFETCH(QString, message);
        QFETCH(int, exitCode);

        Simulator simulator;
        QVERIFY(simulator.start({"--fault", fault}));
        // What get finds there before: a failed get must leave it alone.
        const QByteArray before("earlier contents");
        const QString output = fileWith("fault-out.vfd", before);
        const QStringList arguments =
            command == "get"
                ? QStringList{"get", "--port", simulator.device(), "--timeout-ms", "600", "--output", output}
                : QStringList{"put",          "--port", simulator.device(),
                              "--timeout-ms", "600",    fileWith("fault-in.vfd", bytesOf(customImage()))};
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, exitCode);
        if (command == "put") {
            QCOMPARE(run.out, QStringLiteral("%1: %2\n").arg(simulator.device(), message));
            QCOMPARE(run.err, QString());
        } else if (exitCode == 0) {
            QCOMPARE(run.out, message + "\n");
            QCOMPARE(readFile(output), bytesOf(factoryDefaultImage()));
        } else {
            QCOMPARE(run.err, message + "\n");
            QVERIFY(run.out.isEmpty());
            QCOMPARE(readFile(output), before);
        }
    }

    void putSendsNothingForAFileThatFailsTheChecks()
    {
        Simulator simulator;
        QVERIFY(simulator.start({"--save", path("never.vfd")}));
        SettingsImage bad = customImage();
        bad[ImageOffset::UserChars + 6 * 4] = 0x10;
        const Run run = runCli({"put", "--port", simulator.device(), fileWith("bad.vfd", bytesOf(bad))});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("Data13 Error\n"));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(simulator.stop(), 0);
        QVERIFY2(!simulator.log().contains("download"), qPrintable(simulator.log()));
        QVERIFY(!QFileInfo::exists(path("never.vfd")));
    }

    void portsThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "/dev/lumetra-no-such-port"
                                 << "the device does not exist";
        QTest::newRow("not a serial port") << "/dev/null"
                                           << "Cannot open /dev/null";
        QTest::newRow("a regular file") << "regular"
                                        << "Cannot open";
        QTest::newRow("a folder") << "/tmp"
                                  << "Cannot open /tmp";
    }

    // put carries on with the other displays and reports each in its place.
    void portsThatCannotBeOpened()
    {
        QFETCH(QString, device);
        QFETCH(QString, reason);
        if (device == "regular")
            device = fileWith("regular", bytesOf(factoryDefaultImage()));

        const Run get = runCli({"get", "--port", device, "--output", path("never-got.vfd")});
        QVERIFY(get.finished);
        QCOMPARE(get.exitCode, 3);
        QVERIFY2(get.err.contains(reason), qPrintable(get.err));
        QVERIFY(!QFileInfo::exists(path("never-got.vfd")));

        Simulator simulator;
        QVERIFY(simulator.start());
        const Run put = runCli({"put", "--port", device, "--port", simulator.device(),
                                fileWith("ok.vfd", bytesOf(customImage()))});
        QVERIFY(put.finished);
        QCOMPARE(put.exitCode, 3);
        const QStringList lines = put.out.split('\n');
        QVERIFY2(lines.value(0).startsWith(device + ": ") && lines.value(0).contains(reason),
                 qPrintable(put.out));
        QCOMPARE(lines.value(1), simulator.device() + ": Download OK!");
        QCOMPARE(lines.size(), 3);
    }

    void comPortWithNothingMapped()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LUMETRA_COM8", "/dev/lumetra-no-such-port");
        const Run run = runCli({"get", "--port", "Com8", "--output", path("never.vfd")}, 20000, environment);
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("/dev/lumetra-no-such-port"), qPrintable(run.err));
    }

    void sameDisplayTwiceIsAUsageError()
    {
        Simulator simulator;
        QVERIFY(simulator.start({"--link", path("twice")}));
        const Run run = runCli({"put", "--port", simulator.device(), "--port", path("twice"),
                                fileWith("twice.vfd", bytesOf(customImage()))});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("named more than once"), qPrintable(run.err));
        QCOMPARE(simulator.stop(), 0);
        QVERIFY(!simulator.log().contains("download"));
    }

    void displayVanishesMidExchange_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("get") << "get";
        QTest::newRow("put") << "put";
    }

    void displayVanishesMidExchange()
    {
        QFETCH(QString, command);
        Simulator simulator;
        QVERIFY(simulator.start({"--fault", "slow=5000"}));
        const QStringList arguments =
            command == "get"
                ? QStringList{"get",  "--port",   simulator.device(),  "--timeout-ms",
                              "8000", "--output", path("vanished.vfd")}
                : QStringList{"put",          "--port", simulator.device(),
                              "--timeout-ms", "8000",   fileWith("vanish.vfd", bytesOf(customImage()))};
        QProcess cli;
        QVERIFY(startCli(cli, arguments));
        QTRY_VERIFY_WITH_TIMEOUT(simulator.log().contains(command == "get" ? "upload" : "download"), 5000);

        QElapsedTimer clock;
        clock.start();
        simulator.process().kill();
        QVERIFY(cli.waitForFinished(5000));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 3);
        const QString said = QString::fromLocal8Bit(cli.readAllStandardOutput() + cli.readAllStandardError());
        QVERIFY2(said.contains("stopped working"), qPrintable(said));
        QVERIFY(!QFileInfo::exists(path("vanished.vfd")));
    }

    void simulatorRefusesBadInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");

        QTest::newRow("missing image")
            << QStringList{"--image", "no-such.vfd"} << 3 << "No such file or directory";
        QTest::newRow("long image") << QStringList{"--image", "long.vfd"} << 1 << "holds 128 bytes";
        QTest::newRow("link over a file") << QStringList{"--link", "plain"} << 3 << "is not a symbolic link";
    }

    void simulatorRefusesBadInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);

        fileWith("long.vfd", QByteArray(128, '\0'));
        fileWith("plain", "keep me");
        QProcess simulator;
        simulator.setWorkingDirectory(m_dir.path());
        simulator.start(QStringLiteral(LUMETRA_CLI_PATH), QStringList{"simulate"} + arguments);
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitCode(), exitCode);
        QVERIFY(simulator.readAllStandardOutput().isEmpty());
        QVERIFY(QString::fromLocal8Bit(simulator.readAllStandardError()).contains(message));
        QCOMPARE(readFile(path("plain")), QByteArray("keep me"));
    }
};

QTEST_GUILESS_MAIN(TestCliTransfers)
#include "test_cli_transfers.moc"
