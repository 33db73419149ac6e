// Building the settings dialog from the client's widget tree: set-up, page
// switching, connections, the prerender/set-argument rule, texts and
// languages, skins, folder pickers, showing, and trees it cannot use.

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
#include <QHeaderView>
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
        QVERIFY(window->autoFillBackground());
        QCOMPARE(window->windowTitle(), QStringLiteral("Settings"));
        QVERIFY(!d.apply()->isEnabled());
        QVERIFY(d.get<QLineEdit>("lneSavePath")->isReadOnly());
        QVERIFY(d.get<QLineEdit>("lneMonitorPath")->isReadOnly());
        for (const char* hidden : {"lneMonitorPath", "btnMonitorPath", "lblMonitorPath"})
            QVERIFY2(d.get(hidden)->isHidden(), hidden);
        QCOMPARE(d.get<QSpinBox>("spbSubTask")->minimum(), 1);
        QCOMPARE(d.get<QSpinBox>("spbSubTask")->maximum(), 100);
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

        auto* grid = qobject_cast<QGridLayout*>(window->layout());
        QVERIFY(grid);
        QVERIFY(grid->itemAtPosition(0, 0)->spacerItem());
        QCOMPARE(grid->itemAtPosition(0, 1), grid->itemAtPosition(0, 0)); // spans both columns
        QCOMPARE(grid->itemAtPosition(0, 0)->spacerItem()->sizeHint(), QSize(500, 30));
        QCOMPARE(grid->itemAtPosition(1, 0)->widget(), pages);
        QCOMPARE(grid->itemAtPosition(1, 1)->widget(), stack);
        QCOMPARE(grid->columnStretch(0), 1);
        QCOMPARE(grid->columnStretch(1), 4);

        auto* table = d.get<QTableWidget>("twtSoftwareVersion");
        QCOMPARE(table->columnCount(), 2);
        QVERIFY(!table->showGrid());
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Software Version"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Installation Path"));
        QCOMPARE(d.get<QCheckBox>("chkAutoUpdate")->text(), QStringLiteral("Enbale auto update"));
    }

    void pageListDrivesTheStack()
    {
        Dialog d;
        auto* pages = d.get<QListWidget>("lwtConfiguration");
        auto* stack = d.get<QStackedWidget>("swtConfiguration");
        for (int row : {2, 3, 1, 0}) {
            pages->setCurrentRow(row);
            QCOMPARE(stack->currentIndex(), row);
        }
    }

    void everyConnectionIsMade_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<QByteArray>("slot");
        auto row = [](const char* sender, const char* signal, const char* slot) {
            QTest::addRow("%s %s", sender, slot)
                << sender << QByteArray(signal) << QByteArray(slot);
        };
        row("btnSavePath", SIGNAL(clicked()), SLOT(SelectRenderOutputPath()));
        row("btnMonitorPath", SIGNAL(clicked()), SLOT(SelectMonitorPath()));
        row("btnApply", SIGNAL(clicked()), SLOT(TriggerApply()));
        row("btnCancel", SIGNAL(clicked()), SLOT(TriggerCancel()));
        for (const char* box : kCheckBoxes)
            row(box, SIGNAL(stateChanged(int)), SLOT(EnableApply()));
        row("lneMonitorPath", SIGNAL(textChanged(QString)), SLOT(EnableApply()));
        row("lneSavePath", SIGNAL(textChanged(QString)), SLOT(EnableApply()));
        row("cmbPool", SIGNAL(currentIndexChanged(int)), SLOT(EnableApply()));
        row("cmbTransferType", SIGNAL(currentIndexChanged(int)), SLOT(EnableApply()));
        row("spbSubTask", SIGNAL(valueChanged(int)), SLOT(EnableApply()));
        row("btnUpdate", SIGNAL(clicked()), SLOT(CheckforUpdates()));
        row("twtSoftwareVersion", SIGNAL(cellDoubleClicked(int, int)),
            SLOT(CellDoubleClicked(int, int)));
        row("twtSoftwareVersion", SIGNAL(itemClicked(QTableWidgetItem*)),
            SLOT(ItemClicked(QTableWidgetItem*)));
        row("chkSetArgument", SIGNAL(stateChanged(int)), SLOT(StateChanged(int)));
        row("chkPrerender", SIGNAL(stateChanged(int)), SLOT(StateChanged(int)));
        row("loader", SIGNAL(SkinChanged(QString)), SLOT(ChangeSkin(QString)));
        row("loader", SIGNAL(LanguageChanged(QString)), SLOT(ChangeLanguage(QString)));
        // The three of the tree itself; their receivers are the window and the stack.
        row("btnClose", SIGNAL(clicked()), SLOT(close()));
        row("btnMin", SIGNAL(clicked()), SLOT(hide()));
        row("lwtConfiguration", SIGNAL(currentRowChanged(int)), SLOT(setCurrentIndex(int)));
    }
    void everyConnectionIsMade()
    {
        QFETCH(QString, sender);
        QFETCH(QByteArray, signal);
        QFETCH(QByteArray, slot);
        Dialog d;
        QObject* from = sender == "loader" ? static_cast<QObject*>(d.loader)
                                           : d.get(sender.toLatin1().constData());
        QObject* to = static_cast<QObject*>(d.harness.component());
        if (slot == SLOT(setCurrentIndex(int)))
            to = d.get("swtConfiguration");
        else if (slot == SLOT(close()) || slot == SLOT(hide()))
            to = d.window();
        // disconnect answers whether such a connection existed.
        QVERIFY(QObject::disconnect(from, signal.constData(), to, slot.constData()));
    }

    void exclusiveRenderOptions_data()
    {
        QTest::addColumn<QString>("checkedFirst");
        QTest::addColumn<QString>("checkedSecond");
        QTest::newRow("set argument unchecks prerender") << "chkPrerender"
                                                         << "chkSetArgument";
        QTest::newRow("prerender unchecks set argument") << "chkSetArgument"
                                                         << "chkPrerender";
    }
    void exclusiveRenderOptions()
    {
        QFETCH(QString, checkedFirst);
        QFETCH(QString, checkedSecond);
        Dialog d;
        auto* first = d.get<QCheckBox>(checkedFirst.toLatin1().constData());
        auto* second = d.get<QCheckBox>(checkedSecond.toLatin1().constData());
        first->setChecked(true);
        d.apply()->setEnabled(false);
        second->setChecked(true);
        QVERIFY(second->isChecked());
        QVERIFY(!first->isChecked());
        QVERIFY(d.apply()->isEnabled());

        // Unchecking never touches the other box.
        first->setChecked(false);
        second->setChecked(false);
        QVERIFY(!first->isChecked());
        first->setChecked(true);
        second->setChecked(true);
        second->setChecked(false);
        QVERIFY(!first->isChecked() && !second->isChecked());
    }

    void editsEnableApply()
    {
        Dialog d;
        d.get<QComboBox>("cmbPool")->addItems({"a", "b"});
        const QList<std::function<void()>> edits = {
            [&] { d.get<QLineEdit>("lneSavePath")->setText("/x"); },
            [&] { d.get<QLineEdit>("lneMonitorPath")->setText("/y"); },
            [&] { d.get<QComboBox>("cmbPool")->setCurrentIndex(1); },
            [&] { d.get<QSpinBox>("spbSubTask")->setValue(7); },
        };
        for (const auto& edit : edits) {
            d.apply()->setEnabled(false);
            edit();
            QVERIFY(d.apply()->isEnabled());
        }
        for (const char* box : kCheckBoxes) {
            d.apply()->setEnabled(false);
            d.get<QCheckBox>(box)->toggle();
            QVERIFY2(d.apply()->isEnabled(), box);
        }
    }

    void languageChangesTextsOnly()
    {
        Dialog d;
        auto* autoUpdate = d.get<QCheckBox>("chkAutoUpdate");
        auto* table = d.get<QTableWidget>("twtSoftwareVersion");
        auto* path = d.get<QLineEdit>("lneSavePath");
        autoUpdate->setChecked(true);
        path->setText("/render/out");
        table->setRowCount(1);
        table->setItem(0, 0, new QTableWidgetItem("maya 2024"));
        d.get<QComboBox>("cmbPool")->addItem("Pool A", "a");

        QVERIFY(d.loader->setLanguage("zh_CN"));
        QCOMPARE(d.window()->windowTitle(), QStringLiteral("设置"));
        QCOMPARE(autoUpdate->text(), QStringLiteral("启用自动更新"));
        QCOMPARE(d.get<QListWidget>("lwtConfiguration")->item(3)->text(),
                 QStringLiteral("版本设置"));
        QCOMPARE(d.get<QLabel>("lblTips")->text(), QStringLiteral("双击表格第二列设置安装路径"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("安装路径"));
        QCOMPARE(d.apply()->text(), QStringLiteral("应用"));

        QVERIFY(autoUpdate->isChecked());
        QCOMPARE(path->text(), QStringLiteral("/render/out"));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("maya 2024"));
        QCOMPARE(d.get<QComboBox>("cmbPool")->count(), 1);
        QCOMPARE(d.get<QComboBox>("cmbTransferType")->itemText(0), QStringLiteral("ftp"));
        QCOMPARE(d.get<QListWidget>("lwtConfiguration")->count(), 4);

        QVERIFY(d.loader->setLanguage("en"));
        QCOMPARE(autoUpdate->text(), QStringLiteral("Enbale auto update"));
        QCOMPARE(d.window()->windowTitle(), QStringLiteral("Settings"));
        QVERIFY(autoUpdate->isChecked());
    }

    void skinChanges()
    {
        Dialog d;
        const QImage lightIcon = QIcon(":/light/main.png").pixmap(32).toImage();
        const QImage darkIcon = QIcon(":/dark/main.png").pixmap(32).toImage();
        QVERIFY(lightIcon != darkIcon);

        QVERIFY(d.loader->setSkin("dark"));
        QCOMPARE(d.window()->styleSheet(), resourceText(":/dark/com.ekr.configuration.qss"));
        QVERIFY(!d.window()->styleSheet().isEmpty());
        QCOMPARE(d.window()->windowIcon().pixmap(32).toImage(), darkIcon);

        // The style sheet follows the signal, the icon what the loader reports.
        emit d.loader->SkinChanged("light");
        QCOMPARE(d.window()->styleSheet(), resourceText(":/light/com.ekr.configuration.qss"));
        QCOMPARE(d.window()->windowIcon().pixmap(32).toImage(), darkIcon);

        emit d.loader->SkinChanged("no-such-skin");
        QCOMPARE(d.window()->styleSheet(), QString());
        // Names that try to leave the skin folders still read only resources.
        for (const char* escape : {"../dark", "/etc", "//etc", "..", ":/dark"}) {
            emit d.loader->SkinChanged(escape);
            QCOMPARE(d.window()->styleSheet(), QString());
            QVERIFY(!d.loader->setSkin(escape));
        }
    }

    void folderPicker_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("changes");
        QTest::newRow("cancelled") << "cancel" << false;
        QTest::newRow("folder that does not exist") << "missing" << false;
        QTest::newRow("the folder already shown") << "same" << false;
        QTest::newRow("another folder") << "other" << true;
    }
    void folderPicker()
    {
        QFETCH(QString, answer);
        QFETCH(bool, changes);
        Dialog d;
        QTemporaryDir folders;
        const QString shown = folders.path() + "/shown";
        const QString other = folders.path() + "/other";
        QDir().mkpath(shown);
        QDir().mkpath(other);
        auto* field = d.get<QLineEdit>("lneSavePath");
        field->setText(shown);
        d.apply()->setEnabled(false);

        QString caption, startFolder;
        QObject guard; // ends the answer with this test
        answerNextModal<QFileDialog>(&guard, [&](QFileDialog* chooser) {
            caption = chooser->windowTitle();
            startFolder = chooser->directory().absolutePath();
            if (answer == "cancel") {
                chooser->reject();
                return;
            }
            if (answer == "missing") {
                // Typed by hand, and past the chooser's own existence check.
                chooser->setDirectory(folders.path());
                chooser->findChild<QLineEdit*>("fileNameEdit")->setText("gone");
                chooser->QDialog::accept();
                return;
            }
            chooser->setDirectory(answer == "same" ? shown : other);
            QMetaObject::invokeMethod(chooser, "accept");
        });
        d.get<QPushButton>("btnSavePath")->click();

        QCOMPARE(caption, QStringLiteral("Select render output path"));
        QCOMPARE(startFolder, QCoreApplication::applicationDirPath());
        QCOMPARE(field->text(), changes ? other : shown);
        QCOMPARE(d.apply()->isEnabled(), changes);
    }

    void monitorPickerFillsItsOwnField()
    {
        Dialog d;
        QTemporaryDir folder;
        QObject guard; // ends the answer with this test
        answerNextModal<QFileDialog>(&guard, [&](QFileDialog* chooser) {
            QCOMPARE(chooser->windowTitle(), QStringLiteral("Select Monitor path"));
            chooser->setDirectory(folder.path());
            QMetaObject::invokeMethod(chooser, "accept");
        });
        d.get<QPushButton>("btnMonitorPath")->click();
        QCOMPARE(d.get<QLineEdit>("lneMonitorPath")->text(), folder.path());
        QCOMPARE(d.get<QLineEdit>("lneSavePath")->text(), QString());
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
        QCOMPARE(request.data.value("sid").toString(),
                 QStringLiteral("{5C1E0B7D-2A94-4F63-8D0E-B3A7196F42C8}"));
        QCOMPARE(request.data.value("sys").toString(), QStringLiteral("Win32"));
        QCOMPARE(request.data.value("ver").toString(), QStringLiteral("0.0.0"));

        // Hidden by the minimise button or closed: the same dialog comes back.
        d.get<QCheckBox>("chkAutoLogin")->setChecked(true);
        d.get<QPushButton>("btnMin")->click();
        QVERIFY(!d.window()->isVisible());
        d.harness.component()->ShowConf();
        QVERIFY(d.window()->isVisible());
        d.get<QPushButton>("btnClose")->click();
        QVERIFY(!d.window()->isVisible());
        d.harness.component()->ShowConf();
        QVERIFY(d.window()->isVisible());
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
        QCOMPARE(d.window()->windowTitle(), QStringLiteral("Settings"));
        // The loader's signals still reach the component once.
        QVERIFY(QObject::disconnect(d.loader, SIGNAL(SkinChanged(QString)), d.harness.component(),
                                    SLOT(ChangeSkin(QString))));
        QVERIFY(!QObject::disconnect(d.loader, SIGNAL(SkinChanged(QString)), d.harness.component(),
                                     SLOT(ChangeSkin(QString))));
    }

    void unusableTreesDoNotCrash_data()
    {
        QTest::addColumn<QString>("remove");
        QTest::addColumn<bool>("wrongClass");
        QTest::newRow("no tree") << QString() << false;
        // Every widget the dialog needs, each missing in turn.
        for (const char* name : {"lwtConfiguration",
                                 "swtConfiguration",
                                 "lblLogo",
                                 "lblTitle",
                                 "lblTips",
                                 "lblPool",
                                 "lblSubTask",
                                 "lblCurrentVersion",
                                 "lblCurrentVersionV",
                                 "lblLatestVersion",
                                 "lblLatestVersionV",
                                 "btnSavePath",
                                 "lneSavePath",
                                 "btnMonitorPath",
                                 "lneMonitorPath",
                                 "btnApply",
                                 "btnCancel",
                                 "btnUpdate",
                                 "chkAutoDownload",
                                 "chkPopupFinish",
                                 "chkSoundFinish",
                                 "chkAutoStart",
                                 "chkAutoLogin",
                                 "chkAutoUpdate",
                                 "chkPrerender",
                                 "chkEnableAutoUploadFailedFiles",
                                 "chkEnableRenderLayer",
                                 "spbSubTask",
                                 "cmbPool",
                                 "lblTransferType",
                                 "cmbTransferType",
                                 "chkUploadSceneFileOnly",
                                 "twtSoftwareVersion",
                                 "chkSetArgument",
                                 "chkInterruptSubmit",
                                 "btnClose",
                                 "btnMin",
                                 "lblSavePath",
                                 "lblMonitorPath"})
            QTest::newRow(name) << name << false;
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
        QCOMPARE(lines.first().type, QtCriticalMsg);
        QVERIFY2(lines.first().text.contains(remove.isEmpty() ? "no widget tree" : remove),
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
