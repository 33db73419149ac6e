// The host services with real widgets and folders: the message box and the file watcher that the
// component drives, and how the settings store copes with a file it cannot write or parse.

#include "message_capture.h"
#include "modal_answerer.h"
#include "test_environment.h"

#include "client_host.h"
#include "services/communication_service.h"
#include "services/filewatcher_service.h"
#include "services/messagebox_service.h"
#include "services/settings_service.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

namespace {
QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "none";
}

bool put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString logText(const MessageCapture& log)
{
    QString text;
    for (const MessageCapture::Message& line : log.messages())
        text += line.text + '\n';
    return text;
}
} // namespace

class HostServicesTest : public QObject
{
    Q_OBJECT

private slots:
    // Titled as the client, buttons in the order of their names, the last the default; the
    // answer is the name of the button pressed.
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

    void fileWatcherFollowsTheFolders()
    {
        FileWatcherService watcher;
        QVariant handle;
        QTemporaryDir first, second;
        QSignalSpy changes(&watcher, SIGNAL(FolderChanged(QString)));
        QCOMPARE(watcher.RestartWatching(), -3); // not running yet
        QCOMPARE(watcher.SetWatchPaths({first.path(), "/no/such/folder"}), 0);
        QVERIFY(watcher.Initialize({}) == 0 && watcher.Start(handle, {}) == 0); // watching now
        QVERIFY(put(first.filePath("scene.max"), "scene"));
        QTRY_COMPARE(changes.value(0).value(0).toString(), first.path());
        watcher.SetWatchPaths({second.path()});
        QCOMPARE(watcher.watchedNow(), QStringList{first.path()}); // until restarted
        QVERIFY(watcher.RestartWatching() == 0 &&
                watcher.watchedNow() == QStringList{second.path()});
        QVERIFY(watcher.Stop(handle) == 0 && watcher.watchedNow().isEmpty());
    }

