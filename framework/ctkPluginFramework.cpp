#include "ctkPluginFramework.h"
#include "ctkPluginFrameworkContext_p.h"
#include "ctkPluginFrameworkFactory.h"

#include <algorithm>

namespace {
// The framework's own private data owns the registry it shares with plugins.
struct FrameworkPrivate : ctkPluginPrivate
{
    FrameworkPrivate() : ctkPluginPrivate(nullptr, 0, QStringLiteral("System Plugin"))
    {
        framework = &registry;
        symbolicName = QStringLiteral("org.commontk.pluginfw");
        version = ctkVersion(0, 9, 0);
        state = ctkPlugin::INSTALLED;
    }
    ctkPluginFrameworkContext registry;
};

// Plugins stop and go newest first: one installed later may use the services
// of those installed before it until it has stopped.
QList<QSharedPointer<ctkPlugin>> newestFirst(QList<QSharedPointer<ctkPlugin>> plugins)
{
    std::reverse(plugins.begin(), plugins.end());
    return plugins;
}
} // namespace

ctkPluginFramework::ctkPluginFramework() : ctkPlugin(new FrameworkPrivate) {}

ctkPluginFramework::~ctkPluginFramework()
{
    uninstall();
}

void ctkPluginFramework::init()
{
    if (d_ptr->state == INSTALLED || d_ptr->state == RESOLVED)
        d_ptr->state = STARTING;
    d_ptr->context();
}

void ctkPluginFramework::start(const StartOptions& options)
{
    Q_UNUSED(options)
    if (d_ptr->state == UNINSTALLED)
        return;
    init();
    d_ptr->state = ACTIVE;
}

void ctkPluginFramework::stop(const StopOptions& options)
{
    Q_UNUSED(options)
    if (d_ptr->state != ACTIVE && d_ptr->state != STARTING)
        return;
    d_ptr->state = STOPPING;
    for (const QSharedPointer<ctkPlugin>& plugin : newestFirst(d_ptr->framework->plugins())) {
        try {
            plugin->stop();
        } catch (const std::exception&) {
            // A failing plugin must not keep the others running.
        }
    }
    d_ptr->framework->unregisterEverything();
    d_ptr->state = RESOLVED;
}

void ctkPluginFramework::uninstall()
{
    if (d_ptr->state == UNINSTALLED)
        return;
    stop();
    for (const QSharedPointer<ctkPlugin>& plugin : newestFirst(d_ptr->framework->plugins()))
        plugin->uninstall();
    d_ptr->state = UNINSTALLED;
}

ctkPluginFrameworkFactory::ctkPluginFrameworkFactory(const ctkProperties& initProps)
    : m_properties(initProps)
{
}

ctkPluginFrameworkFactory::~ctkPluginFrameworkFactory() = default;

QSharedPointer<ctkPluginFramework> ctkPluginFrameworkFactory::getFramework()
{
    if (!m_framework) {
        m_framework.reset(new ctkPluginFramework);
        m_framework->d_ptr->self = m_framework;
        m_framework->d_ptr->framework->frameworkPlugin = m_framework;
    }
    return m_framework;
}
