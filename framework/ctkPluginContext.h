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

    // Registers any object under any names. Stock CTK refuses (with a
    // ctkInvalidArgumentException) an object that does not answer inherits()
    // for each name; this framework does not check, so that tests can register
    // doubles, or an object of the wrong interface, where the host's services go.
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
    // for a service object that has been deleted meanwhile. Stock CTK throws
    // for an invalid reference: callers check the reference first.
    QObject* getService(const ctkServiceReference& reference);
    template <class S> S* getService(const ctkServiceReference& reference)
    {
        return qobject_cast<S*>(getService(reference));
    }

    // Loads the library at location and reads its embedded manifest. Throws
    // ctkPluginException when the library cannot be loaded, has no valid
    // manifest or no activator. The manifest is looked for where stock CTK
    // looks, :/<prefix>/META-INF/MANIFEST.MF with the prefix the file name up
    // to its first dot, a leading "lib" dropped and "_" read as "."
    // (libcom_ekr_configuration.so: com.ekr.configuration), and failing that,
    // unlike CTK, under the file name without its last suffix
    // (com.ekr.configuration_0.9.0.so: com.ekr.configuration_0.9.0).
    QSharedPointer<ctkPlugin> installPlugin(const QUrl& location, QIODevice* input = nullptr);

private:
    friend class ctkPluginPrivate;
    explicit ctkPluginContext(ctkPluginPrivate* plugin);
    Q_DISABLE_COPY(ctkPluginContext)

    ctkPluginPrivate* d;
};

#endif
