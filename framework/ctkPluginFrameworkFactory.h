#ifndef CTKPLUGINFRAMEWORKFACTORY_H
#define CTKPLUGINFRAMEWORKFACTORY_H

#include "ctkPluginFramework.h"

#include <QSharedPointer>

class CTK_PLUGINFW_EXPORT ctkPluginFrameworkFactory
{
public:
    explicit ctkPluginFrameworkFactory(const ctkProperties& initProps = ctkProperties());
    ~ctkPluginFrameworkFactory();

    // The same framework instance on every call.
    QSharedPointer<ctkPluginFramework> getFramework();

private:
    Q_DISABLE_COPY(ctkPluginFrameworkFactory)
    ctkProperties m_properties;
    QSharedPointer<ctkPluginFramework> m_framework;
};

#endif
