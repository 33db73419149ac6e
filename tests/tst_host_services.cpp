// The host services with real widgets and real folders: the message box and
// the file watcher that the component drives, and how the settings store
// copes with a file it cannot write or parse.

#include "message_capture.h"
#include "modal_answerer.h"
#include "test_environment.h"

#include "client_host.h"
#include "services/filewatcher_service.h"
#include "services/messagebox_service.h"
#include "services/settings_service.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>

#include <unistd.h>

namespace {
QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool logged(const MessageCapture& log, const QString& text)
{
    for (const MessageCapture::Message& line : log.messages())
        if (line.text.contains(text))
            return true;
    return false;
}
} // namespace

class HostServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxAnswersWithTheButtonsObjectName_data()
    {
        QTest::addColumn<QString>("press");
        QTest::newRow("Ok") << "btnMessageBox_2";
        QTest::newRow("Cancel") << "btnMessageBox_1";
        QTest::newRow("closed") << "";
    }
    void messageBoxAnswersWithTheButtonsObjectName()
    {
        QFETCH(QString, press);
        MessageBoxService service;
        QStringList captions;
        QString text;
        QObject guard;
        answerNextModal<QMessageBox>(&guard, [&](QMessageBox* box) {
            text = box->text();
            for (QAbstractButton* button : box->buttons())
                captions << button->objectName() + "=" + button->text();
            if (press.isEmpty())
                box->reject();
            else
                box->findChild<QPushButton*>(press)->click();
        });
        QString clicked = "stale";
        service.ShowMessage(clicked, 4, QString(), QString(), QIcon(), "Update now?",
                            {{"btnMessageBox_1", "Cancel"}, {"btnMessageBox_2", "Ok"}}, false);
        QCOMPARE(text, QStringLiteral("Update now?"));
        QCOMPARE(captions, QStringList({"btnMessageBox_1=Cancel", "btnMessageBox_2=Ok"}));
        QCOMPARE(clicked, press);
    }

    void fileWatcherFollowsTheWatchedFolder()
    {
        FileWatcherService watcher;
        QVariant handle;
        QCOMPARE(watcher.RestartWatching(), -3); // not running yet
        watcher.Initialize({});
        QCOMPARE(watcher.Start(handle, {}), 0);
        QTemporaryDir first, second;
        watcher.SetWatchPaths({first.path()});
        QCOMPARE(watcher.watchedNow(), QStringList());
        QCOMPARE(watcher.RestartWatching(), 0);
        QCOMPARE(watcher.watchedNow(), QStringList{first.path()});

        QSignalSpy changes(&watcher, SIGNAL(FolderChanged(QString)));
        QFile(first.path() + "/scene.max").open(QIODevice::WriteOnly);
        QTRY_VERIFY(changes.count() > 0);
        QCOMPARE(changes.last().first().toString(), first.path());

        watcher.SetWatchPaths({second.path(), "/no/such/folder"});
        watcher.RestartWatching();
        QCOMPARE(watcher.watchedNow(), QStringList{second.path()});
        QCOMPARE(watcher.Stop(handle), 0);
        QCOMPARE(watcher.watchedNow(), QStringList());
    }

    // A save that fails is told once, with its reason, in a box that does not
    // wait for an answer and in the log; the values stay readable, the keys
    // still unsaved at exit are named, and the next change that can be saved
    // takes the earlier ones along.
    void failedSaveIsToldKeptAndRetried_data()
    {
        QTest::addColumn<QString>("blocked"); // what stands in the way of the file
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file for its folder") << "folder"
                                               << "a file stands where its folder should be";
        QTest::newRow("a folder for the file") << "file"
                                               << "a folder is in the way";
        QTest::newRow("unreadable file") << "reading"
                                         << "the file is not readable";
    }
    void failedSaveIsToldKeptAndRetried()
    {
        QFETCH(QString, blocked);
        QFETCH(QString, reason);
        if (blocked == "reading" && ::geteuid() == 0)
            QSKIP("root reads a file whatever its permissions");
        QTemporaryDir config; // the client's folder in it, as the client names it
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        MessageCapture log;
        ClientHost host;
        SettingsService* store = host.settings();
        const QString path = store->filePath(), folder = QFileInfo(path).path();
        const QByteArray old = blocked == "reading" ? "[old]\nvalue=7\n" : "";
        QVERIFY(blocked == "folder" ? put(folder, "")
                                    : QDir().mkpath(blocked == "file" ? path : folder));
        QVERIFY(blocked != "reading" || (put(path, old) && QFile::setPermissions(path, {})));
        auto boxes = []() {
            QList<QMessageBox*> found;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->objectName() == "ekrSaveFailure" && widget->isVisible())
                    found << qobject_cast<QMessageBox*>(widget);
            return found;
        };
        QSignalSpy failures(store, &SettingsService::saveFailed);
        store->Initialize({});
        store->SetValue(QVariant(), "new/first", 1);
        QTRY_COMPARE(boxes().size(), 1); // while the test goes on: nothing waits for an answer
        const QString told = boxes()[0]->text();
        QVERIFY2(told.contains(path + ": " + reason) && logged(log, told), qPrintable(told));
        QVERIFY(failures.count() == 1 && failures[0][0] == path);
        store->SetValue(QVariant(), "new/second", 2);
        QVERIFY(!store->sync());
        QVERIFY(failures.count() == 1 && boxes().size() == 1); // once until a save succeeds
        QVariant value;
        store->GetValue(value, QVariant(), "new/first");
        QCOMPARE(value, QVariant(1));
        host.shutdown();
        QVERIFY(store->hasUnsavedChanges());
        QVERIFY(logged(log, "changes are lost: new/first, new/second"));

        QVERIFY(blocked != "folder" || (QFile::remove(folder) && QDir().mkpath(folder)));
        QVERIFY(blocked != "file" || QDir().rmdir(path));
        QVERIFY(blocked != "reading" ||
                QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(contents(path), old); // as it was
        store->SetValue(QVariant(), "new/third", 3);
        QVERIFY(store->sync() && !store->hasUnsavedChanges());
        QCOMPARE(contents(path),
                 "[new]\nfirst=1\nsecond=2\nthird=3\n" + (old.isEmpty() ? "" : "\n" + old));
    }

    // A file that cannot be parsed is copied aside, byte for byte, before the
    // store rewrites it: as it was loaded, and as another writer left it.
    void unparsableFileIsKeptBeforeItIsRewritten()
    {
        QTemporaryDir folder;
        const QString path = folder.path() + "/ekr_client.ini";
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
            copies = QDir(folder.path()).entryList({"ekr_client.ini.*"}, QDir::Files, QDir::Name);
            QCOMPARE(copies.size(), qMin(i, 2)); // once something is written, and only then
        }
        for (int i = 0; i < 2; ++i) {
            const QString copy = folder.path() + '/' + copies[i];
            QVERIFY(QRegularExpression("\\.ini\\.corrupt-\\d{8}T\\d{6}Z(-\\d+)?$")
                        .match(copy)
                        .hasMatch());
            QCOMPARE(contents(copy), broken[i]);
            QVERIFY(logged(log, "kept as " + copy));
        }
    }
};

EKR_TEST_MAIN(HostServicesTest)
#include "tst_host_services.moc"
