// Sign-in and sign-out, the pool choice, and the farm substitute sending the replies.

#include "dialog_session.h"
#include "registry.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"
#include "services/communication_service.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>

namespace {
const QString kAnn = QStringLiteral("ekr.account.ann/");

} // namespace

class AccountTest : public QObject
{
    Q_OBJECT

private slots:
    void signInAndOut()
    {
        writeUninstallKey({{kProductId, "2.3.4"}});
        DialogSession s;
        auto& requests = s.harness.communication.requests;
        s.store.store.insert(kAnn + "autologin", true);
        s.harness.signIn("ann", 401);
        QCOMPARE(s.store.writes.size() + requests.size(), 0); // neither writes nor asks
        s.harness.signIn("ann");
        QCOMPARE(requests.first().operation, QStringLiteral("RequestPoolId"));
        QCOMPARE(requests.first().handle, QVariant(44));
        QCOMPARE(requests.first().data,
                 (QVariantHash{{"username", "ann (user)"}, {"token", "token-of-ann"}}));
        QCOMPARE(s.get<QLabel>("lblCurrentVersionV")->text(), QStringLiteral("2.3.4"));
        QCOMPARE(s.harness.fileWatcher.calls, QStringList()); // no folder, nothing to watch

        s.store.store.insert(kAnn + "monitorpath", "/scenes");
        s.harness.signIn("ann");
        QCOMPARE(s.harness.fileWatcher.calls, QStringList{"SetWatchPaths(/scenes)"});
        QCOMPARE(s.get<QLineEdit>("lneMonitorPath")->text(), QStringLiteral("/scenes"));

        s.harness.component()->ShowConf(); // signing out closes it and does nothing else
        emit s.harness.communication.SignOutResponse(401, {});
        QVERIFY(!s.harness.dialogWindow()->isVisible());
        s.harness.component()->ShowConf();
        QVERIFY(s.get<QCheckBox>("chkAutoLogin")->isChecked());

        requests.clear(); // a reply without "data" still asks with both entries, token empty
        emit s.harness.communication.SignInResponse(200, {{"loginname", "bo"}, {"username", "Bo"}});
        QCOMPARE(requests.first().data, (QVariantHash{{"username", "Bo"}, {"token", ""}}));
    }

