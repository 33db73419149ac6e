#ifndef CTKSERVICEREFERENCE_H
#define CTKSERVICEREFERENCE_H

#include "ctkPluginFramework_global.h"

#include <QSharedPointer>
#include <QStringList>

class ctkPlugin;
struct ctkServiceRegistrationEntry;

// A copyable handle on a registered service. A default-constructed reference,
// or one for a name that no service is registered under, is invalid.
class CTK_PLUGINFW_EXPORT ctkServiceReference
{
public:
    ctkServiceReference();

    operator bool() const;

    QVariant getProperty(const QString& key) const;
    QStringList getPropertyKeys() const;
    QSharedPointer<ctkPlugin> getPlugin() const;

    bool operator==(const ctkServiceReference& other) const;
    bool operator!=(const ctkServiceReference& other) const { return !(*this == other); }

private:
    friend class ctkPluginContext;
    friend class ctkServiceRegistration;
    explicit ctkServiceReference(const QSharedPointer<ctkServiceRegistrationEntry>& entry);

    QSharedPointer<ctkServiceRegistrationEntry> d;
};

#endif
