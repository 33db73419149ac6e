// The installed and the latest version, and the way to the updater.

#include "dialog_session.h"
#include "registry.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"
#include "services/uiloader_service.h"

#include <QEventLoop>
#include <QLabel>
#include <QPushButton>

namespace {
struct Session : DialogSession
{
    QPushButton* update() const { return get<QPushButton>("btnUpdate"); }
    QString latestShown() const { return get<QLabel>("lblLatestVersionV")->text(); }
    void latest(int result, const QVariantMap& reply)
    {
        emit harness.communication.LatestVersionResponse(result, reply);
    }
};
} // namespace

class VersionTest : public QObject
{
    Q_OBJECT

private slots:
    void installedVersionFromTheUninstallKey_data()
    {
        QTest::addColumn<QStringList>("subkeys");
        QTest::addColumn<QVariantList>("versions");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no key") << QStringList{} << QVariantList{} << "0.0.0";
        QTest::newRow("other products only")
            << QStringList{"{0000}", "Some Tool"} << QVariantList{"1.0", "2.0"} << "0.0.0";
        QTest::newRow("exact") << QStringList{"Some Tool", kProductId}
                               << QVariantList{"9.9", "1.4.2"} << "1.4.2";
        QTest::newRow("other letter case, more around it")
            << QStringList{"ekr " + kProductId.toLower() + "_is1"} << QVariantList{"1.5.0"}
            << "1.5.0";
        QTest::newRow("first listed of two") << QStringList{"b" + kProductId, "a" + kProductId}
                                             << QVariantList{"2.0.0", "1.0.0"} << "1.0.0";
        QTest::newRow("no DisplayVersion")
            << QStringList{kProductId} << QVariantList{QVariant()} << "";
    }
    void installedVersionFromTheUninstallKey()
    {
        QFETCH(QStringList, subkeys);
        QFETCH(QVariantList, versions);
        QFETCH(QString, expected);
        QList<QPair<QString, QVariant>> key;
        for (int i = 0; i < subkeys.size(); ++i)
            key.append({subkeys.at(i), versions.at(i)});
        writeUninstallKey(key);
        PluginHarness harness;
        harness.bringUp();
        QCOMPARE(harness.component()->GetCurrentVersion(), expected);
    }

    void latestVersionReply_data()
    {
        QTest::addColumn<QString>("installed"); // "": no sign-in yet
        QTest::addColumn<QVariant>("latest");   // invalid: no "ver" in the reply
        QTest::addColumn<bool>("updateEnabled");
        QTest::newRow("1.10.0 over 1.9.9") << "1.9.9" << QVariant("1.10.0") << true;
        QTest::newRow("2.0 under 1.9.9") << "1.9.9" << QVariant("2.0") << false;
        QTest::newRow("equal") << "1.4.2" << QVariant("1.4.2") << false;
        QTest::newRow("before any sign-in") << "" << QVariant("0.0.1") << true;
        QTest::newRow("no ver in the reply") << "1.0.0" << QVariant() << false;
        QTest::newRow("too large to be a number") << "1.0.0" << QVariant("99999.99999") << false;
    }
    void latestVersionReply()
    {
        QFETCH(QString, installed);
        QFETCH(QVariant, latest);
        QFETCH(bool, updateEnabled);
        writeUninstallKey({{kProductId, installed}});
        Session s;
        if (!installed.isEmpty())
            s.harness.signIn("ann");
        s.update()->setEnabled(!updateEnabled);
        QVariantMap reply;
        if (latest.isValid())
            reply.insert("ver", latest);
        s.latest(200, reply);
        QCOMPARE(s.latestShown(), latest.toString());
        QCOMPARE(s.update()->isEnabled(), updateEnabled);

        // A failed reply shows the installed version and leaves Update alone.
        s.latest(503, {{"ver", "99.0"}});
        QCOMPARE(s.latestShown(), installed);
        QCOMPARE(s.update()->isEnabled(), updateEnabled);
    }

    void refusedUpdateStartsNothing_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("Cancel") << "btnMessageBox_1";
        QTest::newRow("closed") << "";
        QTest::newRow("something else") << "btnMessageBox_2 ";
    }
    void refusedUpdateStartsNothing()
    {
        QFETCH(QString, answer);
        Session s;
        QTemporaryDir folder;
        qputenv("EKR_UPDATER_RECORD", QFile::encodeName(folder.path() + "/record"));
        s.harness.messagebox.answer = answer;
        QVERIFY(s.harness.hostUiLoader()->setSkin("dark"));
        s.update()->setEnabled(true);
        s.update()->click();

        QCOMPARE(s.harness.messagebox.questions.size(), 1);
        const auto question = s.harness.messagebox.questions.first();
        QCOMPARE(question.kind, 4);
        QCOMPARE(question.first, QString());
        QCOMPARE(question.second, QString());
        QCOMPARE(question.text, QStringLiteral("Are you sure to quit and update?"));
        QCOMPARE(question.buttons,
                 (QVariantHash{{"btnMessageBox_1", "Cancel"}, {"btnMessageBox_2", "Ok"}}));
        QCOMPARE(question.flag, false);
        QCOMPARE(question.icon.pixmap(32).toImage(), QIcon(":/dark/main.png").pixmap(32).toImage());
        QTest::qWait(200);
        QVERIFY(!QFile::exists(folder.path() + "/record"));
    }

    // Last: it ends the application's event loops.
    void consentStartsTheUpdaterAndEndsTheClient()
    {
        Session s;
        QTemporaryDir folder;
        const QString record = folder.path() + "/record";
        qputenv("EKR_UPDATER_RECORD", QFile::encodeName(record));
        s.harness.messagebox.answer = "btnMessageBox_2";
        s.update()->setEnabled(true);

        QEventLoop loop;
        QTimer::singleShot(0, s.update(), &QPushButton::click);
        QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
        QCOMPARE(loop.exec(), 0); // QCoreApplication::exit(0) ended it

        auto recorded = [&record]() {
            QFile file(record);
            if (!file.open(QIODevice::ReadOnly))
                return QStringList();
            return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
        };
        QTRY_COMPARE(recorded(),
                     QStringList({QCoreApplication::applicationDirPath(), "sid=" + kProductId}));
    }
};

EKR_TEST_MAIN(VersionTest)
#include "tst_version.moc"