    void signInWritesTheAccountDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("written"); // invalid: nothing written
        const QString result = QCoreApplication::applicationDirPath() + "/result",
                      interval = "checkinterval", out = "renderoutput";
        QTest::newRow("subtask absent") << "subtask" << QVariant() << QVariant(1);
        QTest::newRow("subtask 0") << "subtask" << QVariant(0) << QVariant(1);
        QTest::newRow("subtask not a number") << "subtask" << QVariant("many") << QVariant(1);
        QTest::newRow("subtask 5") << "subtask" << QVariant(5) << QVariant();
        QTest::newRow("output absent") << out << QVariant() << QVariant(result);
        QTest::newRow("output gone") << out << QVariant("/no/such/folder") << QVariant(result);
        QTest::newRow("output exists") << out << QVariant(QDir::tempPath()) << QVariant();
        QTest::newRow("interval absent") << interval << QVariant() << QVariant("30000");
        QTest::newRow("interval 29999") << interval << QVariant("29999") << QVariant("30000");
        QTest::newRow("interval 30001") << interval << QVariant(30001) << QVariant("30001");
        QTest::newRow("interval not a number") << interval << QVariant("soon") << QVariant("30000");
    }
    void signInWritesTheAccountDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, written);
        DialogSession s;
        if (stored.isValid())
            s.store.store.insert(kAnn + key, stored);
        s.harness.signIn("ann");
        QCOMPARE(s.written(kAnn + key), written);
        QCOMPARE(s.written(kAnn + key).type(), written.type()); // the subtask as a number
        QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/result"));
        if (key == "renderoutput") // shown, but not created
            QCOMPARE(s.get<QLineEdit>("lneSavePath")->text(),
                     (written.isValid() ? written : stored).toString());
    }

    void poolListChoosesAPool_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QVariant>("written");
        QTest::newRow("stored pool last") << "A2 B C" << QVariant("C") << 2 << QVariant();
        QTest::newRow("stored pool withdrawn") << "A2 B C" << QVariant("D") << 0 << QVariant("A");
        QTest::newRow("no type 2, nothing stored") << "A B" << QVariant() << 0 << QVariant("A");
        QTest::newRow("last type 2 wins") << "A2 B2" << QVariant() << 1 << QVariant("B");
        QTest::newRow("stored beats a later type 2") << "A B2" << QVariant("A") << 0 << QVariant();
        QTest::newRow("stored id twice: the last") << "A B A" << QVariant("A") << 2 << QVariant();
        QTest::newRow("numeric id") << "7" << QVariant("7") << 0 << QVariant();
        QTest::newRow("empty list") << "" << QVariant("A") << -1 << QVariant("");
    }
    void poolListChoosesAPool()
    {
        QFETCH(QString, reply);
        QVariantList pools; // "A2 B": pool A of type 2, pool B of type 1; "7" sent as a number
        for (const QString& pool : reply.split(' ', Qt::SkipEmptyParts))
            pools << QVariantMap{{"pool_id", pool == "7" ? QVariant(7) : QVariant(pool.left(1))},
                                 {"pool_name", pool},
                                 {"pool_type", pool.size() > 1 ? 2 : 1}};
        QFETCH(QVariant, stored);
        QFETCH(int, selected);
        QFETCH(QVariant, written);
        DialogSession s;
        s.harness.signIn("ann");
        if (stored.isValid())
            s.store.store.insert(kAnn + "poolid", stored);
        emit s.harness.communication.PoolIdResponse(200, {{"data", pools}});
        QCOMPARE(s.get<QComboBox>("cmbPool")->count(), pools.size());
        QCOMPARE(s.get<QComboBox>("cmbPool")->currentIndex(), selected);
        QCOMPARE(s.written(kAnn + "poolid"), written);
        emit s.harness.communication.PoolIdResponse(500, {}); // a failed reply keeps the choice
        QCOMPARE(s.get<QComboBox>("cmbPool")->count(), pools.size());
    }

    void farmSubstituteRepliesLater()
    {
        CommunicationService farm;
        QVariant handle;
        farm.Initialize({});
        farm.Start(handle, {});
        QSignalSpy signIns(&farm, SIGNAL(SignInResponse(int, QVariantMap)));
        QSignalSpy pools(&farm, SIGNAL(PoolIdResponse(int, QVariantMap)));
        QSignalSpy versions(&farm, SIGNAL(LatestVersionResponse(int, QVariantMap)));
        farm.signIn(farm.defaultAccount());
        farm.signIn("nobody");
        QCOMPARE(signIns.count(), 0); // never inside the call
        QTRY_COMPARE(signIns.count(), 2);
        QCOMPARE(QVariantList({signIns[0][0], signIns[1][0]}), QVariantList({200, 401}));
        const QVariantMap account = signIns[0][1].toMap();
        for (const QVariant& token : {account["data"].toMap()["token"], QVariant("stolen")})
            farm.RequestPoolId(handle, {{"username", account["username"]}, {"token", token}});
        farm.RequestLatestVersion(handle, {});
        QTRY_COMPARE(pools.count(), 2);
        QCOMPARE(QVariantList({pools[0][0], pools[1][0]}), QVariantList({200, 401}));
        QTRY_COMPARE(versions.count(), 1);
        QCOMPARE(versions.at(0).at(1).toMap().value("ver").toString(), farm.latestVersion());

        QTemporaryFile profile(QDir::tempPath() + "/farm-XXXXXX.json");
        QVERIFY(profile.open() && profile.write("{ not json") > 0 && profile.flush());
        QString error;
        QVERIFY(!farm.loadProfile(profile.fileName(), &error));
        QVERIFY2(error.contains(QFileInfo(profile).fileName()), qPrintable(error));
        QVERIFY(!farm.defaultAccount().isEmpty()); // the old profile stays
    }
};

EKR_TEST_MAIN(AccountTest)
#include "tst_account.moc"
