// Nothing is lost when the client dies: once the event loop has turned after
// Apply, every changed value is on disk; and a client killed while it writes
// its store leaves one whole state behind, never a broken or empty file.
//
// The client runs as a child process with folders of its own and is killed
// with SIGKILL, so that no destructor and no later event gets to write.

#include "test_environment.h"

#include "services/settings_service.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QThread>

#include <cstdio>

namespace {
const int kKills = 50;
const int kGenerationKeys = 200;
const int kStartTimeoutMs = 90000;
// Far below the 30 s after which Qt takes a lock without an owner for abandoned.
const int kWriterStartMs = 10000;

// What each widget of the dialog is stored as ("%1": the account).
const struct
{
    const char* widget;
    const char* key;
} kStoredAs[] = {
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
    {"chkUploadSceneFileOnly", "ekr.general/scenefileonly"},
};

QString storedAs(const QString& widget, const QString& account)
{
    for (const auto& entry : kStoredAs) {
        if (widget == QLatin1String(entry.widget))
            return QString::fromLatin1(entry.key).replace(QLatin1String("%1"), account);
    }
    return QString();
}

// HOME, the XDG folders and the registry of one client, kept across its
// restarts.
class ClientFolders
{
public:
    ClientFolders() : m_environment(QProcessEnvironment::systemEnvironment())
    {
        const struct
        {
            const char* variable;
            const char* folder;
        } folders[] = {{"HOME", "home"},
                       {"XDG_CONFIG_HOME", "config"},
                       {"XDG_DATA_HOME", "data"},
                       {"XDG_CACHE_HOME", "cache"},
                       {"XDG_RUNTIME_DIR", "runtime"},
                       {"EKR_REGISTRY_ROOT", "registry"}};
        for (const auto& folder : folders) {
            const QString path = m_root.path() + QLatin1Char('/') + QLatin1String(folder.folder);
            QDir().mkpath(path);
            m_environment.insert(QLatin1String(folder.variable), path);
        }
        QFile::setPermissions(m_root.path() + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Its warnings and errors still come through.
        m_environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                             QStringLiteral("*.debug=false;*.info=false"));
    }
    QProcessEnvironment environment() const { return m_environment; }
    QString storePath() const
    {
        return m_root.path() + QStringLiteral("/config/ekr_client/ekr_client.ini");
    }

private:
    QTemporaryDir m_root;
    QProcessEnvironment m_environment;
};

class Child
{
public:
    Child(const ClientFolders& folders, const QStringList& arguments)
    {
        m_process.setProcessEnvironment(folders.environment());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(EKR_DURABILITY_CHILD), arguments);
    }
    // The process ends with it, whatever way the test ends.
    ~Child() { kill(); }

