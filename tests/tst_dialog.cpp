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

const char* const kScripts = R"scripts(
# Pieces that scripts begin with: signed in with the dialog shown;
# Max1, Max2 (not installed), Blender1, Maya1, Maya2 once sorted by software, for an
# account whose sign-in writes only its check interval; those in the table, shown.
= $shown
put ~renderoutput=TMP; in; pools A B; show; forget;
= $software
put ekr.rendering/maya=m1&Maya1,m2&Maya2 ekr.rendering/3dsmax=x1&Max1,x2&Max2
ekr.rendering/blender=b1&Blender1,nolabel m1/installlocation=/maya1 m2/installlocation=/maya2
x1/installlocation=/max1 b1/installlocation=/blender1 ~subtask=5 ~renderoutput=TMP
~checkinterval=30001
= $table
$software 3dsmax/analyzer=maxbatch ~defaultmaya=m1; in; show; forget; btnApply=off;

= built
show; ?cmbTransferType ftp; lwtConfiguration.currentRow=2; ?swtConfiguration.currentIndex 2

= shown again after hiding, closing and signing out
chkAutoLogin=true; show;
?events RequestLatestVersion@44{"sid":"ID","sys":"Win32","ver":"0.0.0"} after -, 0 written;
?shown yes; ?active dialog; other; ?active other; show; ?active dialog; press btnMin; ?shown no;
show; press btnClose; ?shown no; show; out; ?shown no; show;
?chkAutoLogin true

= render options exclude each other
chkPrerender=true; chkSetArgument=true; ?chkPrerender false; btnApply=off; chkPrerender=true;
?chkSetArgument false; ?btnApply on; chkPrerender=false; ?chkSetArgument false

= folder pickers
make shown/; lneSavePath=TMP/shown; btnApply=off; choose cancel; press btnSavePath;
choose TMP/gone; press btnSavePath; choose TMP/shown; press btnSavePath; ?btnApply off;
make other/; choose TMP/other; press btnSavePath; ?lneSavePath TMP/other; ?lneMonitorPath;
?btnApply on; choose TMP; press btnMonitorPath; ?lneMonitorPath TMP; ?lneSavePath TMP/other

# Store the login name, ask for the pools, write the account defaults, load the
# dialog, fill the table, show the installed version.
= sign-in, step by step
reg ID=2.3.4; put ekr.rendering/maya=m1&Maya1 m1/installlocation=/maya1 ~renderoutput=/gone
~monitorpath=/scenes; in 401; ?events; ?writes; in;
?events RequestPoolId@44{"token":"token-of-ann","username":"ann (user)"} after ~subtask, 1 written
| output /gone after ~renderoutput, 1 written | output APP/result after ekr.web/transfertype, 2
written | rows, version - after ekr.rendering/maya, 3 written;
?writes ~subtask=1 ~renderoutput=APP/result ~checkinterval=30000 ~defaultmaya=m1;
?lblCurrentVersionV 2.3.4; ?watched SetWatchPaths(/scenes)

= sign-in keeps usable values, replaces unusable ones
put ~subtask=5 ~renderoutput=TMP ~checkinterval=30001; in; ?writes ~checkinterval=30001;
?spbSubTask 5; ?lneSavePath TMP; ?watched; put ~subtask=0 ~checkinterval=soon; in;
?writes ~subtask=1 ~checkinterval=30000; put ~checkinterval=29999; in;
?writes ~checkinterval=30000

= nothing loads before a sign-in
put ~autologin=true ekr.account./autologin=true; in 401; load; ?writes; ?chkAutoLogin false

