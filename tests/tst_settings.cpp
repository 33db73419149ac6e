// The settings store and loading it into the dialog: keys and conversion
// defaults, the load after a sign-in or a change, the render software table
// with its default marks, and the store's own durability and change signal.

#include "dialog_session.h"
#include "message_capture.h"
#include "modal_answerer.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"
#include "services/settings_service.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>

namespace {
const QColor kGrey = QColor::fromRgb(200, 200, 200);
const QColor kWhite = QColor::fromRgb(255, 255, 255);

struct Session : DialogSession
{
    QTableWidget* table() const { return get<QTableWidget>("twtSoftwareVersion"); }
    QColor rowColour(int row) const { return table()->item(row, 1)->background().color(); }
    QStringList writtenKeys() const
    {
        QStringList keys;
        for (const auto& write : store.writes)
            keys << write.key;
        return keys;
    }
    void catalogue(const QString& software, const QStringList& entries)
    {
        store.store.insert("ekr.rendering/" + software, entries);
    }
};
} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    // The store itself: what comes back of every kind of value, and that an
    // absent key clears what the caller's variant held before.
    void storeRoundTripsEveryKey_data()
    {
        // The store treats every key alike; what differs is the kind of value
        // and the characters in keys and values.
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("folder") << "ekr.account.ann/renderoutput" << QVariant("C:/a b/ç;=#[x]");
        QTest::newRow("bool") << "ekr.general/autostart" << QVariant(true);
        QTest::newRow("int") << "ekr.account.ann/subtask" << QVariant(37);
        QTest::newRow("catalogue")
            << "ekr.rendering/maya" << QVariant(QStringList{"m1&Maya, 1", "m2&Maya 2"});
        QTest::newRow("login with a slash") << "ekr.account.a/b/poolid" << QVariant("p1");
        QTest::newRow("version id key") << "{x-1}/installlocation" << QVariant("/opt/x");
    }
    void storeRoundTripsEveryKey()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QTemporaryDir folder;
        const QString file = folder.path() + "/ekr_client.ini";
        {
            SettingsService store(file);
            QCOMPARE(store.Initialize({}), 0);
            QVariant read = QVariant("left over");
            store.GetValue(read, QVariant(1), key);
            QVERIFY(!read.isValid());
            store.SetValue(QVariant(1), key, value);
            store.GetValue(read, QVariant(1), key);
            QCOMPARE(read, value);
            store.GetValue(read, QVariant(1), key + "x");
            QVERIFY(!read.isValid());
            QCOMPARE(read.toString(), QString());
            QCOMPARE(read.toInt(), 0);
            QVERIFY(!read.toBool());
            QCOMPARE(store.Uninitialize(), 0);
        }
        SettingsService reopened(file);
        QVariant read;
        reopened.GetValue(read, QVariant(1), key);
        // The INI file keeps text: what the component reads back converts the same.
        QCOMPARE(read.toString(), value.toString());
        QCOMPARE(read.toInt(), value.toInt());
        QCOMPARE(read.toBool(), value.toBool());
        QCOMPARE(read.toStringList(), value.toStringList());
    }

    void nothingLoadsBeforeASignIn()
    {
        Session s;
        s.store.store.insert("ekr.account./autologin", true);
        emit s.store.SettingsUpdated();
        QCOMPARE(s.store.reads, QStringList());
        QVERIFY(!s.get<QCheckBox>("chkAutoLogin")->isChecked());
    }

    void loadShowsEveryStoredValue()
    {
        Session s;
        s.harness.signIn("ann");
        s.get<QComboBox>("cmbPool")->addItem("Pool A", "a");
        s.get<QComboBox>("cmbPool")->addItem("Pool B", "b");
        const QString a = "ekr.account.ann/";
        const QVariantHash stored{{a + "renderoutput", "/out"},
                                  {a + "monitorpath", "/watch"},
                                  {a + "poolid", "b"},
                                  {a + "autologin", true},
                                  {a + "autodownload", "true"},
                                  {a + "soundfinish", 1},
                                  {a + "popupfinish", true},
                                  {a + "autoupdate", true},
                                  {a + "prerender", true},
                                  {a + "interruptsubmit", true},
                                  {a + "setargument", true},
                                  {a + "subtask", 500},
                                  {"ekr.general/autostart", true},
                                  {"ekr.general/renderlayer", true},
                                  {"ekr.general/uploadfailedfilesautomatically", true},
                                  {"ekr.general/scenefileonly", true},
                                  {"ekr.web/transfertype", 7}};
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            s.store.store.insert(it.key(), it.value());
        s.store.reads.clear();
        s.store.writes.clear();
        s.get<QPushButton>("btnApply")->setEnabled(false);

        emit s.store.SettingsUpdated();
        QCOMPARE(
            s.store.reads,
            QStringList({a + "renderoutput", a + "monitorpath", a + "autologin", a + "autodownload",
                         a + "soundfinish", a + "popupfinish", a + "autoupdate", a + "prerender",
                         a + "interruptsubmit", a + "setargument", a + "subtask",
                         "ekr.general/autostart", "ekr.general/renderlayer",
                         "ekr.general/uploadfailedfilesautomatically", "ekr.general/scenefileonly",
                         a + "poolid", "ekr.web/transfertype"}));
        QCOMPARE(s.store.writes.size(), 0);
        QCOMPARE(s.get<QLineEdit>("lneSavePath")->text(), QStringLiteral("/out"));
        QCOMPARE(s.get<QLineEdit>("lneMonitorPath")->text(), QStringLiteral("/watch"));
        for (const char* box :
             {"chkAutoLogin", "chkAutoDownload", "chkSoundFinish", "chkPopupFinish",
              "chkAutoUpdate", "chkInterruptSubmit", "chkSetArgument", "chkAutoStart",
              "chkEnableRenderLayer", "chkEnableAutoUploadFailedFiles", "chkUploadSceneFileOnly"})
            QVERIFY2(s.get<QCheckBox>(box)->isChecked(), box);
        // Both stored as true: set-argument is loaded last and wins.
        QVERIFY(!s.get<QCheckBox>("chkPrerender")->isChecked());
        QCOMPARE(s.get<QSpinBox>("spbSubTask")->value(), 100);
        QCOMPARE(s.store.store.value(a + "subtask"), QVariant(500)); // until applied
        QCOMPARE(s.get<QComboBox>("cmbPool")->currentIndex(), 1);
        QCOMPARE(s.get<QComboBox>("cmbTransferType")->currentIndex(), 0); // only "ftp"
        QVERIFY(s.get<QPushButton>("btnApply")->isEnabled());

        // A load that changes nothing leaves Apply as it is. (With both render
        // options stored as true every load toggles them again.)
        s.store.store.insert(a + "prerender", false);
        emit s.store.SettingsUpdated();
        s.get<QPushButton>("btnApply")->setEnabled(false);
        emit s.store.SettingsUpdated();
        QVERIFY(!s.get<QPushButton>("btnApply")->isEnabled());
    }

    void poolIsChosenByExactId_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("index");
        QTest::newRow("exact") << QVariant("pool-B") << 1;
        QTest::newRow("other case") << QVariant("POOL-B") << 0;
        QTest::newRow("absent") << QVariant() << 0;
        QTest::newRow("withdrawn") << QVariant("pool-Z") << 0;
    }
    void poolIsChosenByExactId()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, index);
        Session s;
        s.harness.signIn("ann");
        auto* pools = s.get<QComboBox>("cmbPool");
        pools->addItem("A", "pool-A");
        pools->addItem("B", "pool-B");
        pools->setCurrentIndex(1 - index);
        if (stored.isValid())
            s.store.store.insert("ekr.account.ann/poolid", stored);
        emit s.store.SettingsUpdated();
        QCOMPARE(pools->currentIndex(), index);
    }

    void tableFill_data()
    {
        QTest::addColumn<QVariantHash>("stored");
        QTest::addColumn<QStringList>("rows");     // "label|folder|colour" per row
        QTest::addColumn<QVariantHash>("written"); // default keys written by the fill
        const QString dm = "ekr.account.ann/defaultmaya";
        const QString dx = "ekr.account.ann/defaultmax";
        const QVariantHash catalogue{
            {"ekr.rendering/maya", QStringList{"m1&Maya 1", "m2&Maya 2"}},
            {"ekr.rendering/3dsmax", QStringList{"x1&Max 1", "x2&Max 2"}},
            {"ekr.rendering/blender", QStringList{"b1&Blender 1", "nolabel"}},
            {"m1/installlocation", "/maya1"},
            {"m2/installlocation", "/maya2"},
            {"x1/installlocation", "/max1"},
            {"b1/installlocation", "/blender1"}};
        auto with = [&catalogue](const QVariantHash& extra) {
            QVariantHash all = catalogue;
            for (auto it = extra.cbegin(); it != extra.cend(); ++it)
                all.insert(it.key(), it.value());
            return all;
        };
        // Software names are listed sorted: 3dsmax, blender, maya.
        QTest::newRow("no stored defaults: last installed wins")
            << with({})
            << QStringList{"Max 1|/max1|grey", "Max 2||", "Blender 1|/blender1|", "Maya 1|/maya1|",
                           "Maya 2|/maya2|grey"}
            << QVariantHash{{dx, "x1"}, {dm, "m2"}};
        QTest::newRow("stored defaults with folders")
            << with({{dx, "x1"}, {dm, "m1"}})
            << QStringList{"Max 1|/max1|grey", "Max 2||", "Blender 1|/blender1|",
                           "Maya 1|/maya1|grey", "Maya 2|/maya2|"}
            << QVariantHash{};
        QTest::newRow("stored default without folder")
            << with({{dx, "x2"}, {dm, "m2"}})
            << QStringList{"Max 1|/max1|", "Max 2||", "Blender 1|/blender1|", "Maya 1|/maya1|",
                           "Maya 2|/maya2|grey"}
            << QVariantHash{{dx, ""}};
        QTest::newRow("stored default no longer listed")
            << with({{dx, "x1"}, {dm, "m9"}})
            << QStringList{"Max 1|/max1|grey", "Max 2||", "Blender 1|/blender1|", "Maya 1|/maya1|",
                           "Maya 2|/maya2|"}
            << QVariantHash{{dm, ""}};
        QTest::newRow("empty catalogue")
            << QVariantHash{{dx, "x1"}} << QStringList{} << QVariantHash{{dx, ""}};
    }
    void tableFill()
    {
        QFETCH(QVariantHash, stored);
        QFETCH(QStringList, rows);
        QFETCH(QVariantHash, written);
        Session s;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            s.store.store.insert(it.key(), it.value());
        s.harness.signIn("ann");

        QStringList shown;
        for (int row = 0; row < s.table()->rowCount(); ++row) {
            const QColor colour = s.rowColour(row);
            shown << QString("%1|%2|%3")
                         .arg(s.table()->item(row, 0)->text(), s.table()->item(row, 1)->text(),
                              colour == kGrey ? "grey" : "");
            QCOMPARE(s.table()->item(row, 0)->background(), s.table()->item(row, 1)->background());
        }
        QCOMPARE(shown, rows);
        QVariantHash defaultsWritten;
        for (const auto& write : s.store.writes) {
            if (write.key.startsWith("ekr.account.ann/default"))
                defaultsWritten.insert(write.key, write.value);
        }
        QCOMPARE(defaultsWritten, written);

        // Once the defaults agree with the catalogue, signing in again writes
        // none of them.
        if (written.isEmpty()) {
            s.store.writes.clear();
            s.harness.signIn("ann");
            QVERIFY(!s.writtenKeys().join(' ').contains("default"));
        }
    }

    void clickingMovesTheMarkOfItsApplication()
    {
        Session s;
        s.catalogue("maya", {"m1&Maya 1", "m2&Maya 2", "m3&Maya 3"});
        s.catalogue("3dsmax", {"x1&Max 1"});
        s.catalogue("blender", {"b1&Blender"});
        for (const char* id : {"m1", "m2", "x1", "b1"})
            s.store.store.insert(QString("%1/installlocation").arg(id), "/somewhere");
        s.store.store.insert("ekr.account.ann/defaultmaya", "m1");
        s.harness.signIn("ann"); // rows: Max 1, Blender, Maya 1, Maya 2, Maya 3
        auto* apply = s.get<QPushButton>("btnApply");
        QCOMPARE(s.rowColour(2), kGrey);

        apply->setEnabled(false);
        emit s.table()->itemClicked(s.table()->item(3, 0));
        QCOMPARE(s.rowColour(2), kWhite);
        QCOMPARE(s.rowColour(3), kGrey);
        QCOMPARE(s.rowColour(0), kGrey); // 3dsmax untouched
        QVERIFY(apply->isEnabled());

        // Not installed: deselected, nothing else.
        apply->setEnabled(false);
        s.table()->selectRow(4);
        emit s.table()->itemClicked(s.table()->item(4, 1));
        QVERIFY(!s.table()->item(4, 0)->isSelected() && !s.table()->item(4, 1)->isSelected());
        QCOMPARE(s.rowColour(3), kGrey);
        QVERIFY(!apply->isEnabled());

        // Another application: only Apply.
        emit s.table()->itemClicked(s.table()->item(1, 0));
        QVERIFY(apply->isEnabled());
        QVERIFY(s.rowColour(1) != kGrey);

        // A reload drops the unapplied choice and makes the default current.
        emit s.store.SettingsUpdated();
        QCOMPARE(s.rowColour(2), kGrey);
        QCOMPARE(s.rowColour(3), kWhite);
        QCOMPARE(s.table()->currentRow(), 2);
        QVERIFY(!s.store.writes.isEmpty());
        QVERIFY(!s.writtenKeys().contains("ekr.account.ann/defaultmaya"));
    }

    void doubleClickSetsAnInstallationFolder_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("withProgram");
        QTest::addColumn<bool>("taken");
        QTest::newRow("folder with the program") << 1 << true << true;
        QTest::newRow("folder without it") << 1 << false << false;
        QTest::newRow("first column") << 0 << true << false;
    }
    void doubleClickSetsAnInstallationFolder()
    {
        QFETCH(int, column);
        QFETCH(bool, withProgram);
        QFETCH(bool, taken);
        Session s;
        s.catalogue("maya", {"m1&Maya 1", "m2&Maya 2"});
        s.store.store.insert("m1/installlocation", "/maya1");
        s.store.store.insert("maya/analyzer", "mayabatch");
        s.harness.signIn("ann");
        QTemporaryDir folder;
        if (withProgram) {
            QFile program(folder.path() + "/mayabatch");
            QVERIFY(program.open(QIODevice::WriteOnly));
        }
        bool chooserOpened = false;
        QObject guard; // ends the answer with this test
        answerNextModal<QFileDialog>(&guard, [&](QFileDialog* chooser) {
            chooserOpened = true;
            QCOMPARE(chooser->windowTitle(), QStringLiteral("Choose software installation path"));
            chooser->setDirectory(folder.path());
            QMetaObject::invokeMethod(chooser, "accept");
        });
        s.get<QPushButton>("btnApply")->setEnabled(false);
        s.store.writes.clear();
        emit s.table()->cellDoubleClicked(1, column);
        QCOMPARE(chooserOpened, column == 1);

        QCOMPARE(s.table()->item(1, 1)->text(), taken ? folder.path() : QString());
        QCOMPARE(s.store.store.value("m2/installlocation").toString(),
                 taken ? folder.path() : QString());
        QCOMPARE(s.writtenKeys(), taken ? QStringList{"m2/installlocation"} : QStringList{});
        QCOMPARE(s.rowColour(1) == kGrey, taken);
        QCOMPARE(s.rowColour(0) == kGrey, !taken);
        QVERIFY(!s.get<QPushButton>("btnApply")->isEnabled());
    }

    // The client's real store: another writer's change reaches the dialog,
    // the component's own writes never echo back, and a folder chosen in the
    // table outlives the service.
    void realStoreFollowsOtherWritersAndKeepsWrites()
    {
        PluginHarness harness;
        harness.useHostUiLoader();
        SettingsService* store = harness.useHostSettings();
        harness.bringUp();
        QCOMPARE(harness.initializeAndStart(), 0);
        QSignalSpy updates(store, SIGNAL(SettingsUpdated()));
        store->SetValue(QVariant(), "ekr.rendering/maya", QStringList{"m1&Maya 1"});
        store->SetValue(QVariant(), "maya/analyzer", "maya");
        harness.signIn("ann");
        QTest::qWait(300);
        QCOMPARE(updates.count(), 0);

        QSettings other(store->filePath(), QSettings::IniFormat);
        other.setValue("ekr.account.ann/autologin", true);
        other.sync();
        QTRY_VERIFY(harness.widget<QCheckBox>("chkAutoLogin")->isChecked());
        QCOMPARE(updates.count(), 1);

        QTemporaryDir folder;
        QFile(folder.path() + "/maya").open(QIODevice::WriteOnly);
        QObject guard; // ends the answer with this test
        answerNextModal<QFileDialog>(&guard, [&](QFileDialog* chooser) {
            chooser->setDirectory(folder.path());
            QMetaObject::invokeMethod(chooser, "accept");
        });
        emit harness.widget<QTableWidget>("twtSoftwareVersion")->cellDoubleClicked(0, 1);
        SettingsService restarted(store->filePath());
        QVariant location;
        QTRY_VERIFY((restarted.GetValue(location, QVariant(), "m1/installlocation"),
                     location.toString() == folder.path()));
    }

    void unwritableStoreKeepsValuesAndSaysSo()
    {
        QTemporaryDir folder;
        const QString file = folder.path() + "/ekr_client.ini";
        QVERIFY(QDir().mkpath(file)); // a folder where the file should be
        MessageCapture capture;
        SettingsService store(file);
        store.Initialize({});
        store.SetValue(QVariant(), "ekr.general/autostart", true);
        QVERIFY(!store.sync());
        QVariant value;
        store.GetValue(value, QVariant(), "ekr.general/autostart");
        QCOMPARE(value, QVariant(true));
        const auto lines = capture.fromCategory("ekr.host.settings");
        QVERIFY(!lines.isEmpty());
        QVERIFY(lines.last().text.contains("cannot be written"));
    }
};

EKR_TEST_MAIN(SettingsTest)
#include "tst_settings.moc"