    // True once a line starting with prefix has come.
    bool waitForLine(const QString& prefix, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            read();
            for (const QString& line : qAsConst(m_lines)) {
                if (line.startsWith(prefix))
                    return true;
            }
            if (clock.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(100);
        }
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(30000);
        read();
    }
    bool killed() const { return m_process.exitStatus() == QProcess::CrashExit; }
    QStringList lines()
    {
        read();
        return m_lines;
    }
    // The words of every line that starts with word.
    QList<QStringList> reports(const QString& word)
    {
        QList<QStringList> found;
        for (const QString& line : lines()) {
            QStringList words = line.split(QLatin1Char('\t'));
            if (words.first() == word)
                found.append(words.mid(1));
        }
        return found;
    }

private:
    void read()
    {
        m_pending += m_process.readAllStandardOutput();
        int end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            m_lines << QString::fromLocal8Bit(m_pending.left(end));
            m_pending.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
};

struct Figures
{
    int appliedRuns = 0;
    int valuesFound = 0;
    int kills = 0;
    qint64 newestGeneration = 0;
} g_figures;
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
        QStringList everything;
        for (const auto& entry : kStoredAs)
            everything << QString::fromLatin1(entry.widget);
        QTest::newRow("every page") << everything;
    }
    void appliedValuesSurviveAKill()
    {
        QFETCH(QStringList, widgets);
        ClientFolders folders;
        Child child(folders, QStringList{"apply"} + widgets);
        QVERIFY2(child.waitForLine(QStringLiteral("applied"), kStartTimeoutMs),
                 qPrintable(child.lines().join(QLatin1Char('|'))));
        QVERIFY(child.running()); // nothing was written on the way out
        child.kill();
        QVERIFY(child.killed());

        const QList<QStringList> accounts = child.reports(QStringLiteral("account"));
        QCOMPARE(accounts.size(), 1);
        const QString account = accounts.first().value(0);
        const QList<QStringList> changes = child.reports(QStringLiteral("changed"));
        QCOMPARE(changes.size(), widgets.size());

        SettingsService store(folders.storePath());
        for (const QStringList& change : changes) {
            QCOMPARE(change.size(), 3);
            const QString widget = change.at(0);
            const QString key = storedAs(widget, account);
            QVERIFY2(!key.isEmpty(), qPrintable(widget));
            QVERIFY2(change.at(1) != change.at(2), qPrintable(widget + " did not change"));
            QVariant stored;
            store.GetValue(stored, QVariant(), key);
            QVERIFY2(stored.toString() == change.at(2),
                     qPrintable(QStringLiteral("%1: %2 on disk, %3 applied")
                                    .arg(key, stored.toString(), change.at(2))));
            ++g_figures.valuesFound;
        }
        ++g_figures.appliedRuns;
    }

    void killedWhileWritingLeavesAWholeStore()
    {
        ClientFolders folders;
        const QString path = folders.storePath();
        // The first writer finds the lock that a writer killed while taking
        // it leaves behind: an empty file. Qt would wait 30 s for it to age.
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile abandonedLock(path + QStringLiteral(".lock"));
        QVERIFY(abandonedLock.open(QIODevice::WriteOnly));
        abandonedLock.close();

        QRandomGenerator random(20240611);
        qint64 onDisk = 0;
        for (int kill = 1; kill <= kKills; ++kill) {
            const auto where = [kill](const QString& what) {
                return QStringLiteral("kill %1: %2").arg(kill).arg(what);
            };
            Child child(folders, {QStringLiteral("generations")});
            QVERIFY2(
                child.waitForLine(QStringLiteral("synced"), kWriterStartMs),
                qPrintable(where(
                    QStringLiteral("the writer did not write within %1 ms").arg(kWriterStartMs))));
            // Anywhere in the cycle of setting, writing and reporting.
            QTest::qWait(int(random.bounded(100)));
            QThread::usleep(random.bounded(1000));
            child.kill();
            QVERIFY(child.killed());
            const QList<QStringList> synced = child.reports(QStringLiteral("synced"));
            const qint64 reported = synced.last().value(0).toLongLong();
            QVERIFY2(
                synced.first().value(0).toLongLong() == onDisk + 1,
                qPrintable(where(
                    QStringLiteral("the writer did not go on from generation %1").arg(onDisk))));

            QVERIFY2(QFileInfo::exists(path), qPrintable(where(QStringLiteral("no store"))));
            QSettings file(path, QSettings::IniFormat);
            QVERIFY2(file.status() == QSettings::NoError,
                     qPrintable(where(QStringLiteral("status %1").arg(file.status()))));
            file.beginGroup(QStringLiteral("generation"));
            const QStringList keys = file.childKeys();
            QVERIFY2(keys.size() == kGenerationKeys,
                     qPrintable(where(
                         QStringLiteral("%1 keys of %2").arg(keys.size()).arg(kGenerationKeys))));
            const qint64 generation = file.value(keys.first()).toLongLong();
            for (const QString& key : keys)
                QVERIFY2(file.value(key).toLongLong() == generation,
                         qPrintable(where(QStringLiteral("%1 is %2, %3 is %4")
                                              .arg(keys.first())
                                              .arg(generation)
                                              .arg(key, file.value(key).toString()))));
            // The last one reported, or the one written after it.
            QVERIFY2(generation == reported || generation == reported + 1,
                     qPrintable(where(QStringLiteral("generation %1 on disk, %2 reported")
                                          .arg(generation)
                                          .arg(reported))));
            onDisk = generation;
            ++g_figures.kills;
            g_figures.newestGeneration = generation;
        }
    }

    void cleanupTestCase()
    {
        std::printf("durability: %d values applied in %d runs, every one on disk after a kill\n",
                    g_figures.valuesFound, g_figures.appliedRuns);
        std::printf("durability: %d kills at random moments while writing, each store read back "
                    "whole at one generation; %lld generations written in all\n",
                    g_figures.kills, g_figures.newestGeneration);
        std::fflush(stdout);
    }
};

EKR_TEST_MAIN(RobustDurabilityTest)
#include "tst_robust_durability.moc"
