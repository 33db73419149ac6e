// The client program as a user starts it: the pages it renders, and a start that cannot go on
// saying why in one line with its own exit code.

#include "test_environment.h"

class ClientTest : public QObject
{
    Q_OBJECT

private slots:
    void run_data()
    {
        QTest::addColumn<QString>("options"); // %profile: a file holding the profile
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("outcome"); // exit code, then standard error or the pictures
        const auto row = [](auto name, auto options, auto profile, auto outcome) {
            QTest::newRow(name) << options << profile << outcome;
        };
        row("dark, Chinese", "--skin dark --language zh_CN --screenshot %pictures", "",
            "0 dark-zh_CN-1-general.png dark-zh_CN-2-render.png dark-zh_CN-3-reminder.png "
            "dark-zh_CN-4-versionsetting.png");
        row("skin", "--skin ../etc", "", "2 no skin \"../etc\"; the skins: dark, light");
        row("language", "--language xx", "", "2 no language \"xx\"; the languages: en, zh_CN");
        row("account", "--account nosuch", "",
            "2 has no account \"nosuch\"; its accounts: ann.render, bo.studio");
        row("array", "--profile %profile", "[1, 2]", "2 holds an array, not a JSON object");
        row("no JSON", "--profile %profile", "{\"accounts\": ", "2 is not valid JSON: ");
        row("screenshots", "--screenshot /dev/null/pictures", "",
            "1 cannot create the screenshot folder /dev/null/pictures: /dev/null is not a folder");
        row("plugin", "--plugin-file /nonexistent/plugin.so", "", "1 Cannot load plugin library");
    }
    void run()
    {
        QFETCH(QString, options);
        QFETCH(QString, profile);
        QFETCH(QString, outcome);
        QTemporaryFile file;
        QTemporaryDir pictures;
        QVERIFY(file.open() && file.write(profile.toUtf8()) == profile.size() && file.flush());
        QProcess client;
        options.replace("%profile", file.fileName()).replace("%pictures", pictures.path());
        client.start(EKR_CLIENT_PATH, options.split(' '));
        QVERIFY(client.waitForFinished(60000));
        const QString error = client.readAllStandardError(), said = outcome.mid(2);
        QCOMPARE(QString::number(client.exitCode()), outcome.left(1));
        QVERIFY2(client.exitCode() ? error.contains(said)
                                   : QDir(pictures.path()).entryList(QDir::Files).join(' ') == said,
                 qPrintable(error));
        QCOMPARE(error.count("ekr_client: "), int(client.exitCode() != 0)); // one line saying why
    }
};

EKR_TEST_MAIN(ClientTest)
#include "tst_client.moc"
