// Nothing is lost when a client dies or another writes: a client killed by SIGKILL while it writes
// its store leaves one whole, current state behind, and two clients writing at the same moments
// each hear once of every change of the other. The clients are this program, on the test's
// folders: "--client <mine> <theirs>" sets <mine>/key000..key199 to each number read from stdin
// and syncs ("synced <n>"), and reports <theirs>/key000 at each announcement ("told <value>").

#include "test_environment.h"

#include "services/settings_service.h"

#include <QProcess>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {
int client(const QString& mine, const QString& theirs)
{
    SettingsService store;
    QVariant value;
    const auto report = [](const QString& line) {
        std::printf("%s\n", qPrintable(line)), std::fflush(stdout);
    };
    QObject::connect(&store, &SettingsService::SettingsUpdated, [&]() {
        store.GetValue(value, QVariant(), theirs + "/key000");
        report("told " + value.toString());
    });
    QFile input; // unbuffered: what is not read yet wakes the notifier again
    input.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    QSocketNotifier stdinReady(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinReady, &QSocketNotifier::activated, [&]() {
        const QByteArray number = input.readLine().trimmed();
        for (int key = 0; key < 200 && !number.isEmpty(); ++key)
            store.SetValue(QVariant(), QString("%1/key%2").arg(mine).arg(key, 3, 10, QChar('0')),
                           number.toInt());
        number.isEmpty() ? QCoreApplication::quit()
                         : report(store.sync() ? "synced " + number : "failed");
    });
    store.GetValue(value, QVariant(), mine + "/key000"); // watched from now on
    report("ready");
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
    QStringList reports(const QString& word) // the values of its reports of one kind
    {
        while (canReadLine())
            lines << QString::fromLocal8Bit(readLine()).trimmed();
        return lines.filter(QRegularExpression('^' + word + "\\b"))
            .replaceInStrings(word + ' ', "");
    }
    bool waitFor(const QString& word, int count = 1)
    {
        while (reports(word).size() < count)
            if (!waitForReadyRead(10000))
                return false;
        return true;
    }
};

int g_kills = 0, g_rounds = 0;
} // namespace

class RobustDurabilityTest : public QObject
{
    Q_OBJECT
    const QString m_store = qEnvironmentVariable("XDG_CONFIG_HOME") + "/ekr_client/ekr_client.ini";

private slots:
    void killedWhileWritingLeavesAWholeStore()
    {
        // A writer killed while taking the lock leaves it empty behind; the first writer here must
        // not wait the 30 s that Qt gives it to age.
        QDir().mkpath(QFileInfo(m_store).path());
        QVERIFY(QFile(m_store + ".lock").open(QIODevice::WriteOnly));
        QRandomGenerator random(20240611);
        for (int onDisk = 0; g_kills < 50; ++g_kills) {
            Client client("generation");
            for (int number = onDisk + 1; number <= onDisk + 200; ++number)
                client.send(number);
            QVERIFY(client.waitFor("synced"));
            QTest::qWait(int(random.bounded(100))); // anywhere in set, write, report
            QThread::usleep(random.bounded(1000));
            client.kill();
            QVERIFY(client.waitForFinished() && client.exitStatus() == QProcess::CrashExit);
            const int reported = client.reports("synced").last().toInt();
            QSettings file(m_store, QSettings::IniFormat);
            file.beginGroup("generation");
            QStringList values; // the last number reported, or the one written after it
            for (const QString& key : file.childKeys())
                values << file.value(key).toString();
            onDisk = values.value(0).toInt();
            QVERIFY2((onDisk == reported || onDisk == reported + 1) &&
                         values.count(values[0]) == 200,
                     qPrintable(QString("kill %1 after %2: %3")
                                    .arg(g_kills)
                                    .arg(reported)
                                    .arg(values.join(' '))));
        }
    }

    // Two clients setting their keys at the same moments, so that one's save often merges the
    // other's change: each is told once of every change of the other, and neither loses a write.
    void twoWritersHearEachOther()
    {
        Client a("writer.a", "writer.b"), b("writer.b", "writer.a");
        QVERIFY(a.waitFor("ready") && b.waitFor("ready"));
        for (g_rounds = 1; g_rounds <= 30; ++g_rounds) {
            a.send(g_rounds), b.send(g_rounds);
            for (Client* client : {&a, &b}) // told once, of this round
                QVERIFY(client->waitFor("told", g_rounds) &&
                        client->reports("told").last() == QString::number(g_rounds));
        }
        for (Client* client : {&a, &b}) {
            client->closeWriteChannel();
            QVERIFY(client->waitForFinished() && client->exitCode() == 0 &&
                    client->reports("told").size() == 30);
        }
        const QSettings file(m_store, QSettings::IniFormat);
        QCOMPARE(file.value("writer.a/key199").toInt() + file.value("writer.b/key199").toInt(), 60);
    }

    void cleanupTestCase()
    {
        std::printf("durability: %d kills while writing, each store whole at one generation; %d "
                    "rounds of two writers, each told once of every change of the other\n",
                    g_kills, g_rounds - 1);
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--client") == 0) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName("ekr_client"); // its store is the client's
        return client(argv[2], argv[3]);
    }
    HermeticEnvironment environment;
    QApplication app(argc, argv);
    RobustDurabilityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_robust_durability.moc"