# The stored pool wins wherever it stands; without it the last of type 2, else the first.
= pools
in; forget; put ~poolid=C; pools A2 B C; pools A2 B C; pools failed; ?pool 2 of 3; ?writes;
put ~poolid=D; pools A2 B C; ?pool 0 of 3; ?writes ~poolid=A; put ~poolid=; pools A B;
?pool 0 of 2; ?writes ~poolid=A; put ~poolid=; pools A2 B2; ?pool 1 of 2; ?writes ~poolid=B;
put ~poolid=A; pools A B2; ?pool 0 of 2; ?writes; pools; ?pool -1 of 0; ?writes ~poolid=

# Of the two render options stored as true, set-argument loads last and wins.
= load
in; pools A B; chkAutoDownload=true; chkPopupFinish=true; chkInterruptSubmit=true;
chkEnableRenderLayer=true; chkUploadSceneFileOnly=true;
put ~autologin=true ~soundfinish=1 ~autoupdate=true ~prerender=true ~setargument=true
ekr.general/autostart=true ekr.general/uploadfailedfilesautomatically=true ~renderoutput=/out
~monitorpath=/watch ~poolid=B ~subtask=500 ekr.web/transfertype=7; forget; btnApply=off; load;
?checked chkAutoUpdate chkSoundFinish chkSetArgument chkEnableAutoUploadFailedFiles chkAutoStart
chkAutoLogin; ?lneSavePath /out; ?lneMonitorPath /watch; ?spbSubTask 100; ?pool 1 of 2;
?cmbTransferType ftp; ?btnApply on; ?writes; ?watched; put ~poolid=b; load; ?pool 0 of 2;
put ~poolid=; load; ?pool 0 of 2

= apply: nothing changed, then paths blank, trimmed, in another case
$shown btnApply=on; press btnApply; ?writes; ?btnApply off; ?shown no; lneSavePath=   ;
press btnApply; ?writes; lneSavePath= /o/n ; press btnApply; ?writes ~renderoutput=/o/n;
lneSavePath=/O/N; press btnApply; ?writes ~renderoutput=/O/N; ?watched

= apply: the watched folder, the pool, the subtask, then set-argument
$shown lneMonitorPath= /w ; cmbPool=B; chkSetArgument=true; spbSubTask=12; press btnApply;
?writes ~monitorpath=/w ~poolid=B ~subtask=12 ~setargument=true;
?watched SetWatchPaths(/w) RestartWatching

= apply: every other box, in Apply's order
$shown chkAutoDownload=true; chkAutoLogin=true; chkAutoUpdate=true;
chkEnableAutoUploadFailedFiles=true; chkEnableRenderLayer=true; chkInterruptSubmit=true;
chkPopupFinish=true; chkPrerender=true; chkSoundFinish=true; chkUploadSceneFileOnly=true;
press btnApply;
?writes ~autologin=true ~autodownload=true ~soundfinish=true ~popupfinish=true ~prerender=true
ekr.general/scenefileonly=true ekr.general/renderlayer=true
ekr.general/uploadfailedfilesautomatically=true ~interruptsubmit=true ~autoupdate=true;
?asked 4 Are you sure to quit and update? btnMessageBox_1=Cancel,btnMessageBox_2=Ok; ?shown no

= apply: compared with the store as it is now
$shown put ~poolid=B ~autoupdate=true ekr.web/transfertype=7 ~subtask=500; chkAutoDownload=true;
put ~autodownload=1; press btnApply;
?writes ~poolid=A ekr.web/transfertype=0 ~subtask=1 ~autoupdate=false; ?asked

= apply: start with the system
$shown chkAutoStart=true; press btnApply; ?autostart Exec="APP/tst_dialog"; chkAutoStart=false;
press btnApply; ?autostart; ?writes ekr.general/autostart=true ekr.general/autostart=false

= table: defaults, stored or not
$software; in; ?marks x...x; ?writes ~checkinterval=30001 ~defaultmax=x1 ~defaultmaya=m2;
put ~defaultmaya=m1; in; ?marks x..x.; ?writes ~checkinterval=30001;
put ~defaultmax=x2 ~defaultmaya=m9; in; ?marks .....;
?writes ~checkinterval=30001 ~defaultmax= ~defaultmaya=

