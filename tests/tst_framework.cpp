// The plugin framework layer as the client and its plugins rely on it: service
// registry, versions, installation and the plugin lifecycle, with fixture
// plugins and with the configuration plugin itself.

#include "plugin_harness.h"
#include "test_environment.h"

#include <ctkPluginException.h>

#include <QTextCodec>

class FrameworkTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ctkPluginFrameworkFactory> m_factory;
    QSharedPointer<ctkPluginFramework> m_framework;
    ctkPluginContext* context() { return m_framework->getPluginContext(); }
    QSharedPointer<ctkPlugin> install(const QString& file)
    {
        return context()->installPlugin(QUrl::fromLocalFile(EKR_FIXTURE_DIR "/" + file));
    }

private slots:
    void init()
    {
        m_factory.reset(new ctkPluginFrameworkFactory);
        m_framework = m_factory->getFramework();
        m_framework->init();
        QCOMPARE(m_framework->getState(), ctkPlugin::STARTING);
        m_framework->start();
    }
    void cleanup() { m_framework.reset(), m_factory.reset(); }

    void registry()
    {
        QCOMPARE(m_factory->getFramework(), m_framework);
        QCOMPARE(m_framework->getSymbolicName() + ' ' + m_framework->getVersion().toString(),
                 QStringLiteral("org.commontk.pluginfw 0.9.0"));
        QCOMPARE(m_framework->getState(), ctkPlugin::ACTIVE);
        QCOMPARE(m_framework->getPluginId(), 0L);
        QCOMPARE(context()->getPlugin(0), QSharedPointer<ctkPlugin>(m_framework));
        QCOMPARE(context()->getPlugin(), context()->getPlugin(0));

        // Found by any of its names; the first registered wins.
        QObject first, second;
        ctkServiceRegistration a =
            context()->registerService({"Shared", "OnlyFirst"}, &first, {{"rank", 1}});
        context()->registerService("Shared", &second);
        const ctkServiceReference shared = context()->getServiceReference("Shared");
        QVERIFY(shared == context()->getServiceReference("Shared"));
        QCOMPARE(context()->getService(shared), &first);
        QCOMPARE(context()->getService(context()->getServiceReference("OnlyFirst")), &first);
        QCOMPARE(context()->getServiceReferences("Shared").size(), 2);
        a.setProperties({{"rank", 2}});
        QCOMPARE(shared.getProperty("rank"), QVariant(2));

        a.unregister();
        a.unregister(); // twice does nothing, nor does a registration of nothing
        ctkServiceRegistration().unregister();
        ctkServiceRegistration().setProperties({});
        QCOMPARE(context()->getService(shared), nullptr);
        QCOMPARE(context()->getService(context()->getServiceReference("Shared")), &second);
        QVERIFY(!context()->getServiceReference("OnlyFirst"));
        QCOMPARE(context()->getService(ctkServiceReference()), nullptr);
        auto* deleted = new QObject;
        context()->registerService("Deleted", deleted);
        delete deleted;
        QCOMPARE(context()->getService(context()->getServiceReference("Deleted")), nullptr);
    }

    // Each row: the text as its name, how it reads, how it orders against 1.2.3.
    void versions_data()
    {
        QTest::addColumn<QString>("parsed");
        QTest::addColumn<int>("order");
        QTest::newRow(" 1.2.3 ") << "1.2.3" << 0;
        QTest::newRow("1.2") << "1.2.0" << -1;
        QTest::newRow("1.2.3.rc") << "1.2.3.rc" << 1;
        QTest::newRow("1.2.4") << "1.2.4" << 1;
        QTest::newRow("1.1.9") << "1.1.9" << -1;
        QTest::newRow("2") << "2.0.0" << 1;
        QTest::newRow(" ") << "0.0.0" << -1;
    }
    void versions()
    {
        QFETCH(QString, parsed);
        QFETCH(int, order);
        const ctkVersion version = ctkVersion::parseVersion(QTest::currentDataTag());
        const ctkVersion reference(1, 2, 3);
        QCOMPARE(version.toString(), parsed);
        QCOMPARE(QString(version < reference ? "<" : "") + (reference < version ? ">" : ""),
                 QString(order < 0   ? "<"
                         : order > 0 ? ">"
                                     : ""));
        QCOMPARE(version == reference, order == 0);
        QCOMPARE(version != reference, order != 0);
    }

    void refusesBadLibraries_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("reason");
        const int resolve = ctkPluginException::RESOLVE_ERROR;
        const int manifest = ctkPluginException::MANIFEST_ERROR;
        const int activator = ctkPluginException::ACTIVATOR_ERROR;
        QTest::newRow("missing") << "missing.so" << resolve << "Cannot load";
        QTest::newRow("not a Qt plugin")
            << "../../bin/libekr_pluginframework.so" << resolve << "Cannot load";
        QTest::newRow("no manifest")
            << "fixture.nomanifest_1.0.0.so" << manifest << "embeds no manifest";
        QTest::newRow("no symbolic name")
            << "fixture.noname_1.0.0.so" << manifest << "no Plugin-SymbolicName";
        QTest::newRow("invalid version")
            << "fixture.badversion_1.0.0.so" << manifest << "Plugin-Version \"one\"";
        QTest::newRow("no activator")
            << "fixture.noactivator_1.0.0.so" << activator << "no ctkPluginActivator";
        QTest::newRow("failing activator")
            << "fixture.throwing_1.0.0.so" << activator << "failed to start: fixture told to fail";
    }
    void refusesBadLibraries()
    {
        QFETCH(QString, file);
        QFETCH(int, type);
        QFETCH(QString, reason);
        try {
            install(file)->start();
            QFAIL("the library was taken");
        } catch (const ctkPluginException& e) {
            QCOMPARE(int(e.getType()), type);
            QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
        }
        QVERIFY(!context()->getServiceReference("FixtureService"));
    }

    void pluginLifecycle()
    {
        // Its manifest takes the liberties of the format (tests/CMakeLists.txt).
        QSharedPointer<ctkPlugin> plugin = install("fixture.good_1.2.3.so");
        QCOMPARE(install("fixture.good_1.2.3.so"), plugin);
        QCOMPARE(plugin->getHeaders(),
                 (QHash<QString, QString>{{"Plugin-SymbolicName", "fixture.good"},
                                          {"Plugin-Version", "1.2.3"},
                                          {"X", "1"}}));
        QCOMPARE(plugin->getSymbolicName() + ' ' + plugin->getVersion().toString(),
                 QStringLiteral("fixture.good 1.2.3"));
        QCOMPARE(context()->getPlugin(plugin->getPluginId()), plugin);
        QCOMPARE(context()->getPlugins().size(), 2);
        QCOMPARE(plugin->getState(), ctkPlugin::RESOLVED);

        plugin->start();
        plugin->start(); // an active plugin is not started again
        QCOMPARE(plugin->getState(), ctkPlugin::ACTIVE);
        QCOMPARE(context()->getServiceReferences("FixtureService").size(), 1);
        QCOMPARE(context()->getServiceReference("FixtureService").getPlugin(), plugin);
        plugin->stop();
        QCOMPARE(plugin->getState(), ctkPlugin::RESOLVED);
        QVERIFY(!context()->getServiceReference("FixtureService"));

        plugin->start(); // and again; its service is part of the activator
        QPointer<QObject> service =
            context()->getService(context()->getServiceReference("FixtureService"));
        plugin->uninstall();
        QCOMPARE(plugin->getState(), ctkPlugin::UNINSTALLED);
        QVERIFY(!context()->getServiceReference("FixtureService") && service.isNull());
        QCOMPARE(context()->getPlugins().size(), 1);
        QVERIFY(!context()->getPlugin(plugin->getPluginId()));
        QVERIFY_EXCEPTION_THROWN(plugin->start(), ctkPluginException);
    }

    void frameworkStopAndDestruction()
    {
        QSharedPointer<ctkPlugin> plugin = install("fixture.good_1.2.3.so");
        plugin->start();
        ctkServiceRegistration before = context()->registerService("HostService", this);
        m_framework->stop();
        QCOMPARE(plugin->getState(), ctkPlugin::RESOLVED);
        QVERIFY(!before.getReference());
        m_framework->init(); // a stopped framework can start anew, and stop while starting
        QCOMPARE(m_framework->getState(), ctkPlugin::STARTING);
        plugin->start();
        m_framework->stop();
        QCOMPARE(plugin->getState(), ctkPlugin::RESOLVED);

        // What outlives the framework is withdrawn, and safe to use.
        ctkServiceRegistration after = context()->registerService("HostService", this);
        cleanup();
        QCOMPARE(plugin->getState(), ctkPlugin::UNINSTALLED);
        QVERIFY(!after.getReference());
        after.unregister();
        QVERIFY_EXCEPTION_THROWN(plugin->getPluginContext()->getServiceReference("HostService"),
                                 ctkPluginException);
        init();
    }

    void configurationPlugin()
    {
        QSharedPointer<ctkPlugin> plugin =
            context()->installPlugin(QUrl::fromLocalFile(EKR_PLUGIN_PATH));
        QCOMPARE(plugin->getHeaders().value("Plugin-Vendor") + ", " + plugin->getSymbolicName() +
                     ' ' + plugin->getVersion().toString(),
                 QStringLiteral("EKR Render Systems, com.ekr.configuration 0.9.0"));
        // Its component, made at start, takes local text as UTF-8.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        plugin->start();
        QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));
        QVERIFY(qobject_cast<EKConfigurationInterface*>(
            context()->getService(context()->getServiceReference("EKConfigurationInterface"))));
    }
};

EKR_TEST_MAIN(FrameworkTest)
#include "tst_framework.moc"
