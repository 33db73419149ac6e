#ifndef CTKPLUGINCONTEXT_H
#define CTKPLUGINCONTEXT_H

#include "ctkPluginFramework_global.h"
#include "ctkServiceReference.h"
#include "ctkServiceRegistration.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QStringList>
#include <QUrl>

class QIODevice;
class ctkPlugin;
class ctkPluginPrivate;

// A plugin's view of the framework: the service registry and installation.
class CTK_PLUGINFW_EXPORT ctkPluginContext
{
public:
    ~ctkPluginContext();

    QSharedPointer<ctkPlugin> getPlugin() const;
    QSharedPointer<ctkPlugin> getPlugin(long id) const;
    QList<QSharedPointer<ctkPlugin>> getPlugins() const;

    ctkServiceRegistration registerService(const QStringList& clazzes, QObject* service,
                                           const ctkDictionary& properties = ctkDictionary());
    ctkServiceRegistration registerService(const char* clazz, QObject* service,
                                           const ctkDictionary& properties = ctkDictionary());
    template <class S>
    ctkServiceRegistration registerService(QObject* service,
                                           const ctkDictionary& properties = ctkDictionary())
    {
        return registerService(qobject_interface_iid<S*>(), service, properties);
    }

    QList<ctkServiceReference> getServiceReferences(const QString& clazz);
    // The first service registered under clazz that is still registered; an
    // invalid reference when there is none.
    ctkServiceReference getServiceReference(const QString& clazz);
    template <class S> ctkServiceReference getServiceReference()
    {
        return getServiceReference(QString(qobject_interface_iid<S*>()));
    }

    // The service object, or null for an invalid or withdrawn reference and
    // for a service object that has been deleted meanwhile.
    QObject* getService(const ctkServiceReference& reference);
    template <class S> S* getService(const ctkServiceReference& reference)
    {
        return qobject_cast<S*>(getService(reference));
    }

    // Loads the library at location and reads its embedded manifest. Throws
    // ctkPluginException when the library cannot be loaded, has no valid
    // manifest or no activator.
    QSharedPointer<ctkPlugin> installPlugin(const QUrl& location, QIODevice* input = nullptr);

private:
    friend class ctkPluginPrivate;
    explicit ctkPluginContext(ctkPluginPrivate* plugin);
    Q_DISABLE_COPY(ctkPluginContext)

    ctkPluginPrivate* d;
};

#endif
