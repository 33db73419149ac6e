#ifndef EKR_CONFIGURATION_PLUGIN_H
#define EKR_CONFIGURATION_PLUGIN_H

#include <ctkPluginActivator.h>

#include <QObject>

class EKConfiguration;

// Creates the component when the framework starts the plugin, registers it,
// and deletes it when the plugin stops. Initialising and starting the
// component is the host's business.
class EKConfigurationPlugin : public QObject, public ctkPluginActivator
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.ekr.configuration")
    Q_INTERFACES(ctkPluginActivator)

public:
    ~EKConfigurationPlugin() override;

    void start(ctkPluginContext* context) override;
    void stop(ctkPluginContext* context) override;

private:
    EKConfiguration* m_pConfiguration = nullptr;
};

#endif
