#ifndef EKR_PLUGIN_HARNESS_H
#define EKR_PLUGIN_HARNESS_H

#include "fake_services.h"

#include <QSharedPointer>
#include <QTemporaryDir>
#include <QVariantHash>
#include <QWidget>

#include <memory>

class EKBaseInterface;
class SettingsService;
class UiLoaderService;
class EKConfigurationInterface;
class ctkPlugin;
class ctkPluginContext;
class ctkPluginFramework;
class ctkPluginFrameworkFactory;

// Brings up the framework with test doubles of the six host services and
// installs the real configuration plugin, as the client does. Tests drive the
// component through what the framework hands out.
class PluginHarness
{
public:
    // Attachment steps in their order: logger, settings, UI loader,
    // communication, file watcher, message box.
    enum class Fault
    {
        None,
        Absent,
        WrongInterface,
        InitializeFails,
        StartFails,
        Throws,
        ThrowsOnStart
    };

    PluginHarness();
    ~PluginHarness();

    static QString pluginPath();

    // Before registerServices(): how the service of one step (1 to 6) fails.
    void setFault(int step, Fault fault);
    // Before registerServices(): attach the client's real UI loader, with its
    // widget tree, skins and translations, instead of the double.
    UiLoaderService* useHostUiLoader();
    UiLoaderService* hostUiLoader() const { return m_hostUiLoader.get(); }
    // Before registerServices(): attach the client's real settings store,
    // on a file of its own in a temporary folder.
    SettingsService* useHostSettings();
    SettingsService* hostSettings() const { return m_hostSettings.get(); }
    // The sign-in reply of the communication service, as the farm sends it.
    void signIn(const QString& loginName, int result = 200);
    void registerServices();
    // Installs and starts the plugin; registers the doubles first if needed.
    void installPlugin();
    // Both in one: the usual start of a test.
    void bringUp();

    ctkPluginContext* context() const;
    QSharedPointer<ctkPlugin> plugin() const { return m_plugin; }
    EKConfigurationInterface* component() const;
    EKBaseInterface* lifecycle() const;
    QVariantHash params() const;

    // The dialog window last built, and its widgets by name (fatal if absent).
    QWidget* dialogWindow() const;
    template <class W = QWidget> W* widget(const char* name) const
    {
        W* found =
            dialogWindow() ? dialogWindow()->findChild<W*>(QString::fromLatin1(name)) : nullptr;
        if (!found)
            qFatal("the dialog has no widget %s", name);
        return found;
    }

    int initialize();
    // Initialize and Start; returns Start's result.
    int initializeAndStart();
    // Stops the plugin, which deletes the component.
    void stopPlugin();

    FakeLogger logger;
    FakeSettings settings;
    FakeUiLoader uiLoader;
    FakeCommunication communication;
    FakeFileWatcher fileWatcher;
    FakeMessagebox messagebox;

private:
    QObject* serviceOfStep(int step);
    FakeLifecycleBehaviour& behaviourOfStep(int step);

    std::unique_ptr<UiLoaderService> m_hostUiLoader;
    QTemporaryDir m_settingsFolder;
    std::unique_ptr<SettingsService> m_hostSettings;
    Fault m_faults[7] = {};
    bool m_registered = false;
    QObject m_wrongInterface;
    std::unique_ptr<ctkPluginFrameworkFactory> m_factory;
    QSharedPointer<ctkPluginFramework> m_framework;
    QSharedPointer<ctkPlugin> m_plugin;
};

#endif