= table: no catalogue
put ~defaultmax=x1; in; ?marks;
?writes ~subtask=1 ~renderoutput=APP/result ~checkinterval=30000 ~defaultmax=

= table: clicks move the marks, Cancel puts them back
$table click 4; ?marks x..ox; ?btnApply on; btnApply=off; select 1; click 1 1; ?current 1 0;
?btnApply off; click 2 1; ?btnApply on; ?marks x..ox; chkSoundFinish=true; press btnCancel;
?marks x..xo; ?current 3 2; ?chkSoundFinish false; ?shown no; ?writes

= table: Cancel unmarks the first row
$software x2/installlocation=/max2 ~defaultmax=x2; in; ?marks .x..x; click 0; ?marks xo..x;
press btnCancel; ?marks ox..x

= table: Apply commits the moved marks, 3dsmax first, once
$table make maxbatch; choose TMP; double 1 1; ?writes x2/installlocation=TMP; ?marks ox.x.;
?btnApply off; click 4 1; press btnApply; btnApply=on; press btnApply;
?writes ~defaultmax=x2 ~defaultmaya=m2

= table: a bundle folder holding the program
$table make maxbatch/; choose TMP; double 1 1; ?writes x2/installlocation=TMP

= table: folders without the program, or none chosen
$table choose TMP; double 1 1; put 3dsmax/analyzer=tmp; choose cancel; double 1 1; make maxbatch;
put 3dsmax/analyzer=maxbatch; choose TMP; double 1 0; ?writes; ?marks x..x.

= table: program names that are not a bare name
$table make bin/mb; make bin\mb; put 3dsmax/analyzer=bin/mb; choose TMP; double 1 1;
put 3dsmax/analyzer=bin\mb; choose TMP; double 1 1; put 3dsmax/analyzer=..; choose TMP;
double 1 1; put 3dsmax/analyzer=.; choose TMP; double 1 1; put 3dsmax/analyzer=; choose TMP;
double 1 1; ?writes; ?marks x..x.

# Update is offered when the latest version's digits make a greater number.
= versions
reg; in; ?lblCurrentVersionV 0.0.0; btnUpdate=off; latest 0.0.1; ?lblLatestVersionV 0.0.1;
?btnUpdate on; latest failed; ?lblLatestVersionV 0.0.0; ?btnUpdate on; reg {0000}=1.0 Tool=2.0;
in; ?lblCurrentVersionV 0.0.0; latest 0.0.0; ?btnUpdate off; reg Tool=9.9 ID=1.9.9; in;
?lblCurrentVersionV 1.9.9; latest 1.10.0; ?lblLatestVersionV 1.10.0; ?btnUpdate on; latest failed;
?lblLatestVersionV 1.9.9; ?btnUpdate on; reg ekr_{5c1e0b7d-2a94-4f63-8d0e-b3a7196f42c8}_is1=1.9.9;
in; ?lblCurrentVersionV 1.9.9; latest 2.0; ?btnUpdate off; reg bID=2.0.0 aID=1.0.0; in;
?lblCurrentVersionV 1.0.0; btnUpdate=on; latest; ?lblLatestVersionV; ?btnUpdate off; reg ID; in;
?lblCurrentVersionV; btnUpdate=on; latest 99999.99999; ?btnUpdate off

