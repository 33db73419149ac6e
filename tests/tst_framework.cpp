// The plugin framework layer: service registry, installation and the plugin
// lifecycle, as the client and its plugins rely on them.

#include "test_environment.h"

#include <ctkPlugin.h>
#include <ctkPluginContext.h>
#include <ctkPluginException.h>
#include <ctkPluginFramework.h>
#include <ctkPluginFrameworkFactory.h>

#include <QPointer>

namespace {
QString fixture(const char* base)
{
    return QStringLiteral(EKR_FIXTURE_DIR "/%1.so").arg(QLatin1String(base));
}
} // namespace

class FrameworkTest : public QObject
{
    Q_OBJECT

private:
    ctkPluginFrameworkFactory* m_factory = nullptr;
    QSharedPointer<ctkPluginFramework> m_framework;
    ctkPluginContext* context() { return m_framework->getPluginContext(); }

private slots:
    void init()
    {
        m_factory = new ctkPluginFrameworkFactory;
        m_framework = m_factory->getFramework();
        m_framework->init();
        m_framework->start();
    }
    void cleanup()
    {
        m_framework.reset();
        delete m_factory;
        m_factory = nullptr;
    }

    void factoryHandsOutOneFramework()
    {
        QCOMPARE(m_factory->getFramework(), m_framework);
        QCOMPARE(m_framework->getState(), ctkPlugin::ACTIVE);
        QCOMPARE(m_framework->getPluginId(), 0L);
        QCOMPARE(context()->getPlugin(), QSharedPointer<ctkPlugin>(m_framework));
    }

    void lookUpByNameFirstRegisteredWins()
    {
        QObject first, second;
        ctkServiceRegistration a = context()->registerService(QStringList() << "Shared"
                                                                            << "OnlyFirst",
                                                              &first, {{"rank", 1}});
        context()->registerService("Shared", &second);

        const ctkServiceReference shared = context()->getServiceReference("Shared");
        QVERIFY(shared);
        QCOMPARE(context()->getService(shared), &first);
        QCOMPARE(shared.getProperty("rank").toInt(), 1);
        QCOMPARE(context()->getService(context()->getServiceReference("OnlyFirst")), &first);
        QCOMPARE(context()->getServiceReferences("Shared").size(), 2);

        a.unregister();
        a.unregister(); // twice does nothing
        QCOMPARE(context()->getService(shared), nullptr);
        QCOMPARE(context()->getService(context()->getServiceReference("Shared")), &second);
        QVERIFY(!context()->getServiceReference("OnlyFirst"));
    }

    void unknownNamesAndDeletedServicesGiveNull()
    {
        const ctkServiceReference none = context()->getServiceReference("Nobody");
        QVERIFY(!none);
        QCOMPARE(context()->getService(none), nullptr);
        QCOMPARE(context()->getService(ctkServiceReference()), nullptr);

        auto* doomed = new QObject;
        context()->registerService("Doomed", doomed);
        const ctkServiceReference reference = context()->getServiceReference("Doomed");
        delete doomed;
        QCOMPARE(context()->getService(reference), nullptr);
    }

