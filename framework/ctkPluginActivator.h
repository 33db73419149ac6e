#ifndef CTKPLUGINACTIVATOR_H
#define CTKPLUGINACTIVATOR_H

#include <QtPlugin>

class ctkPluginContext;

// Implemented by the object that a plugin library hands out through
// qt_plugin_instance(); the framework calls start() and stop() on it.
class ctkPluginActivator
{
public:
    virtual ~ctkPluginActivator() {}

    virtual void start(ctkPluginContext* context) = 0;
    virtual void stop(ctkPluginContext* context) = 0;
};

Q_DECLARE_INTERFACE(ctkPluginActivator, "org.commontk.pluginfw.pluginactivator")

#endif
