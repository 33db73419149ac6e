#ifndef EKR_CLIENT_HOST_H
#define EKR_CLIENT_HOST_H

#include <QSharedPointer>
#include <QString>
#include <QVariantHash>

#include <memory>

class CommunicationService;
class EKBaseInterface;
class EKConfigurationInterface;
class FileWatcherService;
class LoggerService;
class MessageBoxService;
class SettingsService;
class UiLoaderService;
class ctkPlugin;
class ctkPluginContext;
class ctkPluginFramework;
class ctkPluginFrameworkFactory;

// Everything the client does around the configuration plugin: the plugin
// framework, the six host services registered under their interface names,
// and the plugin's component brought up through its lifecycle.
class ClientHost
{
public:
    ClientHost();
    ~ClientHost();

    // The plugin library that the client ships next to itself.
    static QString defaultPluginPath();

    // Starts the framework, registers the services, installs and starts the
    // plugin, then initialises and starts its component. On failure returns
    // false with the reason in error; shutdown() is still safe.
    bool start(const QString& pluginPath, QString* error);
    // Fills the render software catalogue, and a few settings of the demo
    // farm's default account, when the catalogue is empty: a first run has
    // something to show and a reminder to hear.
    void seedDemoCatalogue();
    // Where no installer registers the client (systems other than Windows),
    // the client enters its own version under its uninstall key.
    static void registerInstallation();
    // Lets queued server replies arrive, for at most timeoutMs.
    void settle(int timeoutMs = 5000);
    // Stops the plugin (which releases the component) and the services.
    void shutdown();

    EKConfigurationInterface* configuration() const { return m_configuration; }
    // The framework's own context, where the services are registered; null
    // before start().
    ctkPluginContext* pluginContext() const;
    LoggerService* logger() const { return m_logger.get(); }
    SettingsService* settings() const { return m_settings.get(); }
    UiLoaderService* uiLoader() const { return m_uiLoader.get(); }
    CommunicationService* communication() const { return m_communication.get(); }
    FileWatcherService* fileWatcher() const { return m_fileWatcher.get(); }
    MessageBoxService* messageBox() const { return m_messageBox.get(); }

private:
    // The file of the uninstall key, under the emulated registry's root.
    static QString uninstallKeyFile();

    std::unique_ptr<ctkPluginFrameworkFactory> m_factory;
    QSharedPointer<ctkPluginFramework> m_framework;
    QSharedPointer<ctkPlugin> m_plugin;
    EKConfigurationInterface* m_configuration = nullptr;
    QVariant m_configurationHandle;
    QVariantHash m_params;

    std::unique_ptr<LoggerService> m_logger;
    std::unique_ptr<SettingsService> m_settings;
    std::unique_ptr<UiLoaderService> m_uiLoader;
    std::unique_ptr<CommunicationService> m_communication;
    std::unique_ptr<FileWatcherService> m_fileWatcher;
    std::unique_ptr<MessageBoxService> m_messageBox;
};

#endif
