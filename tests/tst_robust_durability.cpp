// Nothing is lost when the client dies: once the event loop has turned after
// Apply, every changed value is on disk; and a client killed while it writes
// its store leaves one whole, current state behind. The client runs as a child
// with folders of its own and dies by SIGKILL, so no destructor gets to write.

#include "test_environment.h"

#include "services/settings_service.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QThread>

#include <cstdio>

namespace {
// Where each widget of the dialog is stored; "%1" is the account.
const QMap<QString, QString> kStoredAs = {
    {"chkAutoLogin", "ekr.account.%1/autologin"},
    {"chkSoundFinish", "ekr.account.%1/soundfinish"},
    {"chkPopupFinish", "ekr.account.%1/popupfinish"},
    {"chkAutoDownload", "ekr.account.%1/autodownload"},
    {"chkInterruptSubmit", "ekr.account.%1/interruptsubmit"},
    {"chkPrerender", "ekr.account.%1/prerender"},
    {"spbSubTask", "ekr.account.%1/subtask"},
    {"cmbPool", "ekr.account.%1/poolid"},
    {"lneSavePath", "ekr.account.%1/renderoutput"},
    {"lneMonitorPath", "ekr.account.%1/monitorpath"},
    {"chkEnableRenderLayer", "ekr.general/renderlayer"},
    {"chkEnableAutoUploadFailedFiles", "ekr.general/uploadfailedfilesautomatically"},
    {"chkUploadSceneFileOnly", "ekr.general/scenefileonly"}};

QString storePath()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/ekr_client/ekr_client.ini";
}

// The child reports on stdout, a line per report, its words separated by tabs.
struct Child
{
    QProcess process;
    QStringList lines;
    // It shares HOME and the XDG folders this test was given.
    explicit Child(const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_LOGGING_RULES", "*.debug=false;*.info=false"); // warnings still come
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(EKR_DURABILITY_CHILD, arguments);
    }
    ~Child() { kill(); }
    bool waitFor(const QString& word, int timeoutMs, int count = 1)
    {
        while (reports(word).size() < count) {
            if (!process.waitForReadyRead(timeoutMs))
                return false;
        }
        return true;
    }
    // True when it was still running and our SIGKILL ended it.
    bool kill()
    {
        const bool running = process.state() == QProcess::Running;
        process.kill();
        return process.waitForFinished(30000) && running &&
               process.exitStatus() == QProcess::CrashExit;
    }
    QList<QStringList> reports(const QString& word)
    {
        while (process.canReadLine())
            lines << QString::fromLocal8Bit(process.readLine()).trimmed();
        QList<QStringList> found;
        for (const QString& line : qAsConst(lines)) {
            if (line.section('\t', 0, 0) == word)
                found << line.split('\t').mid(1);
        }
        return found;
    }
};

int g_appliedRuns = 0, g_valuesFound = 0, g_kills = 0;
qint64 g_newestGeneration = 0;
} // namespace

class RobustDurabilityTest : public QObject
{
    Q_OBJECT

private slots:
    void appliedValuesSurviveAKill_data()
    {
        QTest::addColumn<QStringList>("widgets");
        QTest::newRow("one check box") << QStringList{"chkSoundFinish"};
        QTest::newRow("the general page") << QStringList{
            "chkEnableRenderLayer", "chkEnableAutoUploadFailedFiles", "chkUploadSceneFileOnly"};
        QTest::newRow("every page") << QStringList(kStoredAs.keys());
    }
    void appliedValuesSurviveAKill()
    {
        QFETCH(QStringList, widgets);
        Child child(QStringList{"apply"} + widgets);
        QVERIFY2(child.waitFor("applied", 90000), qPrintable(child.lines.join('|')));
        QVERIFY(child.kill()); // still running: nothing was written on the way out

        const QString account = child.reports("account").value(0).value(0);
        const QList<QStringList> changes = child.reports("changed");
        QCOMPARE(changes.size(), widgets.size());
        SettingsService store(storePath());
        for (const QStringList& change : changes) {
            const QString key = QString(kStoredAs.value(change[0])).replace("%1", account);
            QVariant stored;
            store.GetValue(stored, QVariant(), key);
            QCOMPARE(stored.toString() + " in " + key, change[2] + " in " + key);
            ++g_valuesFound;
        }
        ++g_appliedRuns;
    }

