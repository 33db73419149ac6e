// The settings store, loading it into the dialog, and the render software table.

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

struct Session : DialogSession
{
    QTableWidget* table() const { return get<QTableWidget>("twtSoftwareVersion"); }
    // Per row: 'x' for the grey default mark, '.' for none.
    QString marks() const
    {
        QString text;
        for (int row = 0; row < table()->rowCount(); ++row)
            text += table()->item(row, 1)->background().color() == kGrey ? 'x' : '.';
        return text;
    }
    void put(const QVariantHash& values)
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            store.store.insert(it.key(), it.value());
    }
};

// Max 1, Max 2 (not installed), Blender 1, Maya 1, Maya 2 once sorted by software.
const QVariantHash kCatalogue{{"ekr.rendering/maya", QStringList{"m1&Maya 1", "m2&Maya 2"}},
                              {"ekr.rendering/3dsmax", QStringList{"x1&Max 1", "x2&Max 2"}},
                              {"ekr.rendering/blender", QStringList{"b1&Blender 1", "nolabel"}},
                              {"m1/installlocation", "/maya1"},
                              {"m2/installlocation", "/maya2"},
                              {"x1/installlocation", "/max1"},
                              {"b1/installlocation", "/blender1"}};
} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void storeRoundTripsEveryKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("writable"); // not: a folder where the file should be
        QTest::newRow("path") << "ekr.account.a/renderoutput" << QVariant("C:/a b/ç;=#[x]") << true;
        QTest::newRow("bool") << "ekr.general/autostart" << QVariant(true) << true;
        QTest::newRow("int") << "ekr.account.ann/subtask" << QVariant(37) << true;
        QTest::newRow("list") << "ekr.rendering/x" << QVariant(QStringList{"m&M, 1", "n"}) << true;
        QTest::newRow("login with a slash") << "ekr.account.a/b/poolid" << QVariant("p1") << true;
        QTest::newRow("version id key") << "{x-1}/installlocation" << QVariant("/opt/x") << true;
        QTest::newRow("unwritable") << "ekr.general/autostart" << QVariant(true) << false;
    }
    void storeRoundTripsEveryKey()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(bool, writable);
        QTemporaryDir folder;
        const QString file = folder.path() + "/ekr_client.ini";
        QVERIFY(writable || QDir().mkpath(file));
        MessageCapture capture;
        QVariant read = QVariant("left over");
        SettingsService store(file);
        QCOMPARE(store.Initialize({}), 0);
        store.GetValue(read, QVariant(1), key);
        QVERIFY(!read.isValid()); // an absent key clears the caller's variant
        store.SetValue(QVariant(1), key, value);
        store.GetValue(read, QVariant(1), key);
        QCOMPARE(read, value); // kept in memory even when it cannot be saved
        QCOMPARE(store.sync(), writable);
        const auto lines = capture.fromCategory("ekr.host.settings");
        QCOMPARE(!lines.isEmpty() && lines.last().text.contains("cannot be written"), !writable);
        if (!writable)
            return;
        SettingsService reopened(file);
        reopened.GetValue(read, QVariant(1), key);
        auto shapes = [](const QVariant& v) {
            return QVariantList{v.toString(), v.toInt(), v.toBool(), v.toStringList()};
        };
        QCOMPARE(shapes(read), shapes(value)); // the INI file keeps text, converted alike
    }

    void loadShowsEveryStoredValue()
    {
        Session s;
        s.store.store.insert("ekr.account./autologin", true);
        emit s.store.SettingsUpdated();
        QCOMPARE(s.store.reads, QStringList()); // nothing loads before a sign-in
        QVERIFY(!s.get<QCheckBox>("chkAutoLogin")->isChecked());

        s.harness.signIn("ann");
        auto* pools = s.get<QComboBox>("cmbPool");
        pools->addItem("Pool A", "a");
        pools->addItem("Pool B", "b");
        const QString a = "ekr.account.ann/";
        QStringList reads;
        for (const QString key :
             {"renderoutput", "monitorpath", "autologin", "autodownload", "soundfinish",
              "popupfinish", "autoupdate", "prerender", "interruptsubmit", "setargument", "subtask",
              "ekr.general/autostart", "ekr.general/renderlayer",
              "ekr.general/uploadfailedfilesautomatically", "ekr.general/scenefileonly", "poolid",
              "ekr.web/transfertype"})
            s.store.store.insert((reads << (key.contains('/') ? key : a + key)).last(), true);
        s.put({{a + "renderoutput", "/out"}, {a + "monitorpath", "/watch"}, {a + "poolid", "b"}});
        s.put({{a + "autodownload", "true"}, {a + "soundfinish", 1}, {a + "subtask", 500}});
        s.store.store.insert("ekr.web/transfertype", 7);
        s.store.reads.clear();
        s.store.writes.clear();
        s.get<QPushButton>("btnApply")->setEnabled(false);

        emit s.store.SettingsUpdated();
        QCOMPARE(s.store.reads, reads);
        QCOMPARE(s.store.writes.size(), 0);
        QCOMPARE(s.get<QLineEdit>("lneSavePath")->text(), QStringLiteral("/out"));
        QCOMPARE(s.get<QLineEdit>("lneMonitorPath")->text(), QStringLiteral("/watch"));
        // All stored as true; of the two render options set-argument loads last and wins.
        for (auto* box : s.harness.dialogWindow()->findChildren<QCheckBox*>())
            QVERIFY2(box->isChecked() == (box->objectName() != "chkPrerender"),
                     qPrintable(box->objectName()));
        QCOMPARE(s.get<QSpinBox>("spbSubTask")->value(), 100);
        QCOMPARE(pools->currentIndex(), 1);
        QCOMPARE(s.get<QComboBox>("cmbTransferType")->currentIndex(), 0); // only "ftp"
        QVERIFY(s.get<QPushButton>("btnApply")->isEnabled());

        s.store.store.insert(a + "prerender", false); // then a load changing nothing
        emit s.store.SettingsUpdated();
        s.get<QPushButton>("btnApply")->setEnabled(false);
        emit s.store.SettingsUpdated();
        QVERIFY(!s.get<QPushButton>("btnApply")->isEnabled()); // leaves Apply as it is

        // The pool is matched by exact id; anything else falls back to the first.
        for (const QVariant& id : {QVariant("B"), QVariant("z"), QVariant()}) {
            pools->setCurrentIndex(1);
            s.store.store.insert(a + "poolid", id);
            emit s.store.SettingsUpdated();
            QCOMPARE(pools->currentIndex(), 0);
        }
    }

    void tableFill_data()
    {
        QTest::addColumn<QString>("defaults"); // of max and maya; "-": absent or not written
        QTest::addColumn<QString>("marks");    // "": an empty catalogue
        QTest::addColumn<QString>("written");
        QTest::newRow("none stored: last installed") << "- -" << QString("x...x") << "x1 m2";
        QTest::newRow("stored, installed") << "x1 m1" << QString("x..x.") << "- -";
        QTest::newRow("stored, no folder") << "x2 m2" << QString("....x") << " -";
        QTest::newRow("stored, no longer listed") << "x1 m9" << QString("x....") << "- ";
        QTest::newRow("empty catalogue") << "x1 -" << QString() << " -";
    }
    void tableFill()
    {
        QFETCH(QString, defaults);
        QFETCH(QString, marks);
        QFETCH(QString, written);
        Session s;
        const QStringList keys{"ekr.account.ann/defaultmax", "ekr.account.ann/defaultmaya"};
        if (!marks.isEmpty())
            s.put(kCatalogue);
        for (int i : {0, 1}) {
            if (defaults.split(' ')[i] != "-")
                s.store.store.insert(keys[i], defaults.split(' ')[i]);
        }
        s.harness.signIn("ann");
        QCOMPARE(s.marks(), marks);
        QStringList shown;
        for (int row = 0; row < s.table()->rowCount(); ++row) {
            shown << s.table()->item(row, 0)->text() + "|" + s.table()->item(row, 1)->text();
            QCOMPARE(s.table()->item(row, 0)->background(), s.table()->item(row, 1)->background());
        }
        if (!marks.isEmpty())
            QCOMPARE(shown, QStringList({"Max 1|/max1", "Max 2|", "Blender 1|/blender1",
                                         "Maya 1|/maya1", "Maya 2|/maya2"}));
        auto writtenNow = [&] {
            QStringList text;
            for (const QString& key : keys)
                text << (s.written(key).isValid() ? s.written(key).toString() : "-");
            return text.join(' ');
        };
        QCOMPARE(writtenNow(), written);
        if (written == "- -") { // stable: signing in again writes no default
            s.harness.signIn("ann");
            QCOMPARE(writtenNow(), written);
        }
    }

    void clickingRows_data()
    {
        QTest::addColumn<int>("column");        // of the double-click
        QTest::addColumn<QVariant>("analyzer"); // the program's stored name; invalid: none
        QTest::addColumn<QString>("made"); // in the chosen folder, "x/" a folder; "cancel": none
        QTest::addColumn<bool>("taken");
        const QVariant maxbatch("maxbatch");
        QTest::newRow("folder with the program") << 1 << maxbatch << "maxbatch" << true;
        QTest::newRow("program is a bundle folder") << 1 << maxbatch << "maxbatch/" << true;
        QTest::newRow("folder without it") << 1 << maxbatch << "" << false;
        QTest::newRow("first column") << 0 << maxbatch << "maxbatch" << false;
        QTest::newRow("chooser cancelled")
            << 1 << QVariant("tmp") << "cancel" << false; // "/" + name exists
        QTest::newRow("no program name") << 1 << QVariant() << "" << false;
        QTest::newRow("name with a slash") << 1 << QVariant("bin/mb") << "bin/mb" << false;
        QTest::newRow("name with a backslash") << 1 << QVariant("bin\\mb") << "bin\\mb" << false;
        QTest::newRow("name \"..\"") << 1 << QVariant("..") << "" << false;
        QTest::newRow("name \".\"") << 1 << QVariant(".") << "" << false;
    }
    void clickingRows()
    {
        QFETCH(int, column);
        QFETCH(QVariant, analyzer);
        QFETCH(QString, made);
        QFETCH(bool, taken);
        Session s;
        s.put(kCatalogue);
        s.put({{"ekr.account.ann/defaultmaya", "m1"}});
        if (analyzer.isValid())
            s.put({{"3dsmax/analyzer", analyzer}});
        s.harness.signIn("ann");
        auto* apply = s.get<QPushButton>("btnApply");

        apply->setEnabled(false);
        emit s.table()->itemClicked(s.table()->item(4, 0));
        QCOMPARE(s.marks(), QStringLiteral("x...x")); // 3dsmax untouched
        QVERIFY(apply->isEnabled());

        apply->setEnabled(false);
        s.table()->selectRow(1); // not installed: deselected, nothing else
        emit s.table()->itemClicked(s.table()->item(1, 1));
        QVERIFY(!s.table()->item(1, 0)->isSelected() && !s.table()->item(1, 1)->isSelected());
        QVERIFY(!apply->isEnabled());

        emit s.table()->itemClicked(s.table()->item(2, 0)); // another application: only Apply
        QVERIFY(apply->isEnabled());
        QCOMPARE(s.marks(), QStringLiteral("x...x"));

        emit s.store.SettingsUpdated(); // drops the unapplied choice, default made current
        QCOMPARE(s.marks(), QStringLiteral("x..x."));
        QCOMPARE(s.table()->currentRow(), 3);
        QVERIFY(s.written("ekr.account.ann/defaultmaya").isNull());

        // Double-clicking a folder asks for one; it is taken only if it holds the program.
        QTemporaryDir folder;
        const QString program = folder.path() + '/' + made;
        QVERIFY(QDir().mkpath(QFileInfo(program).path()));
        QVERIFY(made.isEmpty() || made == "cancel" || made.endsWith('/') ||
                QFile(program).open(QIODevice::WriteOnly));
        bool chooserOpened = false;
        QObject guard; // ends the answer with this test
        answerNextModal<QFileDialog>(&guard, [&](QFileDialog* chooser) {
            chooserOpened = chooser->windowTitle() == "Choose software installation path";
            chooser->setDirectory(folder.path());
            QMetaObject::invokeMethod(chooser, made == "cancel" ? "reject" : "accept");
        });
        apply->setEnabled(false);
        s.store.writes.clear();
        emit s.table()->cellDoubleClicked(1, column);
        QCOMPARE(chooserOpened, column == 1);
        const QString path = taken ? folder.path() : QString();
        QCOMPARE(s.table()->item(1, 1)->text(), path);
        QCOMPARE(s.writes(), taken ? QStringList{"x2/installlocation=" + path} : QStringList{});
        QCOMPARE(s.marks(), QString(taken ? ".x.x." : "x..x."));
        QVERIFY(!apply->isEnabled());
    }

    // The real store: another writer's change reaches the dialog, the
    // component's own writes never echo back and outlive the service.
    void realStoreFollowsOtherWritersAndKeepsWrites()
    {
        PluginHarness harness;
        harness.useHostUiLoader();
        SettingsService* store = harness.useHostSettings();
        harness.bringUp();
        QCOMPARE(harness.initializeAndStart(), 0);
        QSignalSpy updates(store, SIGNAL(SettingsUpdated()));
        store->SetValue(QVariant(), "ekr.rendering/maya", QStringList{"m1&Maya 1"});
        store->SetValue(QVariant(), "m1/installlocation", "/maya1");
        harness.signIn("ann"); // the table fill writes the default version
        QTest::qWait(300);
        QCOMPARE(updates.count(), 0);

        QSettings other(store->filePath(), QSettings::IniFormat);
        other.setValue("ekr.account.ann/autologin", true);
        other.sync();
        QTRY_VERIFY(harness.widget<QCheckBox>("chkAutoLogin")->isChecked());
        QCOMPARE(updates.count(), 1);
        SettingsService restarted(store->filePath());
        QVariant written;
        QTRY_VERIFY((restarted.GetValue(written, QVariant(), "ekr.account.ann/defaultmaya"),
                     written.toString() == "m1"));
    }
};

EKR_TEST_MAIN(SettingsTest)
#include "tst_settings.moc"
