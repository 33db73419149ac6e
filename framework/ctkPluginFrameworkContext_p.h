#ifndef CTKPLUGINFRAMEWORKCONTEXT_P_H
#define CTKPLUGINFRAMEWORKCONTEXT_P_H

#include "ctkPlugin.h"
#include "ctkPluginFramework_global.h"
#include "ctkVersion.h"

#include <QHash>
#include <QList>
#include <QPluginLoader>
#include <QPointer>
#include <QSharedPointer>
#include <QStringList>
#include <QWeakPointer>

#include <memory>

class ctkPluginActivator;
class ctkPluginContext;
class ctkPluginFrameworkContext;

// One registerService call as the registry keeps it. References and
// registrations share it, so a withdrawn service is seen as such by all.
struct ctkServiceRegistrationEntry
{
    long serviceId = 0;
    QStringList names;
    QPointer<QObject> service;
    ctkDictionary properties;
    QWeakPointer<ctkPlugin> plugin;
    const ctkPlugin* owner = nullptr;
    ctkPluginFrameworkContext* framework = nullptr;
    bool available = true;
};

class ctkPluginPrivate
{
public:
    ctkPluginPrivate(ctkPluginFrameworkContext* fw, long id, const QString& location);
    virtual ~ctkPluginPrivate();

    ctkPluginContext* context();

    ctkPluginFrameworkContext* framework;
    long id;
    QString location;
    QString symbolicName;
    ctkVersion version;
    QHash<QString, QString> headers;
    ctkPlugin::State state = ctkPlugin::INSTALLED;
    std::unique_ptr<QPluginLoader> loader; // null for the framework itself
    ctkPluginActivator* activator = nullptr;
    QWeakPointer<ctkPlugin> self;

private:
    std::unique_ptr<ctkPluginContext> m_context;
};

// The registry and the list of plugins that one framework instance holds.
class ctkPluginFrameworkContext
{
public:
    ctkPluginFrameworkContext();
    ~ctkPluginFrameworkContext();

    QSharedPointer<ctkServiceRegistrationEntry>
    registerService(const QSharedPointer<ctkPlugin>& owner, const QStringList& names,
                    QObject* service, const ctkDictionary& properties);
    QList<QSharedPointer<ctkServiceRegistrationEntry>> find(const QString& name) const;
    // A copy that shares no string data with the caller's library.
    static ctkDictionary detached(const ctkDictionary& properties);
    void unregister(ctkServiceRegistrationEntry* entry);
    void unregisterAll(const ctkPlugin* owner);
    void unregisterEverything();

    QSharedPointer<ctkPlugin> install(const QString& location);
    void forget(const ctkPlugin* plugin);

    // The framework plugin is held weakly: it owns this context.
    QWeakPointer<ctkPlugin> frameworkPlugin;
    // Installed plugins in installation order, the framework not included.
    QList<QSharedPointer<ctkPlugin>> plugins() const { return m_plugins; }
    QSharedPointer<ctkPlugin> plugin(long id) const;

private:
    static QHash<QString, QString> parseManifest(const QByteArray& text);

    QList<QSharedPointer<ctkServiceRegistrationEntry>> m_services;
    QList<QSharedPointer<ctkPlugin>> m_plugins;
    long m_nextServiceId = 1;
    long m_nextPluginId = 1;
};

#endif
