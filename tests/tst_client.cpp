// The client program as a user starts it: the pages it renders, and a start
// that cannot go on saying why in one line with its own exit code.

#include "test_environment.h"

#include <QDir>
#include <QImage>
#include <QProcess>

class ClientTest : public QObject
{
    Q_OBJECT

private slots:
    void run_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // on standard error, or the pictures written
        QTest::newRow("dark, Chinese")
            << QStringList{"--skin", "dark", "--language", "zh_CN"} << QByteArray() << 0
            << "dark-zh_CN-1-general.png dark-zh_CN-2-render.png dark-zh_CN-3-reminder.png "
               "dark-zh_CN-4-versionsetting.png";
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
    void run()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, profile);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QTemporaryFile file;
        QTemporaryDir pictures;
        if (!profile.isEmpty()) {
            QVERIFY(file.open() && file.write(profile) == profile.size() && file.flush());
            options << "--profile" << file.fileName();
        }
        if (exitCode == 0)
            options << "--screenshot" << pictures.path();
        QProcess client;
        client.start(QStringLiteral(EKR_CLIENT_PATH), options);
        QVERIFY(client.waitForFinished(60000));
        const QString error = QString::fromUtf8(client.readAllStandardError());
        QCOMPARE(client.exitCode(), exitCode);
        if (exitCode == 0) {
            const QDir folder(pictures.path());
            const QStringList written = folder.entryList({"*.png"}, QDir::Files, QDir::Name);
            QCOMPARE(written.join(' '), output);
            QCOMPARE(QImage(folder.filePath(written.first())).size(),
                     QImage(folder.filePath(written.last())).size());
        } else {
            QVERIFY2(error.contains(output), qPrintable(error));
            QCOMPARE(error.count(QLatin1String("ekr_client: ")), 1);
        }
    }
};

EKR_TEST_MAIN(ClientTest)
#include "tst_client.moc"
