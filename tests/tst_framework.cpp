// The plugin framework layer as plugins and the client rely on it, with fixture plugins.

#include "client_host.h"
#include "plugin_harness.h"
#include "test_environment.h"

#include <ctkPluginException.h>

#include <QTextCodec>

class FrameworkTest : public QObject
{
    Q_OBJECT
    using E = ctkPluginException;

    std::unique_ptr<ctkPluginFrameworkFactory> m_factory;
    QSharedPointer<ctkPluginFramework> m_framework;
    ctkPluginContext* ctx = nullptr;
    const QDir dir{EKR_FIXTURE_DIR}; // of the fixture plugins
    QObject* service(const char* name) { return ctx->getService(ctx->getServiceReference(name)); }
    auto install(const char* f) { return ctx->installPlugin(QUrl::fromLocalFile(dir.filePath(f))); }
    QString label(ctkPlugin* p) { return p->getSymbolicName() + ' ' + p->getVersion().toString(); }

private slots:
    void init()
    {
        m_factory.reset(new ctkPluginFrameworkFactory), m_framework = m_factory->getFramework();
        m_framework->start(), ctx = m_framework->getPluginContext();
    }
    void cleanup() { m_framework.reset(), m_factory.reset(); }

    void registry()
    {
        QCOMPARE(label(m_framework.data()), QStringLiteral("org.commontk.pluginfw 0.9.0"));
        QVERIFY(m_framework->getState() == ctkPlugin::ACTIVE && m_framework->getPluginId() == 0);
        QVERIFY(ctx->getPlugin(0) == m_framework && ctx->getPlugin() == m_factory->getFramework());

        // Found by any of its names; the first registered wins; its properties are replaced.
        auto a = ctx->registerService({"Shared", "OnlyFirst"}, this, {{"rank", 1}});
        const auto b = ctx->registerService("Shared", qApp);
        const ctkServiceReference shared = ctx->getServiceReference("Shared");
        a.setProperties({{"rank", 2}});
        QVERIFY(ctx->getServiceReferences("Shared") == (QList{shared, b.getReference()}) &&
                service("OnlyFirst") == this && shared.getProperty("rank") == 2);
        QVERIFY(ctkServiceRegistration(a) == a && !(a == b) && service("Shared") == this);

        a.unregister(), a.unregister(); // twice does nothing, nor does a registration of nothing
        ctkServiceRegistration().unregister(), ctkServiceRegistration().setProperties({});
        ctx->registerService("Deleted", std::make_unique<QObject>().get()); // deleted at once
        QVERIFY(!ctx->getService(shared) && service("Shared") == qApp && !service("Deleted"));
    }

    // Each row: a text, then how it orders against 1.2.3 and how it reads.
    void versions()
    {
        const ctkVersion r(1, 2, 3);
        for (const QString row :
             {" 1.2.3 |=1.2.3", "1.2|<1.2.0", "2|>2.0.0", "0.9.9|<0.9.9", "1.1.9|<1.1.9",
              "1.3.0|>1.3.0", "1.2.4|>1.2.4", "1.2.3.a.b|>1.2.3.a.b", " |<0.0.0"}) {
            const ctkVersion v = ctkVersion::parseVersion(row.section('|', 0, 0));
            auto rel = QString(v < r ? "<" : "") + (r < v ? ">" : "") + (v == r ? "=" : "");
            QCOMPARE(row.section('|', 0, 0) + '|' + rel + v.toString(), row);
        }
    }

