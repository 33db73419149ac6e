#include "ctkPluginActivator.h"
#include "ctkPluginContext.h"
#include "ctkPluginException.h"
#include "ctkPluginFrameworkContext_p.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

ctkPluginPrivate::ctkPluginPrivate(ctkPluginFrameworkContext* fw, long pluginId,
                                   const QString& pluginLocation)
    : framework(fw), id(pluginId), location(pluginLocation)
{
}

ctkPluginPrivate::~ctkPluginPrivate() = default;

ctkPluginContext* ctkPluginPrivate::context()
{
    if (!m_context)
        m_context.reset(new ctkPluginContext(this));
    return m_context.get();
}

ctkPluginFrameworkContext::ctkPluginFrameworkContext() = default;

ctkPluginFrameworkContext::~ctkPluginFrameworkContext()
{
    unregisterEverything();
    for (const QSharedPointer<ctkPlugin>& plugin : qAsConst(m_plugins))
        plugin->d_ptr->framework = nullptr;
}

QSharedPointer<ctkServiceRegistrationEntry>
ctkPluginFrameworkContext::registerService(const QSharedPointer<ctkPlugin>& owner,
                                           const QStringList& names, QObject* service,
                                           const ctkDictionary& properties)
{
    if (!service)
        throw ctkPluginException(QStringLiteral("Cannot register a null service object"),
                                 ctkPluginException::INVALID_OPERATION);
    if (names.isEmpty())
        throw ctkPluginException(QStringLiteral("Cannot register a service under no name"),
                                 ctkPluginException::INVALID_OPERATION);
    auto entry = QSharedPointer<ctkServiceRegistrationEntry>::create();
    entry->serviceId = m_nextServiceId++;
    // Deep copies: a plugin's string literals live in its library, which may
    // be unloaded while the registry still holds the entry.
    for (const QString& name : names)
        entry->names.append(QString(name.constData(), name.size()));
    entry->properties = detached(properties);
    entry->service = service;
    entry->plugin = owner;
    entry->owner = owner.data();
    entry->framework = this;
    m_services.append(entry);
    return entry;
}

ctkDictionary ctkPluginFrameworkContext::detached(const ctkDictionary& properties)
{
    ctkDictionary copy;
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        QVariant value = it.value();
        if (value.type() == QVariant::String) {
            const QString text = value.toString();
            value = QString(text.constData(), text.size());
        }
        copy.insert(QString(it.key().constData(), it.key().size()), value);
    }
    return copy;
}

QList<QSharedPointer<ctkServiceRegistrationEntry>>
ctkPluginFrameworkContext::find(const QString& name) const
{
    QList<QSharedPointer<ctkServiceRegistrationEntry>> found;
    // The list holds only what is registered: unregister() takes an entry out.
    for (const auto& entry : m_services) {
        if (entry->names.contains(name))
            found.append(entry);
    }
    return found;
}

void ctkPluginFrameworkContext::unregister(ctkServiceRegistrationEntry* entry)
{
    entry->available = false;
    entry->framework = nullptr;
    m_services.erase(std::remove_if(m_services.begin(), m_services.end(),
                                    [entry](const auto& held) { return held.data() == entry; }),
                     m_services.end());
}

void ctkPluginFrameworkContext::unregisterAll(const ctkPlugin* owner)
{
    const auto services = m_services;
    for (const auto& entry : services) {
        if (entry->owner == owner)
            unregister(entry.data());
    }
}

void ctkPluginFrameworkContext::unregisterEverything()
{
    const auto services = m_services;
    for (const auto& entry : services)
        unregister(entry.data());
}

QHash<QString, QString> ctkPluginFrameworkContext::parseManifest(const QByteArray& text)
{
    QHash<QString, QString> headers;
    QString last;
    const QList<QByteArray> lines = text.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (line.startsWith(' ') && !last.isEmpty()) { // continuation of the previous header
            headers[last] += QString::fromUtf8(line.mid(1));
            continue;
        }
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        last = QString::fromUtf8(line.left(colon)).trimmed();
        headers.insert(last, QString::fromUtf8(line.mid(colon + 1)).trimmed());
    }
    return headers;
}

