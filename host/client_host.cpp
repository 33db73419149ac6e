#include "client_host.h"

#include "EKConfigurationInterface.h"
#include "services/communication_service.h"
#include "services/filewatcher_service.h"
#include "services/logger_service.h"
#include "services/messagebox_service.h"
#include "services/settings_service.h"
#include "services/uiloader_service.h"

#include <ctkPluginContext.h>
#include <ctkPluginException.h>
#include <ctkPluginFramework.h>
#include <ctkPluginFrameworkFactory.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

#include <utility>

Q_LOGGING_CATEGORY(lcClient, "ekr.client")

ClientHost::ClientHost()
    : m_logger(new LoggerService), m_settings(new SettingsService), m_uiLoader(new UiLoaderService),
      m_communication(new CommunicationService), m_fileWatcher(new FileWatcherService),
      m_messageBox(new MessageBoxService)
{
    // Settings that cannot be saved are not a matter for the log alone: the
    // user is told once, without being stopped, and the log says the same.
    QObject::connect(m_settings.get(), &SettingsService::saveFailed, m_messageBox.get(),
                     [this](const QString& file, const QString& reason) {
                         const QString sentence =
                             QStringLiteral("The settings could not be saved to %1: %2. The "
                                            "changes are kept while the client runs; saving is "
                                            "tried again at the next change and at exit.")
                                 .arg(file, reason);
                         qCWarning(lcClient).noquote() << sentence;
                         m_messageBox->showNotice(QStringLiteral("ekrSaveFailure"), sentence);
                     });
}

ClientHost::~ClientHost()
{
    shutdown();
}

QString ClientHost::defaultPluginPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/plugins/" EKR_DEFAULT_PLUGIN);
}

bool ClientHost::start(const QString& pluginPath, QString* error)
{
#if !defined(Q_OS_WIN)
    // The client's uninstall key is read where it exists; a first start,
    // which writes it, does so below, and a start that fails before then
    // writes it as it returns.
    bool registered = QFileInfo::exists(uninstallKeyFile());
    if (registered)
        registerInstallation();
    const auto registerOnFailure = qScopeGuard([&registered] {
        if (!registered)
            registerInstallation();
    });
#endif
    // Stock CTK throws where this client's framework is lenient (a service
    // that does not answer the name it is registered under, a plugin it
    // cannot install): whatever the framework throws is a failed start that
    // the client reports, never an abort.
    try {
        m_factory.reset(new ctkPluginFrameworkFactory);
        m_framework = m_factory->getFramework();
        m_framework->init();
        m_framework->start();
        ctkPluginContext* context = m_framework->getPluginContext();

        m_params.insert(QStringLiteral("plugin_context"), QVariant::fromValue<void*>(context));
        m_logger->Initialize(m_params); // the host logs from the first moment on
        m_settings->Initialize(m_params);
        seedDemoCatalogue();

        context->registerService("EKLoggerInterface", m_logger.get());
        context->registerService("EKSettingsInterface", m_settings.get());
        context->registerService("EKUiLoaderInterface", m_uiLoader.get());
        context->registerService("EKCommunicationInterface", m_communication.get());
        context->registerService("EKFileWatcherInterface", m_fileWatcher.get());
        context->registerService("EKMessagboxInterface", m_messageBox.get());

        m_plugin = context->installPlugin(QUrl::fromLocalFile(pluginPath));
        m_plugin->start();
        qCInfo(lcClient).noquote() << "Plugin" << m_plugin->getSymbolicName()
                                   << m_plugin->getVersion().toString() << "started";

        const ctkServiceReference reference =
            context->getServiceReference(QStringLiteral("EKConfigurationInterface"));
        if (reference)
            m_configuration =
                qobject_cast<EKConfigurationInterface*>(context->getService(reference));
    } catch (const ctkException& e) {
        *error = QStringLiteral("The plugin framework could not start the configuration plugin: ") +
                 e.message();
        for (const ctkException* cause = e.cause(); cause; cause = cause->cause())
            *error += QStringLiteral(": ") + cause->message();
        return false;
    }
    if (!m_configuration) {
        *error = QStringLiteral("The plugin registered no EKConfigurationInterface service");
        return false;
    }
    const int initialized = m_configuration->Initialize(m_params);
    if (initialized != 0) {
        *error = QStringLiteral("The configuration component failed to initialise (%1)")
                     .arg(initialized);
        return false;
    }
    const int started = m_configuration->Start(m_configurationHandle, QVariantHash());
    if (started != 0) {
        *error = QStringLiteral("The configuration component failed to start (%1)").arg(started);
        return false;
    }
    qCInfo(lcClient) << "Configuration component initialised and started with handle"
                     << m_configurationHandle.toInt();
#if !defined(Q_OS_WIN)
    // Writing the key waits for the disk twice (the key's lock file and the
    // file itself): it is written on a thread of its own while the dialog is
    // dressed, and is in place when start() returns, before the component
    // reads it. Not earlier: while a second thread runs, every mapping that
    // the main thread changes, as the plugin and the libraries of the UI
    // loader load, must be flushed from the other processor as well.
    std::unique_ptr<QThread> registration;
    if (!std::exchange(registered, true)) {
        registration.reset(QThread::create(&ClientHost::registerInstallation));
        registration->start();
    }
#endif
    // The dialog is dressed once it is complete: a style sheet applied
    // earlier would be propagated through the whole tree a second time when
    // the component sets the dialog's window flags.
    m_uiLoader->setSkin(m_uiLoader->GetCurrentSkin());
#if !defined(Q_OS_WIN)
    if (registration)
        registration->wait();
#endif
    return true;
}

