// Following the account: what a sign-in writes and shows, how the pool list
// chooses a pool, sign-out, and the farm substitute that sends the replies.

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
#include <QSpinBox>

namespace {
const QString kAnn = QStringLiteral("ekr.account.ann/");

struct Session : DialogSession
{
    void pools(int result, const QVariantList& pools)
    {
        emit harness.communication.PoolIdResponse(result, {{"data", pools}});
    }
};

QVariantMap pool(const QString& id, int type = 1)
{
    return {{"pool_id", id}, {"pool_name", "Pool " + id}, {"pool_type", type}};
}
} // namespace

class AccountTest : public QObject
{
    Q_OBJECT

private slots:
    void signInNeedsSuccess()
    {
        Session s;
        s.harness.signIn("ann", 401);
        QCOMPARE(s.store.writes.size(), 0);
        QCOMPARE(s.harness.communication.requests.size(), 0);
        s.harness.signIn("ann");
        QVERIFY(!s.store.writes.isEmpty());
        const auto request = s.harness.communication.requests.first();
        QCOMPARE(request.operation, QStringLiteral("RequestPoolId"));
        QCOMPARE(request.handle, QVariant(44));
        QCOMPARE(request.data,
                 (QVariantHash{{"username", "ann (user)"}, {"token", "token-of-ann"}}));

        // A reply without "data" still asks with both entries, the token empty.
        s.harness.communication.requests.clear();
        emit s.harness.communication.SignInResponse(200, {{"loginname", "bo"}, {"username", "Bo"}});
        QCOMPARE(s.harness.communication.requests.first().data,
                 (QVariantHash{{"username", "Bo"}, {"token", ""}}));
    }

