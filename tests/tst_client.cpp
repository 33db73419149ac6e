// The client program as scripts/run starts it.

#include "test_environment.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

class ClientTest : public QObject
{
    Q_OBJECT

private slots:
    void writesOnePicturePerPage_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("defaults") << QStringList() << "light-en-";
        QTest::newRow("dark, Chinese")
            << QStringList{"--skin", "dark", "--language", "zh_CN"} << "dark-zh_CN-";
    }
    void writesOnePicturePerPage()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, prefix);
        QTemporaryDir folder;
        QProcess client;
        client.start(QStringLiteral(EKR_CLIENT_PATH),
                     options + QStringList{"--screenshot", folder.path()});
        QVERIFY(client.waitForFinished(60000));
        QCOMPARE(client.exitCode(), 0);
        const QStringList pictures =
            QDir(folder.path()).entryList({"*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(pictures,
                 QStringList({prefix + "1-general.png", prefix + "2-render.png",
                              prefix + "3-reminder.png", prefix + "4-versionsetting.png"}));
        const QImage general(folder.path() + "/" + pictures.first());
        QVERIFY(!general.isNull());
        QCOMPARE(general.size(), QImage(folder.path() + "/" + pictures.last()).size());
    }

    void refusesAnUnknownSkin()
    {
        QProcess client;
        client.start(QStringLiteral(EKR_CLIENT_PATH),
                     {"--skin", "../etc", "--screenshot", "/nonexistent"});
        QVERIFY(client.waitForFinished(60000));
        QCOMPARE(client.exitCode(), 2);
    }

    void startsThePluginAndExitsCleanly()
    {
        QTemporaryDir folder;
        QProcess client;
        client.start(QStringLiteral(EKR_CLIENT_PATH), {"--screenshot", folder.path()});
        QVERIFY(client.waitForFinished(60000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);

        QFile log(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                  "/ekr_client/ekr_client.log");
        QVERIFY2(log.open(QIODevice::ReadOnly), qPrintable(log.fileName()));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(text.contains("Plugin com.ekr.configuration 0.9.0 started"), qPrintable(text));
        QVERIFY2(text.contains("initialised and started with handle 1"), qPrintable(text));
    }

    void reportsAPluginThatCannotBeLoaded()
    {
        QProcess client;
        client.start(QStringLiteral(EKR_CLIENT_PATH), {"--plugin-file", "/nonexistent/plugin.so"});
        QVERIFY(client.waitForFinished(60000));
        QCOMPARE(client.exitCode(), 1);
        QVERIFY(client.readAllStandardError().contains("Cannot load plugin library"));
    }
};

EKR_TEST_MAIN(ClientTest)
#include "tst_client.moc"
