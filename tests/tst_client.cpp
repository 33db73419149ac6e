// The client program as scripts/run starts it.

#include "test_environment.h"

#include <QProcess>
#include <QStandardPaths>

class ClientTest : public QObject
{
    Q_OBJECT

private slots:
    void startsThePluginAndExitsCleanly()
    {
        QProcess client;
        client.start(QStringLiteral(EKR_CLIENT_PATH), QStringList());
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
