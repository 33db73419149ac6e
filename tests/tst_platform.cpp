// The platform layer on systems other than Windows: the autostart entry's quoting and what it
// leaves alone, and the emulated registry keeping key paths inside its root.

#include "test_environment.h"

#include "platform/ekr_platform.h"

using namespace ekr;

class PlatformTest : public QObject
{
    Q_OBJECT

private slots:
    // The Exec line quotes the program for a desktop to read back. Whatever stands at the entry's
    // name is the user's: it counts as the entry, nothing is written through it, and removing
    // takes only itself.
    void autoStartEntry_data()
    {
        QTest::addColumn<QString>("standing");
        QTest::newRow("nothing") << "";
        QTest::newRow("link to nowhere") << "nowhere";
        QTest::newRow("link to a file") << "mine";
        QTest::newRow("empty folder") << "folder";
    }
    void autoStartEntry()
    {
        QFETCH(QString, standing);
        const QDir folder(qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart");
        const QString entry = folder.filePath("quillmoor_client.desktop");
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        QTemporaryDir elsewhere;
        QFile target(elsewhere.filePath("target")), written(entry);
        QVERIFY(folder.mkpath(".") && (standing != "mine" || (target.open(QIODevice::WriteOnly) &&
                                                              target.write("mine") == 4)));
        target.close();
        QVERIFY(standing.isEmpty() ||
                (standing == "folder" ? folder.mkdir(entry) : target.link(entry)));
        QCOMPARE(platform::HasAutoStartEntry(), !standing.isEmpty());
        platform::AddAutoStartEntry("\"/opt/Render Farm/\"q\"/$HOME/`id`/a\\b/100%/c\nd\"");
        QVERIFY(platform::HasAutoStartEntry());
        QCOMPARE(folder.entryList(all),
                 QStringList{"quillmoor_client.desktop"}); // nothing beside it
        const QString text = written.open(QIODevice::ReadOnly) ? written.readAll() : "";
        QCOMPARE(
            text.section("\nExec=", 1).section('\n', 0, 0),
            standing.isEmpty()
                ? "\"/opt/Render Farm/\\\\\"q\\\\\"/\\\\$HOME/\\\\`id\\\\`/a\\\\\\\\b/100%%/c\\nd\""
                : "");
        platform::RemoveAutoStartEntry();
        QVERIFY(!platform::HasAutoStartEntry() && folder.isEmpty(all));
        QCOMPARE(target.open(QIODevice::ReadOnly) ? target.readAll() : "",
                 standing == "mine" ? "mine" : "");
    }

    void registryKeysStayInsideTheirRoot_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("file");
        QTest::newRow("uninstall") << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Uninstall"
                                   << QString("HKEY_LOCAL_MACHINE/SOFTWARE/Uninstall");
        QTest::newRow("climbing out") << "..\\..\\etc\\.\\passwd" << QString("etc/passwd");
        QTest::newRow("absolute") << "/etc//passwd" << QString("etc/passwd");
    }
    void registryKeysStayInsideTheirRoot()
    {
        QFETCH(QString, path);
        QFETCH(QString, file);
        const QString root = qEnvironmentVariable("EKR_REGISTRY_ROOT");
        QCOMPARE(platform::OpenRegistryKey(path)->fileName(), root + '/' + file + ".ini");
    }
};

EKR_TEST_MAIN(PlatformTest)
#include "tst_platform.moc"
