// Building the settings dialog from the client's widget tree.

#include "dialog_session.h"
#include "message_capture.h"
#include "modal_answerer.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"
#include "services/uiloader_service.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QUiLoader>

namespace {
const char* const kCheckBoxes[] = {"chkAutoDownload",      "chkPopupFinish",
                                   "chkSoundFinish",       "chkAutoStart",
                                   "chkAutoLogin",         "chkAutoUpdate",
                                   "chkEnableRenderLayer", "chkEnableAutoUploadFailedFiles",
                                   "chkPrerender",         "chkUploadSceneFileOnly",
                                   "chkSetArgument",       "chkInterruptSubmit"};

struct Dialog : DialogSession
{
    UiLoaderService* loader = harness.hostUiLoader();
    QWidget* window() const { return harness.dialogWindow(); }
    QPushButton* apply() const { return get<QPushButton>("btnApply"); }
};

QString resourceText(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromLatin1(file.readAll());
}
} // namespace

class DialogTest : public QObject
{
    Q_OBJECT

private slots:
    void constructionSetsUpTheTree()
    {
        Dialog d;
        QWidget* window = d.window();
        QVERIFY(window);
        QCOMPARE(window->windowFlags(), Qt::WindowMinimizeButtonHint |
                                            Qt::MSWindowsFixedSizeDialogHint | Qt::Dialog |
                                            Qt::FramelessWindowHint);
        QVERIFY(window->autoFillBackground() && !d.apply()->isEnabled());
        QVERIFY(d.get<QLineEdit>("lneSavePath")->isReadOnly() &&
                d.get<QLineEdit>("lneMonitorPath")->isReadOnly());
        for (const char* hidden : {"lneMonitorPath", "btnMonitorPath", "lblMonitorPath"})
            QVERIFY2(d.get(hidden)->isHidden(), hidden);
        auto* spin = d.get<QSpinBox>("spbSubTask");
        QCOMPARE(QPoint(spin->minimum(), spin->maximum()), QPoint(1, 100));
        auto* transfer = d.get<QComboBox>("cmbTransferType");
        QCOMPARE(transfer->count(), 1);
        QCOMPARE(transfer->itemText(0), QStringLiteral("ftp"));
        QCOMPARE(transfer->itemData(0, Qt::UserRole), QVariant(int(0)));

        auto* pages = d.get<QListWidget>("lwtConfiguration");
        auto* stack = d.get<QStackedWidget>("swtConfiguration");
        QCOMPARE(pages->count(), 4);
        const QStringList titles{"General", "Render", "Reminder", "VersionSetting"};
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(pages->item(row)->text(), titles.at(row));
            QCOMPARE(pages->item(row)->textAlignment(), int(Qt::AlignCenter));
        }
        QCOMPARE(pages->focusPolicy(), Qt::NoFocus);
        QCOMPARE(stack->currentIndex(), 0);
        for (int row : {2, 3, 1, 0}) {
            pages->setCurrentRow(row);
            QCOMPARE(stack->currentIndex(), row);
        }

