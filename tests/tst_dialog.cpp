// The settings dialog as the host and the user drive it: built from the
// client's widget tree, following skin and language, signed in to an account,
// loading, applying and cancelling its values, the render software table and
// the versions.

#include "dialog_session.h"
#include "test_environment.h"

#include <QUiLoader>

namespace {
QWidget* loadTree()
{
    QFile file(":/ui/com.ekr.configuration.ui");
    return file.open(QIODevice::ReadOnly) ? QUiLoader().load(&file) : nullptr;
}
} // namespace

class DialogTest : public QObject
{
    Q_OBJECT

private slots:
    // What the component makes of any tree: here one left on another page,
    // with other limits, a grid and editable paths, and its own layout gone.
    void completesTheTree()
    {
        PluginHarness h;
        const QStringList names = QString("swtConfiguration.currentIndex spbSubTask.minimum "
                                          "spbSubTask.maximum twtSoftwareVersion.columnCount "
                                          "twtSoftwareVersion.showGrid lneSavePath.readOnly "
                                          "lneMonitorPath.readOnly lwtConfiguration.count "
                                          "lwtConfiguration.focusPolicy cmbTransferType.count "
                                          "lneSavePath.visible lneMonitorPath.visible "
                                          "btnMonitorPath.visible lblMonitorPath.visible "
                                          "cmbTransferType.currentText")
                                      .split(' ');
        const QStringList left = {"2", "0", "5", "5", "1", "0", "0", "0", "11", "0"};
        h.uiLoader.treeFactory = [&] {
            QWidget* tree = loadTree();
            for (int i = 0; i < left.size(); ++i)
                tree->findChild<QWidget*>(names[i].section('.', 0, 0))
                    ->setProperty(qPrintable(names[i].section('.', 1)), left[i]);
            tree->findChild<QComboBox*>("cmbTransferType")->addItem("sftp", 1);
            tree->findChild<QPushButton*>("btnApply")->setEnabled(true);
            tree->setAutoFillBackground(false);
            delete tree->layout();
            return tree;
        };
        h.bringUp();
        QVERIFY(h.initializeAndStart() == 0 && !h.widget("btnApply")->isEnabled());
        h.settings.store["ekr.web/transfertype"] = 0;
        h.signIn("ann");
        h.component()->ShowConf();
        QStringList seen;
        for (const QString& name : names)
            seen << h.widget(name.section('.', 0, 0))
                        ->property(qPrintable(name.section('.', 1)))
                        .toString();
        QCOMPARE(seen.join(' '), "0 1 100 2 false true true 4 0 2 true false false false ftp");
        QWidget* window = h.dialogWindow();
        QCOMPARE(window->windowFlags(), Qt::WindowMinimizeButtonHint |
                                            Qt::MSWindowsFixedSizeDialogHint | Qt::Dialog |
                                            Qt::FramelessWindowHint);
        auto* pages = h.widget<QListWidget>("lwtConfiguration");
        QVERIFY(window->autoFillBackground() &&
                pages->item(3)->textAlignment() == Qt::AlignCenter &&
                h.widget<QComboBox>("cmbTransferType")->itemData(1) == QVariant(0));
        // The page list beside the pages, 1 to 4, below a band for the title widgets.
        auto* grid = qobject_cast<QGridLayout*>(window->layout());
        QVERIFY(grid && grid->itemAtPosition(0, 1) == grid->itemAtPosition(0, 0) &&
                grid->itemAtPosition(0, 0)->spacerItem()->sizeHint() == QSize(500, 30));
        QVERIFY(grid->itemAtPosition(1, 0)->widget() == pages &&
                grid->itemAtPosition(1, 1)->widget() == h.widget("swtConfiguration"));
        QCOMPARE(QPoint(grid->columnStretch(0), grid->columnStretch(1)), QPoint(1, 4));
    }

