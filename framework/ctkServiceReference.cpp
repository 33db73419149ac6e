#include "ctkServiceReference.h"
#include "ctkPluginFrameworkContext_p.h"
#include "ctkServiceRegistration.h"

ctkServiceReference::ctkServiceReference() = default;

ctkServiceReference::ctkServiceReference(const QSharedPointer<ctkServiceRegistrationEntry>& entry)
    : d(entry)
{
}

ctkServiceReference::operator bool() const
{
    return !d.isNull();
}

QVariant ctkServiceReference::getProperty(const QString& key) const
{
    return d ? d->properties.value(key) : QVariant();
}

QStringList ctkServiceReference::getPropertyKeys() const
{
    return d ? d->properties.keys() : QStringList();
}

QSharedPointer<ctkPlugin> ctkServiceReference::getPlugin() const
{
    return d ? d->plugin.toStrongRef() : QSharedPointer<ctkPlugin>();
}

bool ctkServiceReference::operator==(const ctkServiceReference& other) const
{
    return d == other.d;
}

ctkServiceRegistration::ctkServiceRegistration() = default;

ctkServiceRegistration::ctkServiceRegistration(
    const QSharedPointer<ctkServiceRegistrationEntry>& entry)
    : d(entry)
{
}

ctkServiceRegistration::operator bool() const
{
    return !d.isNull();
}

ctkServiceReference ctkServiceRegistration::getReference() const
{
    return d && d->available ? ctkServiceReference(d) : ctkServiceReference();
}

void ctkServiceRegistration::setProperties(const ctkDictionary& properties)
{
    if (d && d->available)
        d->properties = ctkPluginFrameworkContext::detached(properties);
}

void ctkServiceRegistration::unregister()
{
    if (d && d->available) // an available entry always has its registry
        d->framework->unregister(d.data());
}

bool ctkServiceRegistration::operator==(const ctkServiceRegistration& other) const
{
    return d == other.d;
}