ctkPluginContext* ClientHost::pluginContext() const
{
    return m_framework ? m_framework->getPluginContext() : nullptr;
}

QString ClientHost::uninstallKeyFile()
{
    // The registry's key paths as the plugin reads them on these systems.
    QString root = qEnvironmentVariable("EKR_REGISTRY_ROOT");
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/ekr/registry");
    const bool wow64 = QSysInfo::currentCpuArchitecture() == QLatin1String("x86_64");
    const QString key = QStringLiteral("/HKEY_LOCAL_MACHINE/SOFTWARE/%1Microsoft/Windows/"
                                       "CurrentVersion/Uninstall.ini")
                            .arg(wow64 ? QStringLiteral("Wow6432Node/") : QString());
    return root + key;
}

void ClientHost::registerInstallation()
{
#if !defined(Q_OS_WIN)
    QSettings uninstall(uninstallKeyFile(), QSettings::IniFormat);
    const QString productId = QStringLiteral("{5C1E0B7D-2A94-4F63-8D0E-B3A7196F42C8}");
    if (uninstall.childGroups().contains(productId))
        return;
    uninstall.beginGroup(productId);
    uninstall.setValue(QStringLiteral("DisplayName"), QStringLiteral("EKR Render Farm"));
    uninstall.setValue(QStringLiteral("DisplayVersion"), QCoreApplication::applicationVersion());
    uninstall.endGroup();
#endif
}

void ClientHost::settle(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    } while (m_communication->pendingReplies() > 0 && clock.elapsed() < timeoutMs);
    QCoreApplication::processEvents();
}

void ClientHost::seedDemoCatalogue()
{
    QVariantHash present;
    m_settings->GetGroupValues(present, QVariant(), QStringLiteral("ekr.rendering"));
    if (!present.isEmpty())
        return;
    QFile file(QStringLiteral(":/demo/first_start.json"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QVariantMap demo = QJsonDocument::fromJson(file.readAll()).object().toVariantMap();
    for (auto it = demo.cbegin(); it != demo.cend(); ++it) {
        const QVariant value =
            it.value().type() == QVariant::List ? QVariant(it.value().toStringList()) : it.value();
        m_settings->SetValue(QVariant(), it.key(), value);
    }
    qCInfo(lcClient) << "Seeded the demo render software catalogue and account settings";
}

void ClientHost::shutdown()
{
    if (m_configuration) {
        m_configuration->Stop(m_configurationHandle);
        m_configuration->Uninitialize();
        m_configuration = nullptr;
    }
    if (m_plugin) {
        try {
            m_plugin->stop(); // deletes the component
        } catch (const ctkException& e) {
            qCWarning(lcClient).noquote() << "Stopping the plugin failed:" << e.message();
        }
        m_plugin.reset();
    }
    m_framework.reset();
#if defined(EKR_STOCK_CTK)
    // Stock CTK's framework, when it stops or goes, frees the id of a thread
    // storage (its database connection's name) but leaves this thread's value
    // under it. The next thread storage that Qt makes (its font cache or
    // current OpenGL context, as a window goes or the application ends) gets
    // that id, takes the value for its own and crashes deleting it. So the
    // framework is left running to the end of the process.
    m_factory.release();
#else
    m_factory.reset(); // unloads the plugin library
#endif
    // The component leaves four services initialised and started; the host
    // is the last user of all six.
    m_uiLoader->release();
    m_communication->release();
    m_fileWatcher->release();
    m_messageBox->release();
    m_settings->release();
    m_logger->release();
}
