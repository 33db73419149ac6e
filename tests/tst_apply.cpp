// Apply and Cancel: what is written, in which order and when, what follows a
// write (the watcher, the update question, starting with the system), the
// default versions, and what Cancel restores.

#include "dialog_session.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>

namespace {
const QString kAnn = QStringLiteral("ekr.account.ann/");

// Signed in as "ann" with two pools, a maya catalogue and the dialog shown.
struct Session : DialogSession
{
    Session()
    {
        store.store.insert("ekr.rendering/maya", QStringList{"m1&Maya 1", "m2&Maya 2"});
        store.store.insert("m1/installlocation", "/maya1");
        store.store.insert("m2/installlocation", "/maya2");
        store.store.insert(kAnn + "renderoutput", QDir::tempPath());
        harness.signIn("ann");
        emit harness.communication.PoolIdResponse(
            200, {{"data", QVariantList{QVariantMap{{"pool_id", "p1"}, {"pool_name", "One"}},
                                        QVariantMap{{"pool_id", "p2"}, {"pool_name", "Two"}}}}});
        harness.component()->ShowConf();
        store.reads.clear();
        store.writes.clear();
    }
    void apply() { get<QPushButton>("btnApply")->click(); }
};

QString autoStartEntry()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/autostart/quillmoor_client.desktop";
}
} // namespace

class ApplyTest : public QObject
{
    Q_OBJECT

private slots:
    void unchangedApplyReadsInOrderAndWritesNothing()
    {
        Session s;
        s.get<QPushButton>("btnApply")->setEnabled(true);
        s.apply();
        QCOMPARE(s.store.reads,
                 QStringList({kAnn + "renderoutput", kAnn + "monitorpath", kAnn + "poolid",
                              "ekr.web/transfertype", kAnn + "autologin", kAnn + "autodownload",
                              kAnn + "soundfinish", kAnn + "popupfinish", kAnn + "prerender",
                              "ekr.general/scenefileonly", "ekr.general/renderlayer",
                              "ekr.general/uploadfailedfilesautomatically", kAnn + "subtask",
                              kAnn + "setargument", kAnn + "interruptsubmit", kAnn + "autoupdate",
                              "ekr.general/autostart"}));
        QCOMPARE(s.writes(), QStringList());
        QVERIFY(!s.get<QPushButton>("btnApply")->isEnabled());
        QVERIFY(!s.harness.dialogWindow()->isVisible());
        for (const QVariant& handle : s.store.handlesSeen)
            QCOMPARE(handle, QVariant(42));
    }

