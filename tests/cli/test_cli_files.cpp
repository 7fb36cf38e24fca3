// lumetra-cli's command line and the commands that need no display: show, check, defaults.
#include "CliHarness.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace CliHarness;

namespace {

QByteArray withByte(QByteArray bytes, int offset, int value)
{
    bytes[offset] = static_cast<char>(value);
    return bytes;
}

} // namespace

class TestCliFiles : public QObject, private ScratchFiles
{
    Q_OBJECT

private Q_SLOTS:
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");

        QTest::newRow("nothing") << QStringList{} << "lumetra-cli: no command given";
        QTest::newRow("unknown command") << QStringList{"send"} << "lumetra-cli: unknown command 'send'";
        QTest::newRow("option before command")
            << QStringList{"--port", "x"} << "lumetra-cli: unknown option '--port'";
        QTest::newRow("unknown option")
            << QStringList{"check", "--fast", "a.vfd"} << "lumetra-cli check: unknown option '--fast'";
        QTest::newRow("short option")
            << QStringList{"check", "-x", "a.vfd"} << "lumetra-cli check: unknown option '-x'";
        QTest::newRow("option of another command")
            << QStringList{"show", "--port", "x", "a.vfd"} << "lumetra-cli show: unknown option '--port'";
        QTest::newRow("get without output")
            << QStringList{"get", "--port", "/dev/null"} << "lumetra-cli get: --output is required";
        QTest::newRow("get without port")
            << QStringList{"get", "--output", "a.vfd"} << "lumetra-cli get: --port is required";
        QTest::newRow("get from two ports")
            << QStringList{"get", "--port", "a", "--port", "b", "--output", "a.vfd"}
            << "lumetra-cli get: --port given more than once";
        QTest::newRow("put without file")
            << QStringList{"put", "--port", "x"} << "lumetra-cli put: FILE is missing";
        QTest::newRow("put without port")
            << QStringList{"put", "a.vfd"} << "lumetra-cli put: at least one --port is required";
        QTest::newRow("put two files") << QStringList{"put", "--port", "x", "a.vfd", "b.vfd"}
                                       << "lumetra-cli put: unexpected argument 'b.vfd'";
        QTest::newRow("baud 4800") << QStringList{"put", "--port", "x", "--baud", "4800", "a.vfd"}
                                   << "lumetra-cli put: --baud must be 9600 or 19200, not '4800'";
        QTest::newRow("baud twice") << QStringList{"put",         "--port",      "x",
                                                   "--baud=9600", "--baud=9600", "a.vfd"}
                                    << "lumetra-cli put: --baud given more than once";
        QTest::newRow("timeout zero")
            << QStringList{"put", "--port", "x", "--timeout-ms", "0", "a.vfd"}
            << "lumetra-cli put: --timeout-ms must be a whole number from 1 to 600000, not '0'";
        QTest::newRow("timeout signed")
            << QStringList{"put", "--port", "x", "--timeout-ms=+5", "a.vfd"}
            << "lumetra-cli put: --timeout-ms must be a whole number from 1 to 600000, not '+5'";
        QTest::newRow("value missing at the end")
            << QStringList{"defaults", "--output"} << "lumetra-cli defaults: --output needs a value";
        QTest::newRow("empty value") << QStringList{"defaults", "--output="}
                                     << "lumetra-cli defaults: --output needs a value";
        QTest::newRow("flag with a value")
            << QStringList{"show", "--json=yes", "a.vfd"} << "lumetra-cli show: --json takes no value";
        QTest::newRow("unknown fault")
            << QStringList{"simulate", "--fault", "loud"}
            << "lumetra-cli simulate: --fault must be none, silent, wrong-response, "
               "bad-header, short-reply, bad-image or slow=MS with MS from 0 to 60000, "
               "not 'loud'";
        QTest::newRow("slow too slow")
            << QStringList{"simulate", "--fault=slow=60001"}
            << "lumetra-cli simulate: --fault must be none, silent, wrong-response, "
               "bad-header, short-reply, bad-image or slow=MS with MS from 0 to 60000, "
               "not 'slow=60001'";
        QTest::newRow("pace zero")
            << QStringList{"simulate", "--pace", "0"}
            << "lumetra-cli simulate: --pace must be a whole number from 1 to 4000000, not '0'";
        QTest::newRow("version with more")
            << QStringList{"--version", "get"} << "lumetra-cli: unexpected argument 'get'";
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);

        const Run run = runCli(arguments);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        const QStringList lines = run.err.split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), message);
        QVERIFY2(lines.value(1).startsWith("Usage: lumetra-cli"), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }

    void helpAndVersion_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("start");

        QTest::newRow("general") << QStringList{"--help"} << "Usage: lumetra-cli COMMAND [OPTIONS]";
        QTest::newRow("put")
            << QStringList{"put", "--help"}
            << "Usage: lumetra-cli put --port DEVICE [--port DEVICE ...] [--baud 9600|19200] "
               "[--timeout-ms N] FILE";
        // Help wins over whatever else is wrong on the line.
        QTest::newRow("get with bad options")
            << QStringList{"get", "--baud", "1", "-h"} << "Usage: lumetra-cli get --port DEVICE";
        QTest::newRow("simulate") << QStringList{"simulate", "--help"}
                                  << "Usage: lumetra-cli simulate [--image FILE]";
        QTest::newRow("version") << QStringList{"--version"} << "lumetra-cli " LUMETRA_VERSION "\n";
    }

    void helpAndVersion()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, start);

        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith(start), qPrintable(run.out));
        QVERIFY(run.err.isEmpty());
    }

    void check_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        const QByteArray defaults = bytesOf(factoryDefaultImage());
        QTest::newRow("factory defaults") << defaults << 0 << "OK\n"
                                          << "";
        // As "Load" right after start: the rest of the image is zero, which passes.
        QTest::newRow("10-byte file") << QByteArray::fromHex("AA000100050002414243") << 0 << "OK\n"
                                      << "";
        QTest::newRow("empty file") << QByteArray() << 1 << ""
                                    << "Data2 Error\n";
        QTest::newRow("short file cut in a field") << QByteArray::fromHex("AA00") << 0 << "OK\n"
                                                   << "";
        QTest::newRow("character type 36") << withByte(defaults, 4, 36) << 1 << ""
                                           << "Data6 Error\n";
        QTest::newRow("command mode 0xFF") << withByte(defaults, 6, 0xFF) << 1 << ""
                                           << "Data8 Error\n";
        QTest::newRow("passthru 3") << withByte(defaults, 68, 3) << 1 << ""
                                    << "Data10 Error\n";
        QTest::newRow("user char code 0x80") << withByte(defaults, 69 + 6 * 8, 0x80) << 1 << ""
                                             << "Data13 Error\n";
        QTest::newRow("tail holds anything") << withByte(defaults, 126, 0xFF) << 0 << "OK\n"
                                             << "";
    }

    void check()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);

        const Run run = runCli({"check", fileWith("check.vfd", contents)});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        QCOMPARE(run.err, err);
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");

        QTest::newRow("missing") << "missing" << 3 << "No such file or directory";
        QTest::newRow("folder") << "folder" << 3 << "it is a folder, not a settings file";
        QTest::newRow("pipe with no writer") << "fifo" << 3 << "it is a pipe, not a settings file";
        QTest::newRow("device") << "device" << 3 << "it is a device, not a settings file";
        QTest::newRow("128 bytes") << "long" << 1 << "holds 128 bytes, and a settings file holds at most 127";
        QTest::newRow("unreadable") << "unreadable" << 3 << "Permission denied";
    }

    // Every command that reads a settings file meets them the same way, without hanging.
    void badFiles()
    {
        QFETCH(QString, kind);
        QFETCH(int, exitCode);
        QFETCH(QString, message);

        QString file = path(kind);
        if (kind == "folder")
            QVERIFY(QDir(m_dir.path()).mkpath(kind));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        else if (kind == "device")
            file = QStringLiteral("/dev/null");
        else if (kind == "long")
            fileWith(kind, bytesOf(factoryDefaultImage()) + QByteArray(1, '\0'));
        else if (kind == "unreadable") {
            if (::geteuid() == 0)
                QSKIP("root reads any file");
            fileWith(kind, bytesOf(factoryDefaultImage()));
            QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0), 0);
        }

        const QList<QStringList> commands{
            {"check", file}, {"show", file}, {"show", "--json", file}, {"put", "--port", "/dev/null", file}};
        for (const QStringList& command : commands) {
            const Run run = runCli(command, 10000);
            QVERIFY2(run.finished, qPrintable(command.join(' ')));
            QCOMPARE(run.exitCode, exitCode);
            QVERIFY2(run.err.contains(message), qPrintable(run.err));
            QVERIFY(run.err.contains(file));
            QVERIFY(run.out.isEmpty());
        }
    }

    void showText()
    {
        SettingsImage image = factoryDefaultImage();
        image[ImageOffset::UserChars] = 0x41;
        image[ImageOffset::UserChars + 1] = 0x7F;
        const Run run = runCli({"show", fileWith("show.vfd", bytesOf(image))});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        QVERIFY(
            run.out.startsWith("Character type: 0 USA/EUROPE(Default)\nCommand mode: 1 EPSON(Default)\n"));
        QVERIFY(
            run.out.contains("User-defined character 1: code 0x41 'A', columns 7F 00 00 00 00\n  #....\n"));
    }

    // The report comes first, whole; the fault follows on stderr.
    void showInvalidFile_data()
    {
        QTest::addColumn<bool>("json");
        QTest::newRow("text") << false;
        QTest::newRow("json") << true;
    }

    void showInvalidFile()
    {
        QFETCH(bool, json);
        const QByteArray bad = withByte(bytesOf(factoryDefaultImage()), 4, 36);
        QStringList arguments{"show", fileWith("bad.vfd", bad)};
        if (json)
            arguments << "--json";
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("Data6 Error\n"));
        if (json) {
            const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
            QCOMPARE(object.value("character_type").toObject(),
                     (QJsonObject{{"index", 36}, {"name", QJsonValue()}}));
        } else {
            QVERIFY(run.out.startsWith("Character type: 36 (no such entry)\n"));
        }
    }

    void showShortFileReadsTheRestAsZero()
    {
        const QString file = fileWith("short.vfd", QByteArray::fromHex("AA000100050002414243"));
        const Run run = runCli({"show", "--json", file});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("holds 10 of 127 bytes; the rest reads as zero"));
        const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(object.value("baud_rate").toObject().value("index").toInt(), 1);
        QCOMPARE(object.value("welcome1").toString(),
                 QStringLiteral("414243") + QString(34, QLatin1Char('0')));
        QCOMPARE(object.value("tail").toString(), QStringLiteral("00000000"));
    }

    void defaultsWritesTheFactoryImage()
    {
        const QString file = fileWith("defaults.vfd", "old contents");
        const Run run = runCli({"defaults", "--output", file});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(file), bytesOf(factoryDefaultImage()));
        QCOMPARE(runCli({"check", file}).out, QStringLiteral("OK\n"));
    }

    void defaultsCannotWrite_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("missing folder") << "no/such/folder/defaults.vfd";
        QTest::newRow("a folder") << "folder-target";
    }

    void defaultsCannotWrite()
    {
        QFETCH(QString, target);
        if (target == "folder-target")
            QVERIFY(QDir(m_dir.path()).mkpath(target));
        const Run run = runCli({"defaults", "--output", path(target)});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.startsWith("Cannot"), qPrintable(run.err));
        QVERIFY(run.err.contains(path(target)));
    }
};

QTEST_GUILESS_MAIN(TestCliFiles)
#include "test_cli_files.moc"
