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

    // A start that cannot go on says why in one line, and only that, with its
    // own exit code: 2 for a wrong option, 1 for a failure after that.
    void refusesWithAClearReason_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown skin") << QStringList{"--skin", "../etc"} << QByteArray() << 2
                                      << "no skin \"../etc\"; the skins: dark, light\n";
        QTest::newRow("unknown language") << QStringList{"--language", "xx"} << QByteArray() << 2
                                          << "no language \"xx\"; the languages: en, zh_CN\n";
        QTest::newRow("unknown account")
            << QStringList{"--account", "nosuch"} << QByteArray() << 2
            << "has no account \"nosuch\"; its accounts: ann.render, bo.studio\n";
        QTest::newRow("profile is an array")
            << QStringList() << QByteArray("[1, 2]") << 2 << "holds an array, not a JSON object";
        QTest::newRow("profile is no JSON")
            << QStringList() << QByteArray("{\"accounts\": ") << 2 << "is not valid JSON: ";
        QTest::newRow("screenshot folder under a file")
            << QStringList{"--screenshot", "/dev/null/pictures"} << QByteArray() << 1
            << "cannot create the screenshot folder /dev/null/pictures: /dev/null is not a folder";
        QTest::newRow("plugin missing") << QStringList{"--plugin-file", "/nonexistent/plugin.so"}
                                        << QByteArray() << 1 << "Cannot load plugin library";
    }
    void refusesWithAClearReason()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, profile);
        QTemporaryFile file;
        if (!profile.isEmpty()) {
            QVERIFY(file.open() && file.write(profile) == profile.size() && file.flush());
            options << "--profile" << file.fileName();
        }
        QProcess client;
        client.start(QStringLiteral(EKR_CLIENT_PATH), options);
        QVERIFY(client.waitForFinished(60000));
        const QString error = QString::fromUtf8(client.readAllStandardError());
        QTEST(client.exitCode(), "exitCode");
        QFETCH(QString, reason);
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(error.count(QLatin1String("ekr_client: ")), 1);
    }
};

EKR_TEST_MAIN(ClientTest)
#include "tst_client.moc"