    void killedWhileWritingLeavesAWholeStore()
    {
        const QString path = storePath();
        // A writer killed while taking the lock leaves it empty behind; the
        // first writer here must not wait the 30 s Qt gives it to age.
        QDir().mkpath(QFileInfo(path).path());
        QVERIFY(QFile(path + ".lock").open(QIODevice::WriteOnly));

        QRandomGenerator random(20240611);
        qint64 onDisk = 0;
        for (int kill = 1; kill <= 50; ++kill) {
            Child child({"generations"});
            QVERIFY2(child.waitFor("synced", 10000), qPrintable(QString::number(kill)));
            QTest::qWait(int(random.bounded(100))); // anywhere in set, write, report
            QThread::usleep(random.bounded(1000));
            QVERIFY(child.kill());
            const QList<QStringList> synced = child.reports("synced");
            const qint64 reported = synced.last().value(0).toLongLong();
            const QByteArray where =
                "kill " + QByteArray::number(kill) + ", reported " + QByteArray::number(reported);
            QVERIFY2(synced.first().value(0).toLongLong() == onDisk + 1, where);

            QSettings file(path, QSettings::IniFormat);
            QVERIFY2(QFileInfo::exists(path) && file.status() == QSettings::NoError, where);
            file.beginGroup("generation");
            const QStringList keys = file.childKeys();
            QVERIFY2(keys.size() == 200, where);
            const qint64 generation = file.value(keys.first()).toLongLong();
            for (const QString& key : keys)
                QVERIFY2(file.value(key).toLongLong() == generation, where);
            // The last one reported, or the one written after it.
            QVERIFY2(generation == reported || generation == reported + 1, where);
            onDisk = g_newestGeneration = generation;
            ++g_kills;
        }
    }

    // Two clients setting a key each at the same moments, so that one's save
    // often merges the other's change: each is told once of every change of
    // the other, and neither loses a write.
    void twoWritersHearEachOther()
    {
        Child a({"rounds", "writer.a/round", "writer.b/round"});
        Child b({"rounds", "writer.b/round", "writer.a/round"});
        QVERIFY(a.waitFor("ready", 30000) && b.waitFor("ready", 30000));
        const int rounds = 30;
        for (int round = 1; round <= rounds; ++round) {
            for (Child* child : {&a, &b}) {
                child->process.write(QByteArray::number(round) + '\n');
                child->process.waitForBytesWritten(1000);
            }
            for (Child* child : {&a, &b}) // told once, of this round
                QVERIFY(child->waitFor("told", 5000, round) &&
                        child->reports("told").last() == QStringList{QString::number(round)});
        }
        for (Child* child : {&a, &b}) {
            child->process.closeWriteChannel();
            QVERIFY(child->process.waitForFinished(10000) && child->process.exitCode() == 0);
            QCOMPARE(child->reports("told").size(), rounds);
        }
        QSettings file(storePath(), QSettings::IniFormat);
        QCOMPARE(file.value("writer.a/round").toInt(), rounds);
        QCOMPARE(file.value("writer.b/round").toInt(), rounds);
    }

    void cleanupTestCase()
    {
        std::printf("durability: %d values applied in %d runs, every one on disk after a kill\n"
                    "durability: %d kills at random moments while writing, each store read back "
                    "whole at one generation; %lld generations written in all\n",
                    g_valuesFound, g_appliedRuns, g_kills, g_newestGeneration);
        std::fflush(stdout);
    }
};

EKR_TEST_MAIN(RobustDurabilityTest)
#include "tst_robust_durability.moc"