    void changesAreWritten_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("writes");
        QTest::newRow("output path, trimmed")
            << "lneSavePath= /out/new " << QStringList{kAnn + "renderoutput=/out/new"};
        QTest::newRow("output path, case only")
            << "lneSavePath=" + QDir::tempPath().toUpper()
            << QStringList{kAnn + "renderoutput=" + QDir::tempPath().toUpper()};
        QTest::newRow("output path, blank") << "lneSavePath=   " << QStringList{};
        QTest::newRow("pool") << "cmbPool=1" << QStringList{kAnn + "poolid=p2"};
        QTest::newRow("check box") << "chkAutoLogin" << QStringList{kAnn + "autologin=true"};
        QTest::newRow("client-wide check box")
            << "chkEnableRenderLayer" << QStringList{"ekr.general/renderlayer=true"};
        QTest::newRow("subtask") << "spbSubTask=12" << QStringList{kAnn + "subtask=12"};
        QTest::newRow("two in Apply's order")
            << "chkInterruptSubmit|chkPopupFinish"
            << QStringList{kAnn + "popupfinish=true", kAnn + "interruptsubmit=true"};
    }
    void changesAreWritten()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, writes);
        Session s;
        for (const QString& edit : change.split('|')) {
            const QString name = edit.section('=', 0, 0);
            const QString value = edit.section('=', 1);
            const QByteArray id = name.toLatin1();
            if (name.startsWith("lne"))
                s.get<QLineEdit>(id.constData())->setText(value);
            else if (name.startsWith("cmb"))
                s.get<QComboBox>(id.constData())->setCurrentIndex(value.toInt());
            else if (name.startsWith("spb"))
                s.get<QSpinBox>(id.constData())->setValue(value.toInt());
            else
                s.get<QCheckBox>(id.constData())->toggle();
        }
        s.apply();
        QCOMPARE(s.writes(), writes);
        // Applying again finds nothing left to write.
        s.store.writes.clear();
        s.apply();
        QCOMPARE(s.writes(), QStringList());
    }

    void storedValuesOfOtherShapes()
    {
        Session s;
        // A transfer type stored as text and a subtask above the box's range.
        s.store.store.insert("ekr.web/transfertype", "7");
        s.store.store.insert(kAnn + "subtask", 500);
        s.apply();
        QCOMPARE(s.writes(), QStringList({"ekr.web/transfertype=0", kAnn + "subtask=1"}));
    }

    void aChangeMadeElsewhereMeanwhileIsRespected()
    {
        Session s;
        s.get<QCheckBox>("chkAutoDownload")->setChecked(true);
        s.store.store.insert(kAnn + "autodownload", true); // another component, before Apply
        s.apply();
        QCOMPARE(s.writes(), QStringList());
    }

    void monitoredFolderGoesToTheWatcher()
    {
        Session s;
        s.harness.fileWatcher.calls.clear();
        s.get<QLineEdit>("lneMonitorPath")->setText(" /scenes/in ");
        s.apply();
        QCOMPARE(s.writes(), QStringList{kAnn + "monitorpath=/scenes/in"});
        QCOMPARE(s.harness.fileWatcher.calls,
                 QStringList({"SetWatchPaths(/scenes/in)", "RestartWatching"}));
    }

    void autoUpdateAsksOnlyWhenTurnedOn()
    {
        Session s;
        s.harness.messagebox.answer = "btnMessageBox_1";
        s.get<QCheckBox>("chkAutoUpdate")->setChecked(true);
        s.apply();
        QCOMPARE(s.harness.messagebox.questions.size(), 1);
        QVERIFY(s.writes().contains(kAnn + "autoupdate=true"));
        QVERIFY(!s.harness.dialogWindow()->isVisible()); // Apply went on after the answer

        s.apply();
        QCOMPARE(s.harness.messagebox.questions.size(), 1);
        s.get<QCheckBox>("chkAutoUpdate")->setChecked(false);
        s.apply();
        QCOMPARE(s.harness.messagebox.questions.size(), 1);
        QVERIFY(s.writes().contains(kAnn + "autoupdate=false"));
    }

    void startWithTheSystem()
    {
        Session s;
        QFile::remove(autoStartEntry());
        s.get<QCheckBox>("chkAutoStart")->setChecked(true);
        s.apply();
        QFile entry(autoStartEntry());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        entry.close();
        QVERIFY2(text.contains("Exec=\"" + QCoreApplication::applicationFilePath() + "\"\n"),
                 qPrintable(text));
        QCOMPARE(s.writes(), QStringList{"ekr.general/autostart=true"});

        s.get<QCheckBox>("chkAutoStart")->setChecked(false);
        s.apply();
        QVERIFY(!QFile::exists(autoStartEntry()));

        // An entry that is already there, pointing elsewhere, is kept.
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nExec=\"/elsewhere/client\"\n");
        entry.close();
        s.get<QCheckBox>("chkAutoStart")->setChecked(true);
        s.apply();
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QCOMPARE(entry.readAll(), QByteArray("[Desktop Entry]\nExec=\"/elsewhere/client\"\n"));
        QVERIFY(s.writes().endsWith("ekr.general/autostart=true"));
    }

    void defaultVersionIsCommittedOnlyWhenMoved()
    {
        Session s; // maya rows: m1 (row 0), m2 (row 1, the default)
        auto* table = s.get<QTableWidget>("twtSoftwareVersion");
        s.apply();
        QCOMPARE(s.writes(), QStringList());
        emit table->itemClicked(table->item(0, 1));
        s.apply();
        QCOMPARE(s.writes(), QStringList{kAnn + "defaultmaya=m1"});
        s.store.writes.clear();
        s.apply();
        QCOMPARE(s.writes(), QStringList());
    }

    void cancelRestoresTheStoredValuesAndMarks()
    {
        Session s;
        auto* table = s.get<QTableWidget>("twtSoftwareVersion");
        s.get<QCheckBox>("chkSoundFinish")->setChecked(true);
        s.get<QLineEdit>("lneSavePath")->setText("/edited");
        emit table->itemClicked(table->item(0, 0));
        s.get<QPushButton>("btnCancel")->click();
        QCOMPARE(s.writes(), QStringList());
        QVERIFY(!s.harness.dialogWindow()->isVisible());
        s.harness.component()->ShowConf();
        QVERIFY(!s.get<QCheckBox>("chkSoundFinish")->isChecked());
        QCOMPARE(s.get<QLineEdit>("lneSavePath")->text(), QDir::tempPath());
        QCOMPARE(table->item(1, 0)->background().color(), QColor(200, 200, 200));
        QCOMPARE(table->item(0, 0)->background().color(), QColor(255, 255, 255));
        QCOMPARE(table->currentRow(), 1);
    }

    void applyBeforeSignInUsesTheEmptyAccount()
    {
        PluginHarness harness;
        harness.useHostUiLoader();
        harness.bringUp();
        QCOMPARE(harness.initializeAndStart(), 0);
        harness.widget<QCheckBox>("chkAutoLogin")->setChecked(true);
        harness.widget<QPushButton>("btnApply")->click();
        QCOMPARE(harness.settings.store.value("ekr.account./autologin"), QVariant(true));
    }
};

EKR_TEST_MAIN(ApplyTest)
#include "tst_apply.moc"
