// The platform layer on systems other than Windows: the autostart entry's
// quoting and what it leaves alone, the emulated registry staying inside its
// root, and the updater.

#include "test_environment.h"

#include "platform/ekr_platform.h"

#include <QDir>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {
QString autoStartFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/autostart/quillmoor_client.desktop";
}

// Everything in the autostart folder, hidden names included.
QStringList autoStartFolder()
{
    return QDir(QFileInfo(autoStartFile()).path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Reads the program back from a desktop file's Exec line the way a desktop
// does: first the file's string escapes, then the quoting of the command line.
QString programFromExec(const QString& exec)
{
    QString value;
    for (int i = 0; i < exec.size(); ++i) {
        if (exec.at(i) == '\\' && i + 1 < exec.size()) {
            const QChar next = exec.at(++i);
            value += next == 'n' ? QChar('\n') : next == 's' ? QChar(' ') : next;
        } else {
            value += exec.at(i);
        }
    }
    value.replace("%%", "%");
    if (!value.startsWith('"') || !value.endsWith('"'))
        return QString("not quoted: ") + value;
    QString program;
    for (int i = 1; i < value.size() - 1; ++i) {
        if (value.at(i) == '\\' && i + 1 < value.size() - 1)
            ++i;
        else if (value.at(i) == '"')
            return QString("unescaped quote in: ") + value;
        program += value.at(i);
    }
    return program;
}
} // namespace

class PlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void autoStartEntryQuotesAnyPath_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << "/opt/ekr/ekr_client";
        QTest::newRow("blanks") << "/opt/Render Farm/bin/ekr client";
        QTest::newRow("quotes") << "/home/ann/\"quoted\"/ekr_client";
        QTest::newRow("shell characters") << "/tmp/$HOME/`id`/a\\b/100%/ekr_client";
    }
    void autoStartEntryQuotesAnyPath()
    {
        QFETCH(QString, program);
        ekr::platform::RemoveAutoStartEntry();
        QVERIFY(!ekr::platform::HasAutoStartEntry());
        ekr::platform::AddAutoStartEntry('"' + program + '"');
        QVERIFY(ekr::platform::HasAutoStartEntry());

        QFile entry(autoStartFile());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QString exec;
        for (const QString& line : QString::fromUtf8(entry.readAll()).split('\n')) {
            if (line.startsWith("Exec="))
                exec = line.mid(5);
        }
        QCOMPARE(programFromExec(exec), program);
        QCOMPARE(autoStartFolder(), QStringList{"quillmoor_client.desktop"}); // nothing beside it

        ekr::platform::RemoveAutoStartEntry();
        QVERIFY(!ekr::platform::HasAutoStartEntry());
    }

    // Whatever stands at the entry's name is the user's: it counts as the
    // entry, nothing is written through it, and removing takes only itself.
    void autoStartEntryNeverWritesThroughWhatStands_data()
    {
        QTest::addColumn<QString>("standing");
        for (const char* standing : {"link to nowhere", "link to a file", "empty folder"})
            QTest::newRow(standing) << standing;
    }
    void autoStartEntryNeverWritesThroughWhatStands()
    {
        QFETCH(QString, standing);
        QTemporaryDir elsewhere;
        const QString target = elsewhere.path() + "/target", entry = autoStartFile();
        const bool toFile = standing == "link to a file", folder = standing == "empty folder";
        const auto tidy = qScopeGuard([&] {
            if (!QFile::remove(entry))
                QDir().rmdir(entry);
        });
        QFile file(target);
        QVERIFY(!toFile || (file.open(QIODevice::WriteOnly) && file.write("mine") == 4));
        file.close();
        QVERIFY(QDir().mkpath(QFileInfo(entry).path()));
        QVERIFY(folder ? QDir().mkdir(entry) : QFile::link(target, entry));
        QVERIFY(ekr::platform::HasAutoStartEntry());
        ekr::platform::AddAutoStartEntry("\"/opt/ekr/ekr_client\"");
        QVERIFY(folder ? QFileInfo(entry).isDir() : QFileInfo(entry).isSymLink());
        QCOMPARE(autoStartFolder(), QStringList{"quillmoor_client.desktop"});
        ekr::platform::RemoveAutoStartEntry();
        QVERIFY(!ekr::platform::HasAutoStartEntry());
        QCOMPARE(autoStartFolder(), QStringList());
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("nothing"),
                 QByteArray(toFile ? "mine" : "nothing"));
    }

    void registryKeysStayInsideTheirRoot_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("file");
        QTest::newRow("uninstall") << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Uninstall"
                                   << "HKEY_LOCAL_MACHINE/SOFTWARE/Uninstall.ini";
        QTest::newRow("climbing out") << "..\\..\\etc\\passwd"
                                      << "etc/passwd.ini";
        QTest::newRow("absolute") << "/etc/passwd"
                                  << "etc/passwd.ini";
    }
    void registryKeysStayInsideTheirRoot()
    {
        QFETCH(QString, path);
        QFETCH(QString, file);
        const auto key = ekr::platform::OpenRegistryKey(path);
        QCOMPARE(key->fileName(), qEnvironmentVariable("EKR_REGISTRY_ROOT") + "/" + file);
    }

    void updaterAndProgramNames()
    {
        QCOMPARE(ekr::platform::UpdaterProgram("/opt/ekr"), QStringLiteral("/opt/ekr/ekr_updater"));
        QCOMPARE(ekr::platform::ExecutableFileName("maya"), QStringLiteral("maya"));
    }
};

EKR_TEST_MAIN(PlatformTest)
#include "tst_platform.moc"
