#ifndef CTKSERVICEREGISTRATION_H
#define CTKSERVICEREGISTRATION_H

#include "ctkServiceReference.h"

// A copyable record of one registerService call; unregister() withdraws it.
class CTK_PLUGINFW_EXPORT ctkServiceRegistration
{
public:
    ctkServiceRegistration();

    operator bool() const;

    ctkServiceReference getReference() const;
    void setProperties(const ctkDictionary& properties);
    // Withdraws the service; unregistering twice does nothing.
    void unregister();

    bool operator==(const ctkServiceRegistration& other) const;

private:
    friend class ctkPluginContext;
    explicit ctkServiceRegistration(const QSharedPointer<ctkServiceRegistrationEntry>& entry);

    QSharedPointer<ctkServiceRegistrationEntry> d;
};

#endif
