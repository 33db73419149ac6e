// The plugin library as a package: exports, metadata, manifest, activator.

#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

#include <ctkPluginActivator.h>
#include <ctkPluginContext.h>

#include <QFileInfo>
#include <QJsonObject>
#include <QLibrary>
#include <QMetaMethod>
#include <QPluginLoader>
#include <QProcess>
#include <QResource>
#include <QTextCodec>

namespace {
const char kManifestResource[] = ":/com.ekr.configuration_0.9.0/META-INF/MANIFEST.MF";
const QByteArray kManifest =
    "Plugin-SymbolicName: com.ekr.configuration\r\n"
    "Plugin-Version: 0.9.0\r\n"
    "Plugin-Name: com.ekr.configuration\r\n"
    "Plugin-Copyright: Copyright (C) 2026 EKR Render Systems. All rights reserved.\r\n"
    "Plugin-Vendor: EKR Render Systems\r\n";
typedef QObject* (*InstanceFunction)();
} // namespace

class PackageTest : public QObject
{
    Q_OBJECT

private slots:
    void libraryFileExportsAndMetadata()
    {
        const QFileInfo library(PluginHarness::pluginPath());
        QCOMPARE(library.fileName(), QStringLiteral("com.ekr.configuration_0.9.0.so"));

        QProcess nm;
        nm.start(QStringLiteral("nm"), {"-D", "--defined-only", library.filePath()});
        QVERIFY(nm.waitForFinished());
        QStringList symbols;
        for (const QByteArray& line : nm.readAllStandardOutput().trimmed().split('\n'))
            symbols << QString::fromLatin1(line.split(' ').last());
        symbols.sort();
        QCOMPARE(symbols, QStringList({"qt_plugin_instance", "qt_plugin_query_metadata"}));
        const QJsonObject metaData = QPluginLoader(library.filePath()).metaData();
        QCOMPARE(metaData.value("IID").toString(), QStringLiteral("com.ekr.configuration"));
        QCOMPARE(metaData.value("className").toString(), QStringLiteral("EKConfigurationPlugin"));
        QVERIFY(metaData.value("MetaData").toObject().isEmpty());
        QVERIFY(metaData.contains("version") && metaData.contains("debug"));
    }

    void manifestIsEmbeddedByteForByteAndGoesWithTheLibrary()
    {
        QVERIFY(!QFile::exists(kManifestResource));
        QLibrary library(PluginHarness::pluginPath());
        QVERIFY2(library.load(), qPrintable(library.errorString()));

        QFile manifest(kManifestResource);
        QVERIFY(manifest.open(QIODevice::ReadOnly));
        QCOMPARE(manifest.readAll(), kManifest);
        QCOMPARE(QResource(kManifestResource).compressionAlgorithm(), QResource::NoCompression);

        manifest.close();
        QVERIFY(library.unload());
        QVERIFY(!QFile::exists(kManifestResource));
    }

    void activator()
    {
        PluginHarness harness;
        harness.registerServices();
        QLibrary library(PluginHarness::pluginPath());
        auto instance = reinterpret_cast<InstanceFunction>(library.resolve("qt_plugin_instance"));
        QVERIFY(instance);
        QPointer<QObject> first = instance();
        QVERIFY(first && instance() == first.data());
        first->setProperty("marker", true);

        // The activator answers to its class, to the framework's activator
        // interface by name and by id, and passes the rest on to QObject.
        void* asActivator = first->qt_metacast("ctkPluginActivator");
        QVERIFY(asActivator);
        QCOMPARE(first->qt_metacast("org.commontk.pluginfw.pluginactivator"), asActivator);
        for (const char* name : {"EKConfigurationPlugin", "QObject"})
            QCOMPARE(first->qt_metacast(name), static_cast<void*>(first.data()));
        QCOMPARE(first->qt_metacast("com.ekr.configuration"), nullptr);
        QCOMPARE(first->metaObject()->methodCount(), first->metaObject()->methodOffset());

        // Deleting it lets the library make a fresh one.
        delete first.data();
        auto* activator = qobject_cast<ctkPluginActivator*>(instance());
        QVERIFY(activator && !dynamic_cast<QObject*>(activator)->property("marker").isValid());

        activator->stop(harness.context()); // without start: nothing to delete
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        activator->start(harness.context());
        QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));

        QVERIFY(!harness.context()->getServiceReference("com.ekr.configuration"));
        QObject* component = harness.context()->getService(
            harness.context()->getServiceReference("EKConfigurationInterface"));
        QVERIFY(component);
        for (const char* name :
             {"EKConfiguration", "com.ekr.configuration", "EKConfigurationInterface"})
            QCOMPARE(component->qt_metacast(name), static_cast<void*>(component));
        auto* lifecycle = static_cast<EKBaseInterface*>(component->qt_metacast("EKBaseInterface"));
        QCOMPARE(lifecycle,
                 static_cast<EKBaseInterface*>(qobject_cast<EKConfigurationInterface*>(component)));

        // Nothing has initialised it yet.
        QVariant handle(7), argument;
        QCOMPARE(lifecycle->Start(handle, {}), -3);
        QCOMPARE(handle.toInt(), 7);
        QCOMPARE(QVector<int>(
                     {lifecycle->Stop(1), lifecycle->Execute(1, argument), lifecycle->Query(1)}),
                 QVector<int>({-3, -3, -3}));
        QCOMPARE(lifecycle->Uninitialize(), 0);
        QCOMPARE(harness.settings.lifecycleCalls, QStringList());

        QPointer<QObject> guard(component);
        activator->stop(harness.context());
        QVERIFY(!guard);
        activator->stop(harness.context()); // twice: nothing left to delete
        delete activator;
        library.unload();
    }

    void componentDeclaresItsSlotsInOrderAndNoSignals()
    {
        PluginHarness harness;
        harness.bringUp();
        const QMetaObject* meta = harness.component()->metaObject();
        const QStringList expected =
            QStringLiteral(
                "+ShowConf() +Finish(QString) +CheckforUpdates() +GetCurrentVersion() "
                "+TriggerLatestVersionResponse(int,QVariantMap) +GetLatestVersion() "
                "+handleStateChanged(QAudio::State) +StateChanged(int) "
                "+TriggerSignOutResponse(int,QVariantMap) #ChangeSkin(QString) "
                "#ChangeLanguage(QString) #SelectRenderOutputPath() #SelectMonitorPath() "
                "#TriggerApply() #TriggerCancel() #EnableApply() #ItemClicked(QTableWidgetItem*) "
                "#UpdateSettings() #TriggerSignInResponse(int,QVariantMap) "
                "#CellDoubleClicked(int,int) "
                "#TriggerPoolIdResponse(int,QVariantMap)")
                .split(' ');
        QStringList declared;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            QCOMPARE(method.methodType(), QMetaMethod::Slot);
            declared << QLatin1String(method.access() == QMetaMethod::Public ? "+" : "#") +
                            QString::fromLatin1(method.methodSignature());
        }
        QCOMPARE(declared, expected);
        QCOMPARE(meta->method(meta->indexOfSlot("GetCurrentVersion()")).typeName(), "QString");
    }
};

EKR_TEST_MAIN(PackageTest)
#include "tst_package.moc"