    void signInWritesTheAccountDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("written"); // invalid: nothing written
        QTest::addColumn<QString>("shown");    // "": not checked
        const QString result = QCoreApplication::applicationDirPath() + "/result";
        QTest::newRow("subtask absent") << "subtask" << QVariant() << QVariant(1) << "1";
        QTest::newRow("subtask 0") << "subtask" << QVariant(0) << QVariant(1) << "1";
        QTest::newRow("subtask not a number")
            << "subtask" << QVariant("many") << QVariant(1) << "1";
        QTest::newRow("subtask 5") << "subtask" << QVariant(5) << QVariant() << "5";
        QTest::newRow("output absent")
            << "renderoutput" << QVariant() << QVariant(result) << result;
        QTest::newRow("output gone")
            << "renderoutput" << QVariant("/no/such/folder") << QVariant(result) << result;
        QTest::newRow("output exists")
            << "renderoutput" << QVariant(QDir::tempPath()) << QVariant() << QDir::tempPath();
        QTest::newRow("interval absent")
            << "checkinterval" << QVariant() << QVariant("30000") << "";
        QTest::newRow("interval 29999")
            << "checkinterval" << QVariant("29999") << QVariant("30000") << "";
        QTest::newRow("interval 30000")
            << "checkinterval" << QVariant(30000) << QVariant("30000") << "";
        QTest::newRow("interval 30001")
            << "checkinterval" << QVariant(30001) << QVariant("30001") << "";
        QTest::newRow("interval not a number")
            << "checkinterval" << QVariant("soon") << QVariant("30000") << "";
    }
    void signInWritesTheAccountDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, written);
        QFETCH(QString, shown);
        Session s;
        if (stored.isValid())
            s.store.store.insert(kAnn + key, stored);
        s.harness.signIn("ann");
        QCOMPARE(s.written(kAnn + key), written);
        if (written.isValid())
            QCOMPARE(written.type(), key == "subtask" ? QVariant::Int : QVariant::String);
        if (key == "subtask")
            QCOMPARE(QString::number(s.get<QSpinBox>("spbSubTask")->value()), shown);
        if (key == "renderoutput") {
            QCOMPARE(s.get<QLineEdit>("lneSavePath")->text(), shown);
            QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/result"));
        }
    }

    void signInHandsTheMonitoredFolderToTheWatcher()
    {
        Session s;
        s.harness.signIn("ann");
        QCOMPARE(s.harness.fileWatcher.calls, QStringList());
        s.store.store.insert(kAnn + "monitorpath", "/scenes");
        s.harness.signIn("ann");
        QCOMPARE(s.harness.fileWatcher.calls, QStringList{"SetWatchPaths(/scenes)"});
        QCOMPARE(s.get<QLineEdit>("lneMonitorPath")->text(), QStringLiteral("/scenes"));
    }

    void signInShowsTheInstalledVersion()
    {
        writeUninstallKey({{kProductId, "2.3.4"}});
        Session s;
        s.harness.signIn("ann");
        QCOMPARE(s.get<QLabel>("lblCurrentVersionV")->text(), QStringLiteral("2.3.4"));
        QCOMPARE(s.harness.component()->GetCurrentVersion(), QStringLiteral("2.3.4"));
    }

    void poolListChoosesAPool_data()
    {
        QTest::addColumn<QVariantList>("pools");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QVariant>("written");
        QTest::newRow("stored pool last")
            << QVariantList{pool("A", 2), pool("B"), pool("C")} << QVariant("C") << 2 << QVariant();
        QTest::newRow("stored pool withdrawn") << QVariantList{pool("A", 2), pool("B"), pool("C")}
                                               << QVariant("D") << 0 << QVariant("A");
        QTest::newRow("no type 2, nothing stored")
            << QVariantList{pool("A"), pool("B")} << QVariant() << 0 << QVariant("A");
        QTest::newRow("last type 2 wins")
            << QVariantList{pool("A", 2), pool("B", 2)} << QVariant() << 1 << QVariant("B");
        QTest::newRow("stored beats a later type 2")
            << QVariantList{pool("A"), pool("B", 2)} << QVariant("A") << 0 << QVariant();
        QTest::newRow("stored id twice: the last")
            << QVariantList{pool("A"), pool("B"), pool("A")} << QVariant("A") << 2 << QVariant();
        QTest::newRow("numeric id")
            << QVariantList{QVariantMap{{"pool_id", 7}, {"pool_name", "Seven"}}} << QVariant("7")
            << 0 << QVariant();
        QTest::newRow("empty list") << QVariantList{} << QVariant("A") << -1 << QVariant("");
    }
    void poolListChoosesAPool()
    {
        QFETCH(QVariantList, pools);
        QFETCH(QVariant, stored);
        QFETCH(int, selected);
        QFETCH(QVariant, written);
        Session s;
        s.harness.signIn("ann");
        if (stored.isValid())
            s.store.store.insert(kAnn + "poolid", stored);
        s.store.writes.clear();
        s.pools(200, pools);
        auto* box = s.get<QComboBox>("cmbPool");
        QCOMPARE(box->count(), pools.size());
        QCOMPARE(box->currentIndex(), selected);
        QCOMPARE(s.written(kAnn + "poolid"), written);

        // A failed reply keeps the choice.
        s.pools(500, {});
        QCOMPARE(box->count(), pools.size());
    }

    void signOutClosesTheDialogOnly()
    {
        Session s;
        s.store.store.insert(kAnn + "autologin", true);
        s.harness.signIn("ann");
        s.harness.component()->ShowConf();
        QVERIFY(s.harness.dialogWindow()->isVisible());
        emit s.harness.communication.SignOutResponse(401, {});
        QVERIFY(!s.harness.dialogWindow()->isVisible());
        s.harness.component()->ShowConf();
        QVERIFY(s.harness.dialogWindow()->isVisible());
        QVERIFY(s.get<QCheckBox>("chkAutoLogin")->isChecked());
    }

    // The farm substitute of the client: asynchronous replies from a profile.
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
        QCOMPARE(signIns.at(0).at(0).toInt(), 200);
        QCOMPARE(signIns.at(1).at(0).toInt(), 401);
        const QVariantMap account = signIns.at(0).at(1).toMap();

        farm.RequestPoolId(handle, {{"username", account.value("username")},
                                    {"token", account.value("data").toMap().value("token")}});
        farm.RequestPoolId(handle, {{"username", account.value("username")}, {"token", "stolen"}});
        farm.RequestLatestVersion(handle, {});
        QTRY_COMPARE(pools.count(), 2);
        QCOMPARE(pools.at(0).at(0).toInt(), 200);
        QVERIFY(pools.at(0).at(1).toMap().value("data").toList().size() >= 2);
        QCOMPARE(pools.at(1).at(0).toInt(), 401);
        QTRY_COMPARE(versions.count(), 1);
        QCOMPARE(versions.at(0).at(1).toMap().value("ver").toString(), farm.latestVersion());

        QTemporaryDir folder;
        QFile profile(folder.path() + "/farm.json");
        profile.open(QIODevice::WriteOnly);
        profile.write("{ not json");
        profile.close();
        QString error;
        QVERIFY(!farm.loadProfile(profile.fileName(), &error));
        QVERIFY(error.contains("farm.json"));
        QVERIFY(!farm.defaultAccount().isEmpty()); // the old profile stays
    }
};

EKR_TEST_MAIN(AccountTest)
#include "tst_account.moc"
