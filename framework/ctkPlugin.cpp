#include "ctkPlugin.h"
#include "ctkPluginActivator.h"
#include "ctkPluginException.h"
#include "ctkPluginFrameworkContext_p.h"

namespace {
QString describe(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}
} // namespace

ctkPlugin::ctkPlugin(ctkPluginPrivate* d) : d_ptr(d) {}

ctkPlugin::~ctkPlugin() = default;

ctkPlugin::State ctkPlugin::getState() const
{
    return d_ptr->state;
}

void ctkPlugin::start(const StartOptions& options)
{
    Q_UNUSED(options)
    ctkPluginPrivate* d = d_ptr.data();
    if (d->state == UNINSTALLED || !d->framework)
        throw ctkPluginException(QStringLiteral("Plugin %1 is uninstalled").arg(d->symbolicName),
                                 ctkPluginException::INVALID_OPERATION);
    if (d->state == ACTIVE || d->state == STARTING)
        return;

    d->state = STARTING;
    QString failure;
    try {
        d->activator->start(d->context());
    } catch (const std::exception& e) {
        failure = describe(e);
    } catch (...) {
        failure = QStringLiteral("unknown exception");
    }
    if (!failure.isNull()) {
        if (d->framework)
            d->framework->unregisterAll(this);
        d->state = RESOLVED;
        throw ctkPluginException(
            QStringLiteral("The activator of %1 failed to start: %2").arg(d->symbolicName, failure),
            ctkPluginException::ACTIVATOR_ERROR);
    }
    d->state = ACTIVE;
}

void ctkPlugin::stop(const StopOptions& options)
{
    Q_UNUSED(options)
    ctkPluginPrivate* d = d_ptr.data();
    if (d->state != ACTIVE)
        return;

    d->state = STOPPING;
    QString failure;
    try {
        d->activator->stop(d->context());
    } catch (const std::exception& e) {
        failure = describe(e);
    } catch (...) {
        failure = QStringLiteral("unknown exception");
    }
    if (d->framework)
        d->framework->unregisterAll(this);
    d->state = RESOLVED;
    if (!failure.isNull())
        throw ctkPluginException(
            QStringLiteral("The activator of %1 failed to stop: %2").arg(d->symbolicName, failure),
            ctkPluginException::ACTIVATOR_ERROR);
}

void ctkPlugin::uninstall()
{
    ctkPluginPrivate* d = d_ptr.data();
    if (d->state == UNINSTALLED)
        return;
    // The framework may hold the last strong reference to this plugin.
    const QSharedPointer<ctkPlugin> keepAlive = d->self.toStrongRef();
    try {
        stop();
    } catch (const ctkPluginException&) {
        // The plugin is stopped and its services withdrawn all the same.
    }
    d->activator = nullptr;
    if (d->loader)
        d->loader->unload(); // also deletes the activator instance
    d->state = UNINSTALLED;
    if (d->framework)
        d->framework->forget(this);
}

ctkPluginContext* ctkPlugin::getPluginContext() const
{
    return d_ptr->context();
}

long ctkPlugin::getPluginId() const
{
    return d_ptr->id;
}

QString ctkPlugin::getLocation() const
{
    return d_ptr->location;
}

QString ctkPlugin::getSymbolicName() const
{
    return d_ptr->symbolicName;
}

ctkVersion ctkPlugin::getVersion() const
{
    return d_ptr->version;
}

QHash<QString, QString> ctkPlugin::getHeaders()
{
    return d_ptr->headers;
}