= versions: before any sign-in
reg ID=9.0; btnUpdate=off; latest 0.0.1; ?btnUpdate on; latest failed; ?lblLatestVersionV
)scripts";
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
        const QString names = "swtConfiguration.currentIndex spbSubTask.minimum "
                              "spbSubTask.maximum twtSoftwareVersion.columnCount "
                              "twtSoftwareVersion.showGrid lneSavePath.readOnly "
                              "lneMonitorPath.readOnly lwtConfiguration.count "
                              "lwtConfiguration.focusPolicy cmbTransferType.count "
                              "lneSavePath.visible lneMonitorPath.visible btnMonitorPath.visible "
                              "lblMonitorPath.visible cmbTransferType.currentText";
        h.uiLoader.treeFactory = [&] {
            QWidget* tree = loadTree();
            const QStringList left = {"2", "0", "5", "5", "1", "0", "0", "0", "11", "0"};
            for (int i = 0; i < left.size(); ++i) {
                const QString name = names.section(' ', i, i);
                tree->findChild<QWidget*>(name.section('.', 0, 0))
                    ->setProperty(qPrintable(name.section('.', 1)), left[i]);
            }
            tree->findChild<QComboBox*>("cmbTransferType")->addItem("sftp", 1);
            tree->findChild<QPushButton*>("btnApply")->setEnabled(true);
            tree->setAutoFillBackground(false);
            delete tree->layout();
            return tree;
        };
        h.bringUp();
        QCOMPARE(h.initializeAndStart(), 0);
        QVERIFY(!h.widget("btnApply")->isEnabled());
        h.settings.store["ekr.web/transfertype"] = 0;
        h.signIn("ann");
        h.component()->ShowConf();
        QStringList seen;
        for (const QString& name : names.split(' '))
            seen << h.widget(name.section('.', 0, 0))
                        ->property(qPrintable(name.section('.', 1)))
                        .toString();
        QCOMPARE(seen.join(' '),
                 QString("0 1 100 2 false true true 4 0 2 true false false false ftp"));
        QWidget* window = h.dialogWindow();
        QCOMPARE(window->windowFlags(), Qt::WindowMinimizeButtonHint |
                                            Qt::MSWindowsFixedSizeDialogHint | Qt::Dialog |
                                            Qt::FramelessWindowHint);
        QVERIFY(window->autoFillBackground() &&
                h.widget<QComboBox>("cmbTransferType")->itemData(1) == QVariant(0));
        auto* pages = h.widget<QListWidget>("lwtConfiguration");
        for (int row = 0; row < 4; ++row)
            QCOMPARE(pages->item(row)->textAlignment(), int(Qt::AlignCenter));
        // The page list beside the pages, 1 to 4, below a band for the title widgets.
        auto* grid = qobject_cast<QGridLayout*>(window->layout());
        QVERIFY(grid && grid->itemAtPosition(0, 1) == grid->itemAtPosition(0, 0));
        QCOMPARE(grid->itemAtPosition(0, 0)->spacerItem()->sizeHint(), QSize(500, 30));
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

        // The style sheet follows the signal, the icon what the loader reports.
        const QImage dark = QIcon(":/dark/main.png").pixmap(32).toImage();
        QVERIFY(d.loader->setSkin("dark"));
        QCOMPARE(d.window()->styleSheet(),
                 contents(":/dark/com.ekr.configuration.qss"));
        QCOMPARE(d.window()->windowIcon().pixmap(32).toImage(), dark);
        emit d.loader->SkinChanged("light");
        QCOMPARE(d.window()->styleSheet(),
                 contents(":/light/com.ekr.configuration.qss"));
        QCOMPARE(d.window()->windowIcon().pixmap(32).toImage(), dark);
        // Unknown names, and names that try to leave the skin folders, read nothing.
        for (const char* name : {"no-such-skin", "../dark", "/etc", ":/dark"}) {
            emit d.loader->SkinChanged(name);
            QVERIFY(d.window()->styleSheet().isEmpty() && !d.loader->setSkin(name));
        }
    }

    // Each row a script (see DialogSession::run) that must play back as written:
    // "= name" begins one, its lines join with a space; "$piece" stands for the
    // script so named; "#" begins a comment.
    void scripts_data()
    {
        QTest::addColumn<QString>("script");
        QMap<QString, QString> pieces;
        QString name, script;
        for (QString line : QString(kScripts).split('\n') + QStringList("= ")) {
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