    // A tree without one of the widgets (from another skin or version) gives
    // no dialog, and nothing the host does then reaches the missing widget.
    void refusesAnIncompleteTree()
    {
        for (const char* name :
             {"lwtConfiguration", "btnMin", "lblMonitorPath", "chkSoundFinish"}) {
            PluginHarness h;
            h.uiLoader.treeFactory = [name] {
                QWidget* tree = loadTree();
                delete tree->findChild<QWidget*>(name);
                return tree;
            };
            h.bringUp();
            QCOMPARE(h.initializeAndStart(), 0);
            h.component()->ShowConf();
            h.signIn("ann");
            h.component()->Finish("job.max");
            QVERIFY2(!h.dialogWindow()->isVisible() && h.communication.requests.isEmpty(), name);
        }
    }

    // At twice the size (the dialog_2x test) the window icon comes at full resolution.
    void crispAtTwiceTheSize()
    {
        DialogSession d;
        d.run("show");
        QVERIFY(d.loader->setSkin("light"));
        if (qApp->devicePixelRatio() < 2)
            QSKIP("for QT_SCALE_FACTOR=2: the dialog_2x test");
        const QPixmap icon = d.window()->windowIcon().pixmap(d.window()->windowHandle(), {32, 32});
        QVERIFY(icon.devicePixelRatio() == 2 && icon.size() == QSize(64, 64));
    }

    void followsLanguageAndSkin()
    {
        DialogSession d;
        auto* box = d.get<QCheckBox>("chkAutoUpdate");
        box->setChecked(true);
        QVERIFY(d.loader->setLanguage("zh_CN"));
        QCOMPARE(d.window()->windowTitle() + box->text() +
                     d.table()->horizontalHeaderItem(1)->text() +
                     d.get<QListWidget>("lwtConfiguration")->item(3)->text(),
                 QString("设置启用自动更新安装路径版本设置"));
        QVERIFY(d.loader->setLanguage("en") && box->isChecked()); // texts only
        QCOMPARE(box->text(), QString("Enbale auto update"));
        // The style sheet follows the signal, the icon what the loader reports. Unknown names,
        // and names that try to leave the skin folders, read nothing.
        const QImage dark = QIcon(":/dark/main.png").pixmap(32).toImage();
        for (const QString skin : {"dark", "light", "no-such-skin", "../dark", "/etc", ":/dark"}) {
            const bool known = skin == "dark" || skin == "light";
            if (skin == "dark") // the loader's skin is in force as it announces it
                QVERIFY(d.loader->setSkin(skin));
            else
                emit d.loader->SkinChanged(skin);
            QVERIFY(known || !d.loader->setSkin(skin));
            QCOMPARE(d.window()->styleSheet(),
                     known ? contents(":/" + skin + "/com.ekr.configuration.qss") : "");
            QCOMPARE(d.window()->windowIcon().pixmap(32).toImage(), dark);
        }
    }

    // Each row a script of tests/dialog.scripts.
    void scripts_data()
    {
        QTest::addColumn<QString>("script");
        QMap<QString, QString> pieces;
        QString name, script;
        const QStringList lines = contents(EKR_SOURCE_DIR "/tests/dialog.scripts").split('\n');
        QVERIFY(lines.size() > 1);
        for (QString line : lines + QStringList("= ")) {
            if (line.startsWith("= ") && name.startsWith('$'))
                pieces[name] = script;
            else if (line.startsWith("= ") && !name.isEmpty())
                QTest::newRow(qPrintable(name)) << script;
            for (auto piece = pieces.cbegin(); piece != pieces.cend(); ++piece)
                line.replace(piece.key(), piece.value());
            if (line.startsWith("= "))
                name = line.mid(2), script.clear();
            else if (!line.isEmpty() && !line.startsWith('#'))
                script += (script.isEmpty() ? "" : " ") + line;
        }
    }
    void scripts()
    {
        QFETCH(QString, script);
        DialogSession s;
        QCOMPARE(s.run(script), script.split("; "));
        // The default output folder is only stored; whoever writes into it makes it.
        QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/result"));
    }
};

EKR_TEST_MAIN(DialogTest)
#include "tst_dialog.moc"
