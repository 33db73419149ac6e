// The host services on their own, with real widgets, folders and files: what each hands the
// component and the host, and how the settings store copes with files it cannot write or parse,
// with clients killed while writing and with another writer ("durability", run as a test of its
// own). The clients are this program: "--client <mine> <theirs>" sets <mine>/key000..key199 to
// each number read from stdin and syncs ("synced <n>"), and reports <theirs>/key000 at each
// announcement ("told <value>").

#include "test_environment.h"

#include "client_host.h"
#include "services/communication_service.h"
#include "services/filewatcher_service.h"
#include "services/logger_service.h"
#include "services/messagebox_service.h"
#include "services/settings_service.h"
#include "services/uiloader_service.h"

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSocketNotifier>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
auto put = [](QString path, QByteArray bytes) { // at once, as another client writes
    QSaveFile f(path);
    return f.open(QFile::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
};

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

class HostServicesTest : public QObject
{
    Q_OBJECT

private slots:
    // Titled as the client, buttons ordered by name, the last the default; answers the one pressed.
    void messageBoxAnswersWithTheButtonsName()
    {
        QString seen, clicked = "stale";
        QObject guard;
        answerNextModal<QMessageBox>(&guard, [&](QMessageBox* box) {
            seen = box->windowTitle() + ' ' + box->text() + QString::number(box->icon());
            seen += box->defaultButton()->text();
            for (QAbstractButton* button : box->buttons())
                seen += ' ' + button->objectName() + '=' + button->text();
            box->buttons().value(0)->click();
        });
        MessageBoxService().ShowMessage(clicked, QMessageBox::Question, "", "", QIcon(), "Update?",
                                        {{"btnMessageBox_2", "Ok"}, {"btnMessageBox_1", "No"}},
                                        true);
        QCOMPARE(seen, "tst_host_services Update?4Ok btnMessageBox_1=No btnMessageBox_2=Ok");
        QCOMPARE(clicked, "btnMessageBox_1");
    }

    // Folders watched while running, as set at the last (re)start; none once the host releases it.
    void fileWatcherFollowsTheFolders()
    {
        FileWatcherService watcher;
        QVariant handle;
        QTemporaryDir first, second;
        QSignalSpy changes(&watcher, SIGNAL(FolderChanged(QString)));
        QVERIFY(watcher.RestartWatching() == -3 && // not running yet
                watcher.SetWatchPaths({first.path(), "/no/such/folder"}) == 0);
        QVERIFY(watcher.Initialize({}) == 0 && watcher.Start(handle, {}) == 0 &&
                put(first.filePath("scene.max"), "scene"));
        QTRY_COMPARE(changes.value(0).value(0).toString(), first.path());
        watcher.SetWatchPaths({second.path()});
        QCOMPARE(watcher.watchedNow(), QStringList{first.path()}); // until restarted
        QVERIFY(watcher.RestartWatching() == 0 && watcher.watchedNow().join("") == second.path());
        QVERIFY(watcher.Stop(handle) == 0 && watcher.watchedNow().isEmpty());
        QVERIFY(watcher.Start(handle, {}) == 0 && watcher.Initialize({}) == 0); // a plugin's too
        watcher.release();
        QVERIFY(watcher.watchedNow().isEmpty() && watcher.Query(handle) == -3);
    }

    // A log line per message (time first), in the file given or the default. Trees by plain name
    // only; handed out again, the earlier is hidden at once, deleted later; all go at the end.
    void loggerAndUiLoaderOnTheirOwn()
    {
        QTemporaryDir folder;
        LoggerService logger(folder.filePath("logs/client.log"));
        QVERIFY(LoggerService().filePath().endsWith("DATA_HOME/tst_host_services/ekr_client.log") &&
                logger.Initialize({}) == 0);
        logger.write(QtWarningMsg, QMessageLogContext("a.cpp", 1, "f", "ekr.test"), "careful");
        QVERIFY(logger.Uninitialize() == 0); // released: what comes later is not written
        logger.write(QtWarningMsg, QMessageLogContext("a.cpp", 2, "f", "ekr.test"), "too late");
        QCOMPARE(contents(logger.filePath()).mid(23), " [warning] ekr.test: careful\n");
        const QString name = "com.ekr.configuration";
        UiLoaderService loader;
        QVERIFY(!loader.LoadUi("../ui/" + name, nullptr) && !loader.LoadUi("none", nullptr));
        QPointer<QWidget> first = loader.LoadUi(name, nullptr), second;
        first->show();
        second = loader.LoadUi(name, nullptr);
        QVERIFY(first && !first->isVisible() && loader.tree(name) == second);
        QTRY_VERIFY(!first);
        QVERIFY(loader.Initialize({}) == 0 && loader.Uninitialize() == 0 && !second);
        second = UiLoaderService().LoadUi(name, nullptr); // a loader going takes its trees
        QVERIFY(!second);
        QVERIFY(loader.setLanguage("zh_CN") &&
                QCoreApplication::translate("QObject", "General") == QString("常规"));
    }

    // From Initialize on, another writer's change is taken in and announced; a sync with nothing to
    // write leaves the file alone; Stop saves; an unparsable file is copied aside before a write.
    void othersChangesAreTakenIn_data()
    {
        using B = QByteArray;
        QTest::addColumn<B>("before");
        QTest::addColumn<B>("theirs");
        QTest::addColumn<B>("kept");
        QTest::newRow("no file yet") << B() << B("b=1\n") << B();
        QTest::newRow("their last key gone") << B("b=1\nz=0\n") << B("b=1\n") << B();
        QTest::newRow("theirs unparsable")
            << B("b=0\n") << B("b=1\n[x]\nno value\n") << B("b=1\n[x]\nno value\n");
        QTest::newRow("unparsable as loaded") << B("b=1\n[x\n") << B() << B("b=1\n[x\n");
    }
    void othersChangesAreTakenIn()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, theirs);
        QFETCH(QByteArray, kept);
        QTemporaryDir home;
        const QDir folder(home.filePath("ekr_client")); // made by the store when there is no file
        const QString path = folder.filePath("ekr_client.ini");
        QVERIFY(before.isEmpty() || (folder.mkpath(".") && put(path, before)));
        QObject owner; // the store goes with it
        auto* store = new SettingsService(path, &owner);
        QSignalSpy told(store, &SettingsService::SettingsUpdated);
        MessageCapture log;
        QVariant handle, value;
        QVariantHash group;
        QVERIFY(store->Initialize({}) == 0 && store->Start(handle, {}) == 0 &&
                store->parent() == &owner);
        QCoreApplication::processEvents(); // the store watches its file and folder from now on
        if (!theirs.isEmpty()) {           // written in place, as an editor saves
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(theirs) == theirs.size());
        }
        QTRY_COMPARE(told.count(), int(!theirs.isEmpty()));
        const QDateTime touched = QFileInfo(path).lastModified();
        const QStringList copies{"ekr_client.ini.corrupt-20??????T??????Z"};
        QVERIFY(store->sync() && store->sync() && QFileInfo(path).lastModified() == touched &&
                folder.entryList(copies).isEmpty()); // only when writing
        QVERIFY(store->GetValue(value, handle, "b") == 0 && value == "1" &&
                store->SetValue(handle, "c/d", 2) == 0 && store->SetValue(handle, "c/d", 2) == 0 &&
                store->GetGroupValues(group, handle, "c") == 0 &&
                group == QVariantHash({{"d", 2}}) && store->Stop(handle) == 0);
        QCOMPARE(contents(path), "[General]\nb=1\n\n[c]\nd=2\n");
        const QString copy = folder.filePath(folder.entryList(copies).join(""));
        QVERIFY2(contents(copy) == kept && (kept.isEmpty() || log.text.contains("kept as " + copy)),
                 qPrintable(copy));
    }

    // The store writes when it chooses: not while saving is held, then all at once. Another
    // writer's file of the same size, stamped within the same millisecond as the store's last
    // write, is still read first (QSettings alone would take it for its own) and announced. A
    // failed save after good ones is told again, and a store that goes while its changes cannot
    // be written names them as it goes.
    void whenTheStoreWrites()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("ekr_client.ini");
        MessageCapture log;
        {
            SettingsService store(path);
            store.setWatching(false); // only the sync may find the other writer
            QSignalSpy told(&store, &SettingsService::SettingsUpdated);
            QSignalSpy failed(&store, &SettingsService::saveFailed);
            store.holdSaving();
            QVERIFY(store.SetValue({}, "a", "0") == 0);
            QCoreApplication::processEvents();
            QVERIFY(!QFile::exists(path));
            store.releaseSaving();
            QTRY_VERIFY(QFile::exists(path));
            struct stat mine;
            QVERIFY(::stat(qPrintable(path), &mine) == 0 && put(path, "[General]\na=1\n"));
            const timespec sameTick[2] = {{0, UTIME_OMIT},
                                          {mine.st_mtim.tv_sec, mine.st_mtim.tv_nsec ^ 1}};
            QVERIFY(::utimensat(AT_FDCWD, qPrintable(path), sameTick, 0) == 0);
            QVERIFY(store.SetValue({}, "b", "2") == 0 && store.sync());
            QCOMPARE(contents(path), "[General]\na=1\nb=2\n");
            QTRY_COMPARE(told.count(), 1); // their a, though this store set it before
            QVERIFY(store.SetValue({}, "b", "3") == 0 && store.sync() && // its own file parses
                    QDir(folder.path()).entryList({"*.corrupt-*"}).isEmpty());
            QVERIFY(QFile::remove(path) && QDir().mkpath(path)); // a folder in the way
            QVERIFY(store.SetValue({}, "c", "3") == 0 && !store.sync() && failed.count() == 1);
        }
        QVERIFY(log.text.contains("changes are lost: c") && !log.text.contains("parsed"));
    }

    // A failed save is told once, why, in a box that does not wait and in the log; values stay
    // readable, keys still unsaved at exit are named, and the next save takes them along.
    void failedSaveIsToldKeptAndRetried_data()
    {
        QTest::addColumn<int>("obstacle");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file for the folder above its own")
            << 0 << "a file stands where its folder should be";
        QTest::newRow("a folder for the file") << 1 << "a folder is in the way";
        QTest::newRow("a link to a folder gone") << 2 << "the system refused to write it";
    }
    void failedSaveIsToldKeptAndRetried()
    {
        QFETCH(int, obstacle);
        QFETCH(QString, reason);
        QTemporaryDir config; // the client's folder in it, as the client names it
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.filePath("xdg")));
        MessageCapture log;
        ClientHost host;
        SettingsService* store = host.settings();
        const QString path = store->filePath(), folder = QFileInfo(path).path();
        const QString above = QFileInfo(folder).path();
        QVERIFY(obstacle == 0   ? put(above, "")
                : obstacle == 1 ? QDir().mkpath(path)
                                : QDir().mkpath(folder) && QFile::link(folder + "/gone/x", path));
        QVERIFY(store->Initialize({}) == 0 && store->Initialize({}) == 0); // a plugin's too
        store->SetValue(QVariant(), "new/first", 1);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 1);
        const QString told = qobject_cast<QMessageBox*>(QApplication::topLevelWidgets()[0])->text();
        QVERIFY2(told.contains(path + ": " + reason) && log.text.contains(told) &&
                     !QApplication::activeModalWidget(),
                 qPrintable(told));
        QVERIFY(store->SetValue(QVariant(), "new/second", 2) == 0 && !store->sync());
        QVariant value;
        store->GetValue(value, QVariant(), "new/first");
        host.shutdown();
        QVERIFY(value == 1 && QApplication::topLevelWidgets().size() == 1 && // told once
                store->hasUnsavedChanges() &&
                log.text.contains("changes are lost: new/first, new/second"));
        QVERIFY((QFile::remove(obstacle ? path : above) || QDir().rmdir(path)) &&
                QDir().mkpath(folder));
        store->SetValue(QVariant(), "new/third", 3);
        QTRY_VERIFY(!store->hasUnsavedChanges()); // saved on its own as control returns
        QCOMPARE(contents(path), "[new]\nfirst=1\nsecond=2\nthird=3\n");
        QVERIFY(store->Initialize({}) == 0 && store->Uninitialize() == 0); // nothing lost now
        QVERIFY(log.text.count("changes are lost") == 1 && !log.text.contains("parsed"));
    }

    // The farm substitute answers as its profile says, and never inside the call that asked.
    void farmAnswersFromItsProfile()
    {
        QTemporaryDir folder;
        QVERIFY(put(folder.filePath("farm.json"), R"({"latestVersion": "2.1.0",
            "defaultAccount": "b", "accounts": [{"loginName": "a"}, {"loginName": "b",
            "userName": "B", "token": "t", "pools": [{"id": "p", "name": "P", "type": 2}]}]})"));
        CommunicationService farm;
        QString error;
        QVariant handle;
        QSignalSpy signIns(&farm, SIGNAL(SignInResponse(int, QVariantMap)));
        QSignalSpy versions(&farm, SIGNAL(LatestVersionResponse(int, QVariantMap)));
        QSignalSpy pools(&farm, SIGNAL(PoolIdResponse(int, QVariantMap)));
        QVERIFY(farm.loadProfile(folder.filePath("farm.json"), &error) &&
                farm.defaultAccount() + farm.accountNames().join(',') == "ba,b");
        farm.signIn("b");
        QVERIFY(farm.Initialize({}) == 0 && farm.Start(handle, {}) == 0 &&
                farm.RequestLatestVersion(handle, {}) == 0 &&
                farm.RequestPoolId(handle, {{"username", "B"}, {"token", "t"}}) == 0 &&
                farm.Query(handle.toInt() + 1) == -4); // a handle it never gave out
        QVERIFY(signIns.isEmpty() && versions.isEmpty() && pools.isEmpty()); // later, not now
        QTRY_COMPARE(signIns.size() + versions.size() + pools.size(), 3);
        QCOMPARE(signIns[0][1].toMap()["loginname"].toString() +
                     versions[0][1].toMap()["ver"].toString() +
                     pools[0][1].toMap()["data"].toList().value(0).toMap()["pool_id"].toString(),
                 "b2.1.0p");
        farm.RequestPoolId(handle, {{"username", "B"}, {"token", "forged"}}); // its name, not token
        farm.signIn("c"); // an account the profile does not have
        QTRY_COMPARE(pools.size() + signIns.size(), 4);
        QVERIFY(pools[1][0].toInt() == 401 && signIns[1][0].toInt() == 401);
    }
};

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
    const bool durability = argc > 1 && qstrcmp(argv[1], "durability") == 0;
    HostServicesTest services;
    RobustDurabilityTest robust;
    return durability ? QTest::qExec(&robust, argc - 1, argv + 1)
                      : QTest::qExec(&services, argc, argv);
}

#include "tst_host_services.moc"
