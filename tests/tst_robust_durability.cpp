// Nothing is lost when a client dies or another writes. The clients are this program: "--client
// <mine> <theirs>" sets <mine>/key000..key199 to each number read from stdin and syncs ("synced
// <n>"), and reports <theirs>/key000 at each announcement ("told <value>").

#include "test_environment.h"

#include "services/settings_service.h"

#include <QProcess>
#include <QSocketNotifier>

#include <cstdio>

namespace {
int client(int argc, char** argv, const QString& mine, const QString& theirs)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("ekr_client"); // its store is the client's
    setvbuf(stdout, nullptr, _IOLBF, 0);                // each report as it is made
    SettingsService store;
    QVariant value;
    QObject::connect(&store, &SettingsService::SettingsUpdated, [&]() {
        store.GetValue(value, QVariant(), theirs + "/key000");
        std::printf("told %s\n", qPrintable(value.toString()));
    });
    QFile input; // unbuffered: what is not read yet wakes the notifier again
    input.open(fileno(stdin), QIODevice::ReadOnly | QIODevice::Unbuffered);
    QSocketNotifier stdinReady(input.handle(), QSocketNotifier::Read);
    QObject::connect(&stdinReady, &QSocketNotifier::activated, [&]() {
        const QByteArray number = input.readLine().trimmed();
        for (int key = 0; key < 200 && !number.isEmpty(); ++key)
            store.SetValue(QVariant(), mine + QString::asprintf("/key%03d", key), number.toInt());
        number.isEmpty()
            ? QCoreApplication::quit()
            : void(std::printf(store.sync() ? "synced %s\n" : "failed %s\n", number.data()));
    });
    store.GetValue(value, QVariant(), mine + "/key000"); // watched from now on
    std::printf("ready\n");
    return QCoreApplication::exec();
}

struct Client : QProcess
{
    QStringList lines;
    explicit Client(const QString& mine, const QString& theirs = "none")
    {
        setProcessChannelMode(QProcess::ForwardedErrorChannel); // a sanitizer's report too
        start(QCoreApplication::applicationFilePath(), {"--client", mine, theirs});
    }
    ~Client() override { kill(), waitForFinished(); }
    void send(int number) { write(QByteArray::number(number) + '\n'), waitForBytesWritten(); }
    // The values of its reports of one kind, once there are count of them (or 10 s have passed).
    QStringList reports(const QString& word, int count = 0)
    {
        while (canReadLine() || (lines.filter(word).size() < count && waitForReadyRead(10000)))
            if (canReadLine())
                lines << QString::fromLocal8Bit(readLine()).trimmed();
        return lines.filter(QRegularExpression('^' + word + "\\b"))
            .replaceInStrings(word + ' ', "");
    }
};

int g_kills = 0;
} // namespace

class RobustDurabilityTest : public QObject
{
    Q_OBJECT
    const QString m_store = qEnvironmentVariable("XDG_CONFIG_HOME") + "/ekr_client/ekr_client.ini";

private slots:
    void killedWhileWritingLeavesAWholeStore()
    {
        // Killed by SIGKILL while writing, a client leaves one whole, current store behind. A lock
        // left empty by a writer killed while taking it does not hold the first writer here.
        QVERIFY(QDir().mkpath(QFileInfo(m_store).path()) &&
                QFile(m_store + ".lock").open(QIODevice::WriteOnly));
        QRandomGenerator random(20240611);
        for (int onDisk = 0; g_kills < 50; ++g_kills) {
            Client client("generation");
            for (int number = onDisk + 1; number <= onDisk + 200; ++number)
                client.send(number);
            QVERIFY(!client.reports("synced", 1).isEmpty());
            QTest::qWait(int(random.bounded(100))); // anywhere in set, write, report
            QThread::usleep(random.bounded(1000));
            client.kill();
            QVERIFY(client.waitForFinished() && client.exitStatus() == QProcess::CrashExit);
            const int reported = client.reports("synced").last().toInt();
            const QSettings file(m_store, QSettings::IniFormat);
            QStringList values; // all 200 the last number reported, or the one written after it
            for (const QString& key : file.allKeys())
                values << file.value(key).toString();
            onDisk = values.value(0).toInt();
            QVERIFY2(onDisk - reported <= 1 && onDisk >= reported && values.size() == 200 &&
                         values.count(values[0]) == 200,
                     qPrintable(QString::number(reported) + " reported: " + values.join(' ')));
        }
    }

    // Two clients setting their keys at the same moments, so that one's save often merges the
    // other's change: each is told once of every change of the other, and neither loses a write.
    void twoWritersHearEachOther()
    {
        Client a("writer.a", "writer.b"), b("writer.b", "writer.a");
        QVERIFY(a.reports("ready", 1).size() + b.reports("ready", 1).size() == 2);
        for (int round = 1; round <= 30; ++round) {
            a.send(round), b.send(round);
            for (Client* client : {&a, &b}) // told once, of this round
                QCOMPARE(client->reports("told", round).value(round - 1, "none"),
                         QString::number(round));
        }
        for (Client* client : {&a, &b}) {
            client->closeWriteChannel();
            QVERIFY(client->waitForFinished() && client->exitCode() == 0 &&
                    client->reports("told").size() == 30);
        }
        const QSettings file(m_store, QSettings::IniFormat);
        QCOMPARE(file.value("writer.a/key199").toInt() + file.value("writer.b/key199").toInt(), 60);
        std::printf("durability: %d kills while writing, each store whole at one generation; 30 "
                    "rounds of two writers, each told once of every change of the other\n",
                    g_kills);
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--client") == 0)
        return client(argc, argv, argv[2], argv[3]);
    HermeticEnvironment environment;
    QApplication app(argc, argv);
    RobustDurabilityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_robust_durability.moc"
