// The platform layer on systems other than Windows: the autostart entry and the emulated registry.

#include "test_environment.h"

#include "platform/ekr_platform.h"

using namespace ekr;

class PlatformTest : public QObject
{
    Q_OBJECT

private slots:
    // The Exec line quotes the program for a desktop to read back. Whatever stands at the entry's
    // name is the user's: it counts, nothing is written through it, removing takes only itself.
    void autoStartEntry_data()
    {
        QTest::addColumn<QString>("standing");
        for (const char* standing : {"nothing", "link to nowhere", "empty folder"})
            QTest::newRow(standing) << standing;
    }
    void autoStartEntry()
    {
        QFETCH(QString, standing);
        const QDir folder(qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart");
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        QFile entry(folder.filePath("quillmoor_client.desktop"));
        QVERIFY(folder.mkpath(standing == "empty folder" ? entry.fileName() : ".") &&
                (standing != "link to nowhere" || QFile::link("nowhere", entry.fileName())));
        QCOMPARE(platform::HasAutoStartEntry(), standing != "nothing");
        platform::AddAutoStartEntry("\"/opt/Render Farm/\"q\"/$HOME/`id`/a\\b/100%/c\nd\"");
        QCOMPARE(folder.entryList(all), QStringList{"quillmoor_client.desktop"}); // nothing beside
        const QString text = entry.open(QIODevice::ReadOnly) ? entry.readAll() : "";
        QCOMPARE(text.section("\nExec=", 1).section('\n', 0, 0),
                 standing == "nothing"
                     ? R"("/opt/Render Farm/\\"q\\"/\\$HOME/\\`id\\`/a\\\\b/100%%/c\nd")"
                     : "");
        platform::RemoveAutoStartEntry();
        QVERIFY(!platform::HasAutoStartEntry() && folder.isEmpty(all));
    }

    void registryKeysStayInsideTheirRoot()
    {
        for (const char* path : {"..\\..\\etc\\.\\passwd", "/etc//passwd"})
            QCOMPARE(platform::OpenRegistryKey(path)->fileName(),
                     qEnvironmentVariable("EKR_REGISTRY_ROOT") + "/etc/passwd.ini");
    }
};

EKR_TEST_MAIN(PlatformTest)
#include "tst_platform.moc"