    // A save that fails is told once, with its reason, in a box that does not wait for an answer
    // and in the log; the values stay readable, the keys still unsaved at exit are named, and the
    // next change that can be saved takes the earlier ones along.
    void failedSaveIsToldKeptAndRetried_data()
    {
        QTest::addColumn<bool>("fileForFolder"); // or a folder for the file
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file for its folder")
            << true << "a file stands where its folder should be";
        QTest::newRow("a folder for the file") << false << "a folder is in the way";
    }
    void failedSaveIsToldKeptAndRetried()
    {
        QFETCH(bool, fileForFolder);
        QFETCH(QString, reason);
        QTemporaryDir config; // the client's folder in it, as the client names it
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        MessageCapture log;
        ClientHost host;
        SettingsService* store = host.settings();
        const QString path = store->filePath(), folder = QFileInfo(path).path();
        QVERIFY(fileForFolder ? put(folder, "") : QDir().mkpath(path));
        QSignalSpy failures(store, &SettingsService::saveFailed);
        QVERIFY(store->Initialize({}) == 0 && store->Initialize({}) == 0); // a plugin's too
        store->SetValue(QVariant(), "new/first", 1);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 1); // while the test goes on
        const QString told = qobject_cast<QMessageBox*>(QApplication::topLevelWidgets()[0])->text();
        QVERIFY2(told.contains(path + ": " + reason) && logText(log).contains(told),
                 qPrintable(told));
        store->SetValue(QVariant(), "new/second", 2);
        QVERIFY(!store->sync());
        QTest::qWait(10); // told once until a save succeeds
        QVERIFY(failures.count() == 1 && failures[0][0] == path &&
                QApplication::topLevelWidgets().size() == 1);
        QVariant value;
        store->GetValue(value, QVariant(), "new/first");
        QCOMPARE(value, QVariant(1));
        host.shutdown();
        QVERIFY(store->hasUnsavedChanges() &&
                logText(log).contains("changes are lost: new/first, new/second"));
        QVERIFY(fileForFolder ? QFile::remove(folder) && QDir().mkpath(folder)
                              : QDir().rmdir(path));
        store->SetValue(QVariant(), "new/third", 3);
        QVERIFY(store->sync() && !store->hasUnsavedChanges());
        QCOMPARE(contents(path), "[new]\nfirst=1\nsecond=2\nthird=3\n");
        QVERIFY(store->Initialize({}) == 0 &&
                store->Uninitialize() == 0); // and nothing is lost now
        QCOMPARE(logText(log).count("changes are lost"), 1);
    }

    // A file that cannot be parsed is copied aside, byte for byte, before the store rewrites it:
    // as it was loaded, and as another writer left it; once for each, and only when writing.
    void unparsableFileIsKeptBeforeItIsRewritten()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("ekr_client.ini");
        const QByteArray broken[] = {"[kept]\nvalue=1\n[broken\n", "[other]\nno value\n"};
        QVERIFY(put(path, broken[0]));
        MessageCapture log;
        SettingsService store(path);
        QVariant value;
        store.GetValue(value, QVariant(), "kept/value");
        QCOMPARE(value, QVariant("1"));
        QStringList copies;
        for (int i = 0; i < 4; ++i) {
            QVERIFY(i != 2 || put(path, broken[1]));
            if (i > 0)
                store.SetValue(QVariant(), "new/value", i);
            QVERIFY(store.sync());
            copies = QDir(folder.path())
                         .entryList({"ekr_client.ini.corrupt-*"}, QDir::Files, QDir::Name);
            QCOMPARE(copies.size(), qMin(i, 2));
        }
        for (int i = 0; i < 2; ++i) {
            const QString copy = folder.filePath(copies[i]);
            QVERIFY2(QRegularExpression("corrupt-\\d{8}T\\d{6}Z(-2)?$").match(copy).hasMatch() &&
                         contents(copy) == broken[i] && logText(log).contains("kept as " + copy),
                     qPrintable(copy));
        }
    }

    // The farm substitute answers as its profile says, and never inside the call that asked.
    void farmAnswersFromItsProfile()
    {
        QTemporaryFile profile;
        QVERIFY(profile.open() && put(profile.fileName(), R"({"latestVersion": "2.1.0",
            "defaultAccount": "b", "accounts": [{"loginName": "a"}, {"loginName": "b",
            "userName": "B", "token": "t", "pools": [{"id": "p", "name": "P", "type": 2}]}]})"));
        CommunicationService farm;
        QString error;
        QVERIFY(farm.loadProfile(profile.fileName(), &error));
        QCOMPARE(farm.defaultAccount() + farm.accountNames().join(','), QString("ba,b"));
        QVariant handle;
        farm.Initialize({});
        QCOMPARE(farm.Start(handle, {}), 0);
        QSignalSpy versions(&farm, SIGNAL(LatestVersionResponse(int, QVariantMap)));
        QSignalSpy pools(&farm, SIGNAL(PoolIdResponse(int, QVariantMap)));
        QSignalSpy signIns(&farm, SIGNAL(SignInResponse(int, QVariantMap)));
        farm.signIn("b");
        QCOMPARE(farm.RequestLatestVersion(handle, {}), 0);
        QCOMPARE(farm.RequestPoolId(handle, {{"username", "B"}, {"token", "t"}}), 0);
        QCOMPARE(versions.count() + pools.count() + signIns.count(), 0);
        QTRY_COMPARE(versions.count() + pools.count() + signIns.count(), 3);
        QCOMPARE(signIns.first().at(1).toMap().value("loginname").toString(), QString("b"));
        QCOMPARE(versions.first().at(1).toMap().value("ver").toString(), QString("2.1.0"));
        const QVariantList offered = pools.first().at(1).toMap().value("data").toList();
        QCOMPARE(offered.value(0).toMap().value("pool_id").toString(), QString("p"));
    }
};

EKR_TEST_MAIN(HostServicesTest)
#include "tst_host_services.moc"
