#include "plugin_harness.h"

#include "EKConfigurationInterface.h"
#include "services/settings_service.h"
#include "services/uiloader_service.h"

#include <ctkPlugin.h>
#include <ctkPluginContext.h>
#include <ctkPluginFramework.h>
#include <ctkPluginFrameworkFactory.h>

#include <QtTest>

namespace {
const char* const kLookUpNames[7] = {nullptr,
                                     "EKLoggerInterface",
                                     "EKSettingsInterface",
                                     "EKUiLoaderInterface",
                                     "EKCommunicationInterface",
                                     "EKFileWatcherInterface",
                                     "EKMessagboxInterface"};
}

PluginHarness::PluginHarness() : m_factory(new ctkPluginFrameworkFactory)
{
    m_framework = m_factory->getFramework();
    m_framework->init();
    m_framework->start();
    // Distinct handles, so a test can tell whose handle reached a call.
    settings.behaviour.handle = 42;
    uiLoader.behaviour.handle = 43;
    communication.behaviour.handle = 44;
    fileWatcher.behaviour.handle = 45;
    messagebox.behaviour.handle = 46;
}

PluginHarness::~PluginHarness()
{
    // The framework goes first: stopping the plugin deletes the component,
    // which still talks to the doubles.
    m_plugin.reset();
    m_framework.reset();
    m_factory.reset();
    m_hostUiLoader.reset();
    m_hostSettings.reset();
}

QString PluginHarness::pluginPath()
{
    return QStringLiteral(EKR_PLUGIN_PATH);
}

QObject* PluginHarness::serviceOfStep(int step)
{
    switch (step) {
    case 1:
        return &logger;
    case 2:
        return m_hostSettings ? static_cast<QObject*>(m_hostSettings.get()) : &settings;
    case 3:
        return m_hostUiLoader ? static_cast<QObject*>(m_hostUiLoader.get()) : &uiLoader;
    case 4:
        return &communication;
    case 5:
        return &fileWatcher;
    default:
        return &messagebox;
    }
}

FakeLifecycleBehaviour& PluginHarness::behaviourOfStep(int step)
{
    switch (step) {
    case 1:
        return logger.behaviour;
    case 2:
        return settings.behaviour;
    case 3:
        return uiLoader.behaviour;
    case 4:
        return communication.behaviour;
    case 5:
        return fileWatcher.behaviour;
    default:
        return messagebox.behaviour;
    }
}

void PluginHarness::setFault(int step, Fault fault)
{
    m_faults[step] = fault;
    FakeLifecycleBehaviour& behaviour = behaviourOfStep(step);
    if (fault == Fault::InitializeFails)
        behaviour.initializeResult = -3;
    else if (fault == Fault::StartFails)
        behaviour.startResult = -1;
    else if (fault == Fault::Throws)
        behaviour.throwOnInitialize = true;
    else if (fault == Fault::ThrowsOnStart)
        behaviour.throwOnStart = true;
}

UiLoaderService* PluginHarness::useHostUiLoader()
{
    m_hostUiLoader.reset(new UiLoaderService);
    return m_hostUiLoader.get();
}

SettingsService* PluginHarness::useHostSettings()
{
    m_hostSettings.reset(new SettingsService(m_settingsFolder.path() + "/ekr_client.ini"));
    return m_hostSettings.get();
}

void PluginHarness::signIn(const QString& loginName, int result)
{
    QVariantMap reply{{"loginname", loginName},
                      {"username", loginName + " (user)"},
                      {"data", QVariantMap{{"token", "token-of-" + loginName}}}};
    emit communication.SignInResponse(result, reply);
}

void PluginHarness::registerServices()
{
    ctkPluginContext* fw = m_framework->getPluginContext();
    for (int step = 1; step <= 6; ++step) {
        switch (m_faults[step]) {
        case Fault::Absent:
            break;
        case Fault::WrongInterface:
            fw->registerService(kLookUpNames[step], &m_wrongInterface);
            break;
        default:
            fw->registerService(kLookUpNames[step], serviceOfStep(step));
        }
    }
    m_registered = true;
}

void PluginHarness::installPlugin()
{
    if (!m_registered)
        registerServices();
    m_plugin = m_framework->getPluginContext()->installPlugin(QUrl::fromLocalFile(pluginPath()));
    m_plugin->start();
}

void PluginHarness::bringUp()
{
    registerServices();
    installPlugin();
}

ctkPluginContext* PluginHarness::context() const
{
    return m_framework->getPluginContext();
}

EKConfigurationInterface* PluginHarness::component() const
{
    ctkPluginContext* fw = context();
    return qobject_cast<EKConfigurationInterface*>(
        fw->getService(fw->getServiceReference(QStringLiteral("EKConfigurationInterface"))));
}

EKBaseInterface* PluginHarness::lifecycle() const
{
    return qobject_cast<EKBaseInterface*>(component());
}

QVariantHash PluginHarness::params() const
{
    QVariantHash params;
    params.insert(QStringLiteral("plugin_context"), QVariant::fromValue<void*>(context()));
    params.insert(QStringLiteral("client"), QStringLiteral("test"));
    return params;
}

QWidget* PluginHarness::dialogWindow() const
{
    if (m_hostUiLoader)
        return m_hostUiLoader->tree(QStringLiteral("com.ekr.configuration"));
    return uiLoader.trees.isEmpty() ? nullptr : uiLoader.trees.last().data();
}

int PluginHarness::initialize()
{
    return lifecycle()->Initialize(params());
}

int PluginHarness::initializeAndStart()
{
    const int initialized = initialize();
    if (initialized != 0)
        return initialized;
    QVariant handle;
    return lifecycle()->Start(handle, QVariantHash());
}

void PluginHarness::stopPlugin()
{
    if (m_plugin)
        m_plugin->stop();
}