        auto* grid = qobject_cast<QGridLayout*>(window->layout());
        QVERIFY(grid);
        QVERIFY(grid->itemAtPosition(0, 0)->spacerItem());
        QCOMPARE(grid->itemAtPosition(0, 1), grid->itemAtPosition(0, 0)); // spans both columns
        QCOMPARE(grid->itemAtPosition(0, 0)->spacerItem()->sizeHint(), QSize(500, 30));
        QCOMPARE(grid->itemAtPosition(1, 0)->widget(), pages);
        QCOMPARE(grid->itemAtPosition(1, 1)->widget(), stack);
        QCOMPARE(QPoint(grid->columnStretch(0), grid->columnStretch(1)), QPoint(1, 4));
        QCOMPARE(d.get<QTableWidget>("twtSoftwareVersion")->columnCount(), 2);
    }

    // Edits enabling Apply are proven by behaviour in editsEnableApply.
    void everyConnectionIsMade()
    {
        Dialog d;
        QObject* c = d.harness.component();
        const struct
        {
            QObject* from;
            const char* signal;
            QObject* to;
            const char* slot;
        } links[] = {
            {d.get("btnSavePath"), SIGNAL(clicked()), c, SLOT(SelectRenderOutputPath())},
            {d.get("btnMonitorPath"), SIGNAL(clicked()), c, SLOT(SelectMonitorPath())},
            {d.get("btnApply"), SIGNAL(clicked()), c, SLOT(TriggerApply())},
            {d.get("btnCancel"), SIGNAL(clicked()), c, SLOT(TriggerCancel())},
            {d.get("btnUpdate"), SIGNAL(clicked()), c, SLOT(CheckforUpdates())},
            {d.get("twtSoftwareVersion"), SIGNAL(cellDoubleClicked(int, int)), c,
             SLOT(CellDoubleClicked(int, int))},
            {d.get("twtSoftwareVersion"), SIGNAL(itemClicked(QTableWidgetItem*)), c,
             SLOT(ItemClicked(QTableWidgetItem*))},
            {d.get("chkSetArgument"), SIGNAL(stateChanged(int)), c, SLOT(StateChanged(int))},
            {d.get("chkPrerender"), SIGNAL(stateChanged(int)), c, SLOT(StateChanged(int))},
            {d.loader, SIGNAL(SkinChanged(QString)), c, SLOT(ChangeSkin(QString))},
            {d.loader, SIGNAL(LanguageChanged(QString)), c, SLOT(ChangeLanguage(QString))},
            {d.get("btnClose"), SIGNAL(clicked()), d.window(), SLOT(close())},
            {d.get("btnMin"), SIGNAL(clicked()), d.window(), SLOT(hide())},
            {d.get("lwtConfiguration"), SIGNAL(currentRowChanged(int)), d.get("swtConfiguration"),
             SLOT(setCurrentIndex(int))},
        };
        // disconnect answers whether such a connection existed.
        for (const auto& link : links)
            QVERIFY2(QObject::disconnect(link.from, link.signal, link.to, link.slot), link.slot);
    }

    void editsEnableApply()
    {
        Dialog d;
        d.get<QComboBox>("cmbPool")->addItems({"a", "b"});
        auto enables = [&](const std::function<void()>& edit) {
            d.apply()->setEnabled(false);
            edit();
            return d.apply()->isEnabled();
        };
        QVERIFY(enables([&] { d.get<QLineEdit>("lneSavePath")->setText("/x"); }));
        QVERIFY(enables([&] { d.get<QLineEdit>("lneMonitorPath")->setText("/y"); }));
        QVERIFY(enables([&] { d.get<QComboBox>("cmbPool")->setCurrentIndex(1); }));
        QVERIFY(enables([&] { d.get<QComboBox>("cmbTransferType")->setCurrentIndex(-1); }));
        QVERIFY(enables([&] { d.get<QSpinBox>("spbSubTask")->setValue(7); }));
        for (const char* box : kCheckBoxes)
            QVERIFY2(enables([&] { d.get<QCheckBox>(box)->toggle(); }), box);
        // Prerender and set-argument exclude each other, both ways.
        for (auto names : {std::make_pair("chkPrerender", "chkSetArgument"),
                           std::make_pair("chkSetArgument", "chkPrerender")}) {
            auto* first = d.get<QCheckBox>(names.first);
            auto* second = d.get<QCheckBox>(names.second);
            first->setChecked(true);
            d.apply()->setEnabled(false);
            second->setChecked(true);
            QVERIFY(second->isChecked() && !first->isChecked() && d.apply()->isEnabled());
            second->setChecked(false); // unchecking never checks the other box
            QVERIFY(!first->isChecked());
        }
    }

    void languageChangesTextsOnly()
    {
        Dialog d;
        auto* autoUpdate = d.get<QCheckBox>("chkAutoUpdate");
        auto* table = d.get<QTableWidget>("twtSoftwareVersion");
        QCOMPARE(autoUpdate->text(), QStringLiteral("Enbale auto update"));
        autoUpdate->setChecked(true);
        d.get<QLineEdit>("lneSavePath")->setText("/render/out");
        table->setRowCount(1);
        table->setItem(0, 0, new QTableWidgetItem("maya 2024"));
        d.get<QComboBox>("cmbPool")->addItem("Pool A", "a");

        QVERIFY(d.loader->setLanguage("zh_CN"));
        QCOMPARE(d.window()->windowTitle(), QStringLiteral("设置"));
        QCOMPARE(autoUpdate->text(), QStringLiteral("启用自动更新"));
        QCOMPARE(d.get<QListWidget>("lwtConfiguration")->item(3)->text(),
                 QStringLiteral("版本设置"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("安装路径"));
        // Values, rows and items stay as they were.
        QVERIFY(autoUpdate->isChecked());
        QCOMPARE(d.get<QLineEdit>("lneSavePath")->text(), QStringLiteral("/render/out"));
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("maya 2024"));
        QCOMPARE(d.get<QComboBox>("cmbPool")->count() + table->rowCount(), 2);
        QCOMPARE(d.get<QComboBox>("cmbTransferType")->count() +
                     d.get<QListWidget>("lwtConfiguration")->count(),
                 5);

        QVERIFY(d.loader->setLanguage("en"));
        QCOMPARE(d.window()->windowTitle(), QStringLiteral("Settings"));
    }

    void skinChanges()
    {
        Dialog d;
        const QImage darkIcon = QIcon(":/dark/main.png").pixmap(32).toImage();
        QVERIFY(QIcon(":/light/main.png").pixmap(32).toImage() != darkIcon);
        const QString darkSheet = resourceText(":/dark/com.ekr.configuration.qss");
        QVERIFY(!darkSheet.isEmpty());

        QVERIFY(d.loader->setSkin("dark"));
        QCOMPARE(d.window()->styleSheet(), darkSheet);
        QCOMPARE(d.window()->windowIcon().pixmap(32).toImage(), darkIcon);

        // The style sheet follows the signal, the icon what the loader reports.
        emit d.loader->SkinChanged("light");
        QCOMPARE(d.window()->styleSheet(), resourceText(":/light/com.ekr.configuration.qss"));
        QCOMPARE(d.window()->windowIcon().pixmap(32).toImage(), darkIcon);

        // Unknown names, and names that try to leave the skin folders, read nothing.
        for (const char* name : {"no-such-skin", "../dark", "/etc", "//etc", "..", ":/dark"}) {
            emit d.loader->SkinChanged(name);
            QCOMPARE(d.window()->styleSheet(), QString());
            QVERIFY(!d.loader->setSkin(name));
        }
    }

    void folderPicker_data()
    {
        QTest::addColumn<bool>("monitor");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("changes");
        QTest::newRow("cancelled") << false << "cancel" << false;
        QTest::newRow("folder that does not exist") << false << "missing" << false;
        QTest::newRow("the folder already shown") << false << "same" << false;
        QTest::newRow("another folder") << false << "other" << true;
        QTest::newRow("monitor: another folder") << true << "other" << true;
    }
    void folderPicker()
    {
        QFETCH(bool, monitor);
        QFETCH(QString, answer);
        QFETCH(bool, changes);
        Dialog d;
        QTemporaryDir folders;
        const QString shown = folders.path() + "/shown", other = folders.path() + "/other";
        QDir().mkpath(shown);
        QDir().mkpath(other);
        auto* field = d.get<QLineEdit>(monitor ? "lneMonitorPath" : "lneSavePath");
        auto* untouched = d.get<QLineEdit>(monitor ? "lneSavePath" : "lneMonitorPath");
        field->setText(shown);
        d.apply()->setEnabled(false);

        QString caption, startFolder;
        QObject guard; // ends the answer with this test
        answerNextModal<QFileDialog>(&guard, [&](QFileDialog* chooser) {
            caption = chooser->windowTitle();
            startFolder = chooser->directory().absolutePath();
            if (answer == "cancel") {
                chooser->reject();
            } else if (answer == "missing") {
                // Typed by hand, and past the chooser's own existence check.
                chooser->setDirectory(folders.path());
                chooser->findChild<QLineEdit*>("fileNameEdit")->setText("gone");
                chooser->QDialog::accept();
            } else {
                chooser->setDirectory(answer == "same" ? shown : other);
                QMetaObject::invokeMethod(chooser, "accept");
            }
        });
        d.get<QPushButton>(monitor ? "btnMonitorPath" : "btnSavePath")->click();

        QCOMPARE(caption, monitor ? QStringLiteral("Select Monitor path")
                                  : QStringLiteral("Select render output path"));
        QCOMPARE(startFolder, QCoreApplication::applicationDirPath());
        QCOMPARE(field->text(), changes ? other : shown);
        QCOMPARE(untouched->text(), QString());
        QCOMPARE(d.apply()->isEnabled(), changes);
    }

    void showConfRequestsTheLatestVersionFirst()
    {
        Dialog d;
        QList<bool> visibleAtRequest;
        d.harness.communication.onRequest = [&] { visibleAtRequest << d.window()->isVisible(); };
        d.harness.component()->ShowConf();
        QCOMPARE(visibleAtRequest, QList<bool>{false});
        QVERIFY(d.window()->isVisible());
        const auto request = d.harness.communication.requests.last();
        QCOMPARE(request.operation, QStringLiteral("RequestLatestVersion"));
        QCOMPARE(request.handle, QVariant(44));
        QCOMPARE(request.data, (QVariantHash{{"sid", "{5C1E0B7D-2A94-4F63-8D0E-B3A7196F42C8}"},
                                             {"sys", "Win32"},
                                             {"ver", "0.0.0"}}));

        // Hidden by the minimise button or closed: the same dialog comes back.
        d.get<QCheckBox>("chkAutoLogin")->setChecked(true);
        for (const char* button : {"btnMin", "btnClose"}) {
            d.get<QPushButton>(button)->click();
            QVERIFY2(!d.window()->isVisible(), button);
            d.harness.component()->ShowConf();
            QVERIFY2(d.window()->isVisible(), button);
        }
        QVERIFY(d.get<QCheckBox>("chkAutoLogin")->isChecked());
        QCOMPARE(d.harness.communication.requests.size(), 3);
    }

    void restartBuildsOnAFreshTree()
    {
        Dialog d;
        QPointer<QWidget> first = d.window();
        QVariant handle;
        QCOMPARE(d.harness.lifecycle()->Stop(QVariant(1)), 0);
        QCOMPARE(d.harness.lifecycle()->Start(handle, {}), 0);
        QVERIFY(d.window() != first.data());
        QTRY_VERIFY(!first); // the loader disposes of the old tree
        QCOMPARE(d.get<QListWidget>("lwtConfiguration")->count(), 4);
        // The loader's signals still reach the component, once.
        for (bool connected : {true, false})
            QCOMPARE(QObject::disconnect(d.loader, SIGNAL(SkinChanged(QString)),
                                         d.harness.component(), SLOT(ChangeSkin(QString))),
                     connected);
    }

    void unusableTreesDoNotCrash_data()
    {
        QTest::addColumn<QString>("remove");
        QTest::addColumn<bool>("wrongClass");
        QTest::newRow("no tree") << QString() << false;
        // Every widget the dialog needs, each missing in turn.
        const QString needed = QStringLiteral(
            "lwtConfiguration swtConfiguration lblLogo lblTitle lblTips lblPool lblSubTask "
            "lblCurrentVersion lblCurrentVersionV lblLatestVersion lblLatestVersionV btnSavePath "
            "lneSavePath btnMonitorPath lneMonitorPath btnApply btnCancel btnUpdate spbSubTask "
            "cmbPool lblTransferType cmbTransferType twtSoftwareVersion btnClose btnMin "
            "lblSavePath lblMonitorPath");
        QStringList names = needed.split(' ');
        for (const char* box : kCheckBoxes)
            names << box;
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name << false;
        QTest::newRow("lblTips of the wrong class") << "lblTips" << true;
    }
    void unusableTreesDoNotCrash()
    {
        QFETCH(QString, remove);
        QFETCH(bool, wrongClass);
        PluginHarness harness;
        harness.uiLoader.treeFactory = [remove, wrongClass]() -> QWidget* {
            if (remove.isEmpty())
                return nullptr;
            QFile file(":/ui/com.ekr.configuration.ui");
            file.open(QIODevice::ReadOnly);
            QWidget* tree = QUiLoader().load(&file);
            QWidget* victim = tree->findChild<QWidget*>(remove);
            if (wrongClass)
                (new QPushButton(victim->parentWidget()))->setObjectName(remove);
            delete victim;
            return tree;
        };
        harness.bringUp();
        MessageCapture capture;
        QCOMPARE(harness.initializeAndStart(), 0);
        const auto lines = capture.fromCategory("ekr.configuration");
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().type == QtCriticalMsg &&
                     lines.first().text.contains(remove.isEmpty() ? "no widget tree" : remove),
                 qPrintable(lines.first().text));

        // Everything that would touch the dialog quietly does nothing.
        EKConfigurationInterface* component = harness.component();
        component->ShowConf();
        component->Finish("job.max");
        QVERIFY(component->metaObject()->invokeMethod(component, "StateChanged", Q_ARG(int, 2)));
        emit harness.uiLoader.SkinChanged("dark");
        emit harness.uiLoader.LanguageChanged("zh_CN");
        emit harness.settings.SettingsUpdated();
        emit harness.communication.SignInResponse(200, {{"loginname", "ann"}});
        emit harness.communication.PoolIdResponse(200, {});
        emit harness.communication.LatestVersionResponse(200, {{"ver", "9.9.9"}});
        emit harness.communication.SignOutResponse(200, {});
        for (const char* slot : {"SelectRenderOutputPath", "SelectMonitorPath", "TriggerApply",
                                 "TriggerCancel", "EnableApply", "CheckforUpdates"})
            QVERIFY(component->metaObject()->invokeMethod(component, slot));
        QCOMPARE(harness.communication.requests.size(), 0);
        harness.stopPlugin();
    }
};

EKR_TEST_MAIN(DialogTest)
#include "tst_dialog.moc"