QSharedPointer<ctkPlugin> ctkPluginFrameworkContext::install(const QString& location)
{
    for (const QSharedPointer<ctkPlugin>& plugin : qAsConst(m_plugins)) {
        if (plugin->getLocation() == location)
            return plugin;
    }

    // QPluginLoader keeps the library mapped after an unload (Qt's default
    // PreventUnloadHint): services may still hold strings and meta-data that
    // live in its image. Unloading deletes the activator all the same.
    auto loader = std::make_unique<QPluginLoader>(location);
    if (!loader->load())
        throw ctkPluginException(QStringLiteral("Cannot load plugin library %1: %2")
                                     .arg(location, loader->errorString()),
                                 ctkPluginException::RESOLVE_ERROR);

    auto refuse = [&loader](const QString& why, ctkPluginException::Type type) {
        loader->unload();
        throw ctkPluginException(why, type);
    };

    // Where stock CTK looks (the file name up to its first dot, without a
    // leading "lib", "_" read as "."), then under the whole name before the
    // suffix: a name like com.ekr.configuration_0.9.0 cannot be spelled by
    // CTK's rule.
    const QFileInfo file(location);
    QString ctkPrefix = file.baseName();
    if (ctkPrefix.startsWith(QLatin1String("lib")))
        ctkPrefix.remove(0, 3);
    ctkPrefix.replace(QLatin1Char('_'), QLatin1Char('.'));
    const QString manifestPaths[] = {
        QStringLiteral(":/%1/META-INF/MANIFEST.MF").arg(ctkPrefix),
        QStringLiteral(":/%1/META-INF/MANIFEST.MF").arg(file.completeBaseName())};
    QFile manifest(manifestPaths[0]);
    if (!manifest.open(QIODevice::ReadOnly)) {
        manifest.setFileName(manifestPaths[1]);
        if (!manifest.open(QIODevice::ReadOnly))
            refuse(QStringLiteral("Plugin library %1 embeds no manifest at %2 or %3")
                       .arg(location, manifestPaths[0], manifestPaths[1]),
                   ctkPluginException::MANIFEST_ERROR);
    }
    const QByteArray manifestText = manifest.readAll();
    const QHash<QString, QString> headers = parseManifest(manifestText);
    const QString symbolicName = headers.value(QStringLiteral("Plugin-SymbolicName"));
    if (symbolicName.isEmpty())
        refuse(QStringLiteral("The manifest of %1 has no Plugin-SymbolicName").arg(location),
               ctkPluginException::MANIFEST_ERROR);
    const ctkVersion version =
        ctkVersion::parseVersion(headers.value(QStringLiteral("Plugin-Version")));
    if (version.isUndefined())
        refuse(QStringLiteral("The manifest of %1 has an invalid Plugin-Version \"%2\"")
                   .arg(location, headers.value(QStringLiteral("Plugin-Version"))),
               ctkPluginException::MANIFEST_ERROR);

    auto* activator = qobject_cast<ctkPluginActivator*>(loader->instance());
    if (!activator)
        refuse(QStringLiteral("Plugin library %1 has no ctkPluginActivator").arg(location),
               ctkPluginException::ACTIVATOR_ERROR);

    auto* d = new ctkPluginPrivate(this, m_nextPluginId++, location);
    d->symbolicName = symbolicName;
    d->version = version;
    d->headers = headers;
    d->loader = std::move(loader);
    d->activator = activator;
    d->state = ctkPlugin::RESOLVED;
    QSharedPointer<ctkPlugin> plugin(new ctkPlugin(d));
    d->self = plugin;
    m_plugins.append(plugin);
    return plugin;
}

void ctkPluginFrameworkContext::forget(const ctkPlugin* plugin)
{
    plugin->d_ptr->framework = nullptr;
    m_plugins.erase(std::remove_if(m_plugins.begin(), m_plugins.end(),
                                   [plugin](const auto& held) { return held.data() == plugin; }),
                    m_plugins.end());
}

QSharedPointer<ctkPlugin> ctkPluginFrameworkContext::plugin(long id) const
{
    if (id == 0)
        return frameworkPlugin.toStrongRef();
    for (const QSharedPointer<ctkPlugin>& plugin : m_plugins) {
        if (plugin->getPluginId() == id)
            return plugin;
    }
    return QSharedPointer<ctkPlugin>();
}