    void refusesBadLibraries_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing file")
            << fixture("nothing_here") << int(ctkPluginException::RESOLVE_ERROR)
            << "Cannot load plugin library";
        QTest::newRow("not a Qt plugin")
            << QStringLiteral(EKR_PLUGIN_PATH).section('/', 0, -3) + "/libekr_pluginframework.so"
            << int(ctkPluginException::RESOLVE_ERROR) << "Cannot load plugin library";
        QTest::newRow("no manifest")
            << fixture("fixture.nomanifest_1.0.0") << int(ctkPluginException::MANIFEST_ERROR)
            << "embeds no manifest";
        QTest::newRow("no symbolic name")
            << fixture("fixture.noname_1.0.0") << int(ctkPluginException::MANIFEST_ERROR)
            << "has no Plugin-SymbolicName";
        QTest::newRow("no activator")
            << fixture("fixture.noactivator_1.0.0") << int(ctkPluginException::ACTIVATOR_ERROR)
            << "has no ctkPluginActivator";
    }
    void refusesBadLibraries()
    {
        QFETCH(QString, location);
        QFETCH(int, type);
        QFETCH(QString, reason);
        try {
            context()->installPlugin(QUrl::fromLocalFile(location));
            QFAIL("installPlugin accepted the library");
        } catch (const ctkPluginException& e) {
            QCOMPARE(int(e.getType()), type);
            QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
        }
        QCOMPARE(context()->getPlugins().size(), 1); // the framework alone
    }

    void installReadsTheManifestAndStopWithdrawsServices()
    {
        const QString location = fixture("fixture.good_1.2.3");
        QSharedPointer<ctkPlugin> plugin = context()->installPlugin(QUrl::fromLocalFile(location));
        QCOMPARE(context()->installPlugin(QUrl::fromLocalFile(location)), plugin);
        QCOMPARE(plugin->getSymbolicName(), QStringLiteral("fixture.good"));
        QCOMPARE(plugin->getVersion().toString(), QStringLiteral("1.2.3"));
        QCOMPARE(plugin->getState(), ctkPlugin::RESOLVED);

        plugin->start();
        QCOMPARE(plugin->getState(), ctkPlugin::ACTIVE);
        const ctkServiceReference reference = context()->getServiceReference("FixtureService");
        QVERIFY(reference);
        QCOMPARE(reference.getPlugin(), plugin);

        plugin->stop();
        QCOMPARE(plugin->getState(), ctkPlugin::RESOLVED);
        QVERIFY(!context()->getServiceReference("FixtureService"));
        QVERIFY(!context()->getServiceReference("FixtureStopped"));
        QCOMPARE(context()->getService(reference), nullptr);

        plugin->start(); // and again after a stop
        // The service object is a member of the activator, so it lives
        // exactly as long as the activator does.
        QPointer<QObject> activatorPart =
            context()->getService(context()->getServiceReference("FixtureService"));
        QVERIFY(activatorPart);
        plugin->uninstall();
        QCOMPARE(plugin->getState(), ctkPlugin::UNINSTALLED);
        QVERIFY(!context()->getServiceReference("FixtureService"));
        QVERIFY(!activatorPart);
        QVERIFY(context()->getPlugins().size() == 1);
        QVERIFY_EXCEPTION_THROWN(plugin->start(), ctkPluginException);
    }

    void failingActivatorLeavesNothingRegistered()
    {
        QSharedPointer<ctkPlugin> plugin =
            context()->installPlugin(QUrl::fromLocalFile(fixture("fixture.throwing_1.0.0")));
        try {
            plugin->start();
            QFAIL("start did not report the activator's failure");
        } catch (const ctkPluginException& e) {
            QCOMPARE(e.getType(), ctkPluginException::ACTIVATOR_ERROR);
            QVERIFY2(e.message().contains("fixture told to fail"), qPrintable(e.message()));
        }
        QCOMPARE(plugin->getState(), ctkPlugin::RESOLVED);
        QVERIFY(!context()->getServiceReference("FixtureService"));
    }

    void frameworkStopStopsPluginsAndOutlivingHandlesStaySafe()
    {
        QSharedPointer<ctkPlugin> plugin =
            context()->installPlugin(QUrl::fromLocalFile(fixture("fixture.good_1.2.3")));
        plugin->start();
        ctkServiceRegistration registration = context()->registerService("HostService", this);
        m_framework->stop();
        QCOMPARE(plugin->getState(), ctkPlugin::RESOLVED);
        QVERIFY(!registration.getReference());

        cleanup(); // the framework is gone; the plugin handle must not crash
        QCOMPARE(plugin->getState(), ctkPlugin::UNINSTALLED);
        QVERIFY_EXCEPTION_THROWN(plugin->getPluginContext()->getServiceReference("HostService"),
                                 ctkPluginException);
        registration.unregister();
        init();
    }
};

EKR_TEST_MAIN(FrameworkTest)
#include "tst_framework.moc"
