// The host services that the component only drives: the message box and the
// file watcher, with real widgets and a real folder.

#include "modal_answerer.h"
#include "test_environment.h"

#include "services/filewatcher_service.h"
#include "services/messagebox_service.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

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
};

EKR_TEST_MAIN(HostServicesTest)
#include "tst_host_services.moc"
