// The plugin library as a package: file name, entry points, metadata, the
// embedded manifest, the activator and the shape of the registered component.

#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

#include <ctkPlugin.h>
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
    void libraryFileAndExports()
    {
        const QFileInfo library(PluginHarness::pluginPath());
        QCOMPARE(library.fileName(), QStringLiteral("com.ekr.configuration_0.9.0.so"));

        QProcess nm;
        nm.start(QStringLiteral("nm"), {"-D", "--defined-only", library.filePath()});
        QVERIFY(nm.waitForFinished());
        QStringList symbols;
        const QList<QByteArray> lines = nm.readAllStandardOutput().split('\n');
        for (const QByteArray& line : lines) {
            if (!line.trimmed().isEmpty())
                symbols << QString::fromLatin1(line.split(' ').last());
        }
        symbols.sort();
        QCOMPARE(symbols, QStringList({"qt_plugin_instance", "qt_plugin_query_metadata"}));
    }

    void metadata()
    {
        const QJsonObject metaData = QPluginLoader(PluginHarness::pluginPath()).metaData();
        QCOMPARE(metaData.value("IID").toString(), QStringLiteral("com.ekr.configuration"));
        QCOMPARE(metaData.value("className").toString(), QStringLiteral("EKConfigurationPlugin"));
        QVERIFY(metaData.value("MetaData").toObject().isEmpty());
        QVERIFY(metaData.contains("version"));
        QVERIFY(metaData.contains("debug"));
    }

    void manifestIsEmbeddedByteForByteAndGoesWithTheLibrary()
    {
        QVERIFY(!QFile::exists(kManifestResource));
        QLibrary library(PluginHarness::pluginPath());
        QVERIFY2(library.load(), qPrintable(library.errorString()));

        QFile manifest(kManifestResource);
        QVERIFY(manifest.open(QIODevice::ReadOnly));
        QCOMPARE(manifest.readAll(), kManifest);
        QFile source(EKR_SOURCE_DIR "/plugins/com.ekr.configuration/META-INF/MANIFEST.MF");
        QVERIFY(source.open(QIODevice::ReadOnly));
        QCOMPARE(source.readAll(), kManifest);
        QCOMPARE(QResource(kManifestResource).compressionAlgorithm(), QResource::NoCompression);

        manifest.close();
        QVERIFY(library.unload());
        QVERIFY(!QFile::exists(kManifestResource));
    }

    void pluginInstanceIsOneActivatorUntilDeleted()
    {
        QLibrary library(PluginHarness::pluginPath());
        auto instance = reinterpret_cast<InstanceFunction>(library.resolve("qt_plugin_instance"));
        QVERIFY(instance);
        QPointer<QObject> first = instance();
        QVERIFY(first);
        QCOMPARE(instance(), first.data());
        first->setProperty("marker", true);

        // The activator answers to its class, to the framework's activator
        // interface by name and by id, and passes the rest on to QObject.
        auto* activator =
            static_cast<ctkPluginActivator*>(first->qt_metacast("ctkPluginActivator"));
        QVERIFY(activator);
        QCOMPARE(first->qt_metacast("org.commontk.pluginfw.pluginactivator"),
                 static_cast<void*>(activator));
        QCOMPARE(first->qt_metacast("EKConfigurationPlugin"), static_cast<void*>(first.data()));
        QCOMPARE(first->qt_metacast("QObject"), static_cast<void*>(first.data()));
        QCOMPARE(first->qt_metacast("com.ekr.configuration"), nullptr);
        QCOMPARE(first->metaObject()->className(), "EKConfigurationPlugin");
        QCOMPARE(first->metaObject()->methodCount(), first->metaObject()->methodOffset());

        delete first.data();
        QVERIFY(!first);
        QObject* second = instance();
        QVERIFY(second);
        QVERIFY(!second->property("marker").isValid());
        delete second;
        library.unload();
    }

    void activatorStartRegistersAnIdleComponentAndStopIsIdempotent()
    {
        PluginHarness harness;
        harness.registerServices();
        QLibrary library(PluginHarness::pluginPath());
        auto instance = reinterpret_cast<InstanceFunction>(library.resolve("qt_plugin_instance"));
        auto* activator = qobject_cast<ctkPluginActivator*>(instance());
        QVERIFY(activator);

        activator->stop(harness.context()); // without start: nothing to delete
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        activator->start(harness.context());
        QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));

        QVERIFY(!harness.context()->getServiceReference("com.ekr.configuration"));
        QObject* component = harness.context()->getService(
            harness.context()->getServiceReference("EKConfigurationInterface"));
        QVERIFY(component);
        QCOMPARE(component->qt_metacast("EKConfiguration"), static_cast<void*>(component));
        QCOMPARE(component->qt_metacast("com.ekr.configuration"), static_cast<void*>(component));
        QCOMPARE(component->qt_metacast("EKConfigurationInterface"), static_cast<void*>(component));
        auto* lifecycle = static_cast<EKBaseInterface*>(component->qt_metacast("EKBaseInterface"));
        QCOMPARE(lifecycle,
                 static_cast<EKBaseInterface*>(qobject_cast<EKConfigurationInterface*>(component)));

        // Nothing has initialised it yet.
        QVariant handle(7);
        QVariant argument;
        QCOMPARE(lifecycle->Start(handle, {}), -3);
        QCOMPARE(handle.toInt(), 7);
        QCOMPARE(lifecycle->Stop(QVariant(1)), -3);
        QCOMPARE(lifecycle->Execute(QVariant(1), argument), -3);
        QCOMPARE(lifecycle->Query(QVariant(1)), -3);
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
        QCOMPARE(meta->className(), "EKConfiguration");
        const QStringList expected = {"+ShowConf()",
                                      "+Finish(QString)",
                                      "+CheckforUpdates()",
                                      "+GetCurrentVersion()",
                                      "+TriggerLatestVersionResponse(int,QVariantMap)",
                                      "+GetLatestVersion()",
                                      "+handleStateChanged(QAudio::State)",
                                      "+StateChanged(int)",
                                      "+TriggerSignOutResponse(int,QVariantMap)",
                                      "#ChangeSkin(QString)",
                                      "#ChangeLanguage(QString)",
                                      "#SelectRenderOutputPath()",
                                      "#SelectMonitorPath()",
                                      "#TriggerApply()",
                                      "#TriggerCancel()",
                                      "#EnableApply()",
                                      "#ItemClicked(QTableWidgetItem*)",
                                      "#UpdateSettings()",
                                      "#TriggerSignInResponse(int,QVariantMap)",
                                      "#CellDoubleClicked(int,int)",
                                      "#TriggerPoolIdResponse(int,QVariantMap)"};
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