    // Bad libraries are refused, saying why; the real plugin's component reads local text as UTF-8.
    void libraries()
    {
        const std::tuple<const char*, E::Type, const char*> rows[] = {
            {"../../bin/libekr_pluginframework.so", E::RESOLVE_ERROR, "Cannot load"},
            {"fixture.nomanifest_1.0.0.so", E::MANIFEST_ERROR, "embeds no manifest"},
            {"fixture.noname_1.0.0.so", E::MANIFEST_ERROR, "no Plugin-SymbolicName"},
            {"fixture.badversion_1.0.0.so", E::MANIFEST_ERROR, "Plugin-Version \"one\""},
            {"fixture.noactivator_1.0.0.so", E::ACTIVATOR_ERROR, "no ctkPluginActivator"},
            {"fixture.throwing_1.0.0.so", E::ACTIVATOR_ERROR, "failed to start: fixture told to"}};
        for (const auto& [file, type, reason] : rows) {
            try {
                install(file)->start();
                QFAIL(file);
            } catch (const E& e) {
                QVERIFY2(e.getType() == type && e.message().contains(reason), file);
            }
        }
        // Both packages: ours, and the one that stock CTK can install and activates at once.
        for (const auto& [file, policy] :
             {std::pair{EKR_PLUGIN_PATH, ""}, std::pair{EKR_CTK_PLUGIN_PATH, "eager"}}) {
            const auto plugin = install(file);
            QCOMPARE(plugin->getHeaders().value("Plugin-Vendor") + ", " + label(plugin.data()) +
                         ", " + plugin->getHeaders().value("Plugin-ActivationPolicy"),
                     QStringLiteral("EKR Render Systems, com.ekr.configuration 0.9.0, ") + policy);
            QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1")), plugin->start();
            QVERIFY(QTextCodec::codecForLocale()->name() == "UTF-8" && !service("FixtureService") &&
                    qobject_cast<EKConfigurationInterface*>(service("EKConfigurationInterface")));
            plugin->uninstall();
        }
    }

    // What stock CTK refuses to register: a service that does not answer inherits() for the
    // name the client registers it under (before it installs the plugin).
    void clientServicesAnswerTheirNames()
    {
        ClientHost host;
        QString error;
        QVERIFY(!host.start("/nonexistent/plugin.so", &error));
        ctkPluginContext* client = host.pluginContext();
        for (const char* name :
             {"EKLoggerInterface", "EKSettingsInterface", "EKUiLoaderInterface",
              "EKCommunicationInterface", "EKFileWatcherInterface", "EKMessagboxInterface"}) {
            const QObject* service = client->getService(client->getServiceReference(name));
            QVERIFY2(service && service->inherits(name), name);
        }
    }

    void pluginLifecycle()
    {
        auto good = install("fixture.good_1.2.3.so"); // a manifest with the format's liberties
        const auto other = install("fixture.other_1.0.0.so");
        QVERIFY(good->getHeaders().size() == 3 && good->getHeaders().value("X") == "1");
        QVERIFY(install("fixture.good_1.2.3.so") == good && ctx->getPlugins().size() == 3);
        QCOMPARE(ctx->getPlugin(good->getPluginId()), good);
        good->start(), good->start(); // an active plugin is not started again, nor stopped
        QCOMPARE(ctx->getServiceReference("FixtureService").getPlugin(), good);
        good->stop(), good->stop();
        QVERIFY(good->getState() == ctkPlugin::RESOLVED && !service("FixtureService"));

        // The framework stops plugins newest installed first, then withdraws all services.
        auto host = ctx->registerService("Host", this);
        other->start(), good->start(), m_framework->stop();
        QVERIFY(!host.getReference());
        host = ctx->registerService("Host", this);
        m_framework->stop(), m_framework->init(); // stopped, it withdraws nothing more
        QVERIFY(host.getReference() && m_framework->getState() == ctkPlugin::STARTING);
        good->start(), other->start(), m_framework->stop(), good->start(), good->uninstall();
        QVERIFY(good->getState() == ctkPlugin::UNINSTALLED && !ctx->getPlugin(good->getPluginId()));
        QVERIFY_EXCEPTION_THROWN(good->start(), E);

        // Going, it stops what runs, even when stopped; what outlives it is withdrawn.
        good = install("fixture.good_1.2.3.so"), host = ctx->registerService("Host", this);
        good->start(), other->start(), cleanup();
        QVERIFY(good->getState() == ctkPlugin::UNINSTALLED && !host.getReference());
        host.unregister();
        QVERIFY_EXCEPTION_THROWN(good->getPluginContext()->getServiceReference("Host"), E);
        QCOMPARE(qApp->property("fixture calls").toString(), // +start -stop ~unloaded
                 "+good -good +other +good -other -good +good +other -other -good +good -good "
                 "~good +good +other -good ~good -other ~other ");
    }
};

EKR_TEST_MAIN(FrameworkTest)
#include "tst_framework.moc"
