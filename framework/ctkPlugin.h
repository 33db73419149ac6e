#ifndef CTKPLUGIN_H
#define CTKPLUGIN_H

#include "ctkPluginFramework_global.h"
#include "ctkVersion.h"

#include <QFlags>
#include <QScopedPointer>

class ctkPluginContext;
class ctkPluginPrivate;

// One installed plugin: a library with an embedded manifest and an activator.
class CTK_PLUGINFW_EXPORT ctkPlugin
{
public:
    enum State
    {
        UNINSTALLED = 0x01,
        INSTALLED = 0x02,
        RESOLVED = 0x04,
        STARTING = 0x08,
        STOPPING = 0x10,
        ACTIVE = 0x20
    };
    Q_DECLARE_FLAGS(States, State)

    enum StartOption
    {
        START_TRANSIENT = 0x01,
        START_ACTIVATION_POLICY = 0x02
    };
    Q_DECLARE_FLAGS(StartOptions, StartOption)

    enum StopOption
    {
        STOP_TRANSIENT = 0x01
    };
    Q_DECLARE_FLAGS(StopOptions, StopOption)

    virtual ~ctkPlugin();

    State getState() const;
    // Calls the activator's start() with this plugin's context. An exception
    // from the activator is reported as a ctkPluginException. The options and
    // the manifest's Plugin-ActivationPolicy are not read: every plugin is
    // activated at once. Stock CTK activates at once only a plugin whose
    // manifest says "Plugin-ActivationPolicy: eager"; it leaves any other
    // STARTING, its activator not run.
    virtual void start(const StartOptions& options = START_ACTIVATION_POLICY);
    // Calls the activator's stop(), then withdraws every service the plugin
    // registered, even when the activator failed.
    virtual void stop(const StopOptions& options = StopOptions());
    // Stops the plugin if needed and unloads its library.
    virtual void uninstall();

    ctkPluginContext* getPluginContext() const;
    long getPluginId() const;
    QString getLocation() const;
    QString getSymbolicName() const;
    ctkVersion getVersion() const;
    QHash<QString, QString> getHeaders();

protected:
    friend class ctkPluginFrameworkContext;
    friend class ctkPluginContext;
    friend class ctkPluginFrameworkFactory;
    explicit ctkPlugin(ctkPluginPrivate* d);

    QScopedPointer<ctkPluginPrivate> d_ptr;

private:
    Q_DISABLE_COPY(ctkPlugin)
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ctkPlugin::States)
Q_DECLARE_OPERATORS_FOR_FLAGS(ctkPlugin::StartOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(ctkPlugin::StopOptions)

#endif
