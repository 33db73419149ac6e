#include "ekr_configuration_plugin.h"
#include "ekr_configuration.h"

#include <ctkPluginContext.h>

EKConfigurationPlugin::~EKConfigurationPlugin()
{
    // Unloaded without a stop: the component is still ours to delete.
    delete m_pConfiguration;
}

void EKConfigurationPlugin::start(ctkPluginContext* context)
{
    m_pConfiguration = new EKConfiguration();
    context->registerService(QStringList() << QStringLiteral("EKConfigurationInterface"),
                             m_pConfiguration, ctkDictionary());
}

void EKConfigurationPlugin::stop(ctkPluginContext* context)
{
    Q_UNUSED(context)
    delete m_pConfiguration;
    m_pConfiguration = nullptr;
}
