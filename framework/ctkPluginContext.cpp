#include "ctkPluginContext.h"
#include "ctkPlugin.h"
#include "ctkPluginException.h"
#include "ctkPluginFrameworkContext_p.h"

namespace {
ctkPluginFrameworkContext* frameworkOf(ctkPluginPrivate* d)
{
    if (!d->framework)
        throw ctkPluginException(
            QStringLiteral("The context of plugin %1 is no longer valid").arg(d->symbolicName),
            ctkPluginException::INVALID_OPERATION);
    return d->framework;
}
} // namespace

ctkPluginContext::ctkPluginContext(ctkPluginPrivate* plugin) : d(plugin) {}

ctkPluginContext::~ctkPluginContext() = default;

QSharedPointer<ctkPlugin> ctkPluginContext::getPlugin() const
{
    return d->self.toStrongRef();
}

QSharedPointer<ctkPlugin> ctkPluginContext::getPlugin(long id) const
{
    return d->framework ? d->framework->plugin(id) : QSharedPointer<ctkPlugin>();
}

QList<QSharedPointer<ctkPlugin>> ctkPluginContext::getPlugins() const
{
    QList<QSharedPointer<ctkPlugin>> plugins;
    if (!d->framework)
        return plugins;
    if (QSharedPointer<ctkPlugin> fw = d->framework->frameworkPlugin.toStrongRef())
        plugins.append(fw);
    plugins.append(d->framework->plugins());
    return plugins;
}

ctkServiceRegistration ctkPluginContext::registerService(const QStringList& clazzes,
                                                         QObject* service,
                                                         const ctkDictionary& properties)
{
    return ctkServiceRegistration(
        frameworkOf(d)->registerService(getPlugin(), clazzes, service, properties));
}

ctkServiceRegistration ctkPluginContext::registerService(const char* clazz, QObject* service,
                                                         const ctkDictionary& properties)
{
    return registerService(QStringList(QString::fromUtf8(clazz)), service, properties);
}

QList<ctkServiceReference> ctkPluginContext::getServiceReferences(const QString& clazz)
{
    QList<ctkServiceReference> references;
    for (const auto& entry : frameworkOf(d)->find(clazz))
        references.append(ctkServiceReference(entry));
    return references;
}

ctkServiceReference ctkPluginContext::getServiceReference(const QString& clazz)
{
    const auto found = frameworkOf(d)->find(clazz);
    return found.isEmpty() ? ctkServiceReference() : ctkServiceReference(found.first());
}

QObject* ctkPluginContext::getService(const ctkServiceReference& reference)
{
    if (!reference || !reference.d->available)
        return nullptr;
    return reference.d->service.data();
}

QSharedPointer<ctkPlugin> ctkPluginContext::installPlugin(const QUrl& location, QIODevice* input)
{
    Q_UNUSED(input)
    const QString path = location.isLocalFile() ? location.toLocalFile() : location.toString();
    return frameworkOf(d)->install(path);
}
