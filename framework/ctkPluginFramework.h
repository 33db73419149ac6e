#ifndef CTKPLUGINFRAMEWORK_H
#define CTKPLUGINFRAMEWORK_H

#include "ctkPlugin.h"

// The framework is itself plugin 0; the host registers its services through
// the framework's own context.
class CTK_PLUGINFW_EXPORT ctkPluginFramework : public ctkPlugin
{
public:
    ~ctkPluginFramework() override;

    void init();
    void start(const StartOptions& options = START_ACTIVATION_POLICY) override;
    // Stops every installed plugin, newest first, and withdraws all services.
    void stop(const StopOptions& options = StopOptions()) override;
    void uninstall() override;

private:
    friend class ctkPluginFrameworkFactory;
    ctkPluginFramework();
};

#endif
