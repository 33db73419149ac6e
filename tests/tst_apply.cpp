// Apply and Cancel: what is written and when, what follows a write, what Cancel restores.

#include "dialog_session.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
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
    void changesAreWritten_data()
    {
        // "widget=value" edits; a key with a slash is changed in the store; "~" the account.
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("writes");
        const QString tmp = QDir::tempPath().toUpper();
        QTest::newRow("nothing") << "" << QStringList{};
        QTest::newRow("path trimmed") << "lneSavePath= /o/n " << QStringList{"~renderoutput=/o/n"};
        QTest::newRow("case only") << "lneSavePath=" + tmp << QStringList{"~renderoutput=" + tmp};
        QTest::newRow("path blank") << "lneSavePath=   " << QStringList{};
        QTest::newRow("pool") << "cmbPool=Two" << QStringList{"~poolid=p2"};
        QTest::newRow("check box") << "chkAutoLogin=1" << QStringList{"~autologin=true"};
        QTest::newRow("global") << "chkEnableRenderLayer=1"
                                << QStringList{"ekr.general/renderlayer=true"};
        QTest::newRow("subtask") << "spbSubTask=12" << QStringList{"~subtask=12"};
        QTest::newRow("Apply's order") << "chkInterruptSubmit=1|chkPopupFinish=1"
                                       << QStringList{"~popupfinish=true", "~interruptsubmit=true"};
        QTest::newRow("stored oddly") << "ekr.web/transfertype=7|~subtask=500"
                                      << QStringList{"ekr.web/transfertype=0", "~subtask=1"};
        QTest::newRow("made elsewhere too") << "chkAutoDownload=1|~autodownload=1" << QStringList{};
        QTest::newRow("watched folder") << "lneMonitorPath= /w " << QStringList{"~monitorpath=/w"};
        QTest::newRow("auto update on") << "chkAutoUpdate=1" << QStringList{"~autoupdate=true"};
        QTest::newRow("auto update off") << "~autoupdate=1" << QStringList{"~autoupdate=false"};
    }
    void changesAreWritten()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, writes);
        Session s;
        s.harness.fileWatcher.calls.clear();
        s.harness.messagebox.answer = "btnMessageBox_1";
        for (const QString& edit : change.replace('~', kAnn).split('|', Qt::SkipEmptyParts)) {
            const QString name = edit.section('=', 0, 0), value = edit.section('=', 1);
            QWidget* widget = name.contains('/') ? nullptr : s.get(name.toLatin1().constData());
            if (widget)
                QVERIFY(widget->metaObject()->userProperty().write(widget, value));
            else
                s.store.store.insert(name, value);
        }
        s.get<QPushButton>("btnApply")->setEnabled(true);
        s.apply();
        QCOMPARE(s.store.reads.join(' ').replace(kAnn, "~"),
                 QString("~renderoutput ~monitorpath ~poolid ekr.web/transfertype ~autologin "
                         "~autodownload ~soundfinish ~popupfinish ~prerender "
                         "ekr.general/scenefileonly ekr.general/renderlayer "
                         "ekr.general/uploadfailedfilesautomatically ~subtask ~setargument "
                         "~interruptsubmit ~autoupdate ekr.general/autostart"));
        QCOMPARE(s.writes(), writes.replaceInStrings("~", kAnn));
        QVERIFY(!s.get<QPushButton>("btnApply")->isEnabled());
        QVERIFY(!s.harness.dialogWindow()->isVisible()); // also after a question
        for (const QVariant& handle : s.store.handlesSeen)
            QCOMPARE(handle, QVariant(42));
        QCOMPARE(s.harness.fileWatcher.calls.join(' '),
                 change.contains("Monitor") ? "SetWatchPaths(/w) RestartWatching" : "");
        s.store.writes.clear();
        s.apply();
        QCOMPARE(s.writes(), QStringList()); // nothing left to write
        QCOMPARE(s.harness.messagebox.questions.size(), change.contains("chkAutoUpdate") ? 1 : 0);
    }

    void startWithTheSystem()
    {
        Session s;
        QFile entry(autoStartEntry());
        entry.remove();
        s.get<QCheckBox>("chkAutoStart")->setChecked(true);
        s.apply();
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray exec = "Exec=\"" + QCoreApplication::applicationFilePath().toUtf8();
        QVERIFY(entry.readAll().contains(exec + "\"\n"));
        entry.close();
        QCOMPARE(s.writes(), QStringList{"ekr.general/autostart=true"});
        s.get<QCheckBox>("chkAutoStart")->setChecked(false);
        s.apply();
        QVERIFY(!entry.exists());
        QVERIFY(entry.open(QIODevice::WriteOnly) && entry.write("Exec=\"/elsewhere\"\n") > 0);
        entry.close(); // an entry already there, pointing elsewhere, is kept
        s.get<QCheckBox>("chkAutoStart")->setChecked(true);
        s.apply();
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QCOMPARE(entry.readAll(), QByteArray("Exec=\"/elsewhere\"\n"));
        QVERIFY(s.writes().endsWith("ekr.general/autostart=true"));
    }

    void cancelRestoresAndTheDefaultIsCommittedOnlyWhenMoved()
    {
        Session s; // maya rows: m1 (row 0), m2 (row 1, the default)
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

        emit table->itemClicked(table->item(0, 1));
        s.apply();
        QCOMPARE(s.writes(), QStringList{kAnn + "defaultmaya=m1"});
        s.store.writes.clear();
        s.apply();
        QCOMPARE(s.writes(), QStringList());
    }

    void applyBeforeSignInUsesTheEmptyAccount()
    {
        DialogSession s;
        s.get<QCheckBox>("chkAutoLogin")->setChecked(true);
        s.get<QPushButton>("btnApply")->click();
        QCOMPARE(s.store.store.value("ekr.account./autologin"), QVariant(true));
    }
};

EKR_TEST_MAIN(ApplyTest)
#include "tst_apply.moc"
