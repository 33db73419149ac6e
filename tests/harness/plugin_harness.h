#pragma once

#include "EKConfigurationInterface.h"
#include "fake_services.h"
#include "services/uiloader_service.h"

#include <ctkPlugin.h>
#include <ctkPluginContext.h>
#include <ctkPluginFrameworkFactory.h>

#include <QDir>

#include <memory>

// Brings up the framework with test doubles of the six host services and
// installs the real configuration plugin, as the client does. Tests drive the
// component through what the framework hands out.
class PluginHarness
{
public:
    FakeLogger logger;
    FakeSettings settings;
    FakeUiLoader uiLoader;
    FakeCommunication communication;
    FakeFileWatcher fileWatcher;
    FakeMessagebox messagebox;
    // What registerServices() registers, in the order the component attaches
    // them; a test may put another object in a place, or none.
    QObject* services[6] = {&logger,        &settings,    &uiLoader,
                            &communication, &fileWatcher, &messagebox};

    PluginHarness()
    {
        m_framework->start();
        // Distinct handles, so that a test can tell whose handle reached a call.
        settings.handle = 42, uiLoader.handle = 43, communication.handle = 44;
        fileWatcher.handle = 45, messagebox.handle = 46;
    }

    // Before bringUp(): the client's real UI loader (widget tree, skins,
    // translations) instead of the double.
    UiLoaderService* useHostUiLoader()
    {
        m_hostUiLoader.reset(new UiLoaderService);
        return static_cast<UiLoaderService*>(services[2] = m_hostUiLoader.get());
    }
    // The sign-in reply of the communication service, as the farm sends it.
    void signIn(const QString& login, int result = 200)
    {
        const QVariantMap data{{"token", "token-of-" + login}};
        emit communication.SignInResponse(
            result, {{"loginname", login}, {"username", login + " (user)"}, {"data", data}});
    }
    void registerServices()
    {
        for (int i = 0; i < 6; ++i) {
            if (services[i])
                context()->registerService(kNames[i], services[i]);
        }
    }
    // Registers the services, then installs and starts the plugin.
    void bringUp()
    {
        registerServices();
        m_plugin = context()->installPlugin(QUrl::fromLocalFile(EKR_PLUGIN_PATH));
        m_plugin->start();
    }

    ctkPluginContext* context() const { return m_framework->getPluginContext(); }
    EKConfigurationInterface* component() const
    {
        return qobject_cast<EKConfigurationInterface*>(
            context()->getService(context()->getServiceReference("EKConfigurationInterface")));
    }
    QVariantHash params() const
    {
        return {{"plugin_context", QVariant::fromValue<void*>(context())}, {"client", "test"}};
    }
    int initialize() { return component()->Initialize(params()); }
    // Initialize, then Start: the first failing result, or 0.
    int initializeAndStart()
    {
        QVariant handle;
        const int result = initialize();
        return result != 0 ? result : component()->Start(handle, {});
    }
    // Stops the plugin, which deletes the component.
    void stopPlugin() { m_plugin->stop(); }

    // The dialog window last built, and its widgets by name (fatal if absent).
    QWidget* dialogWindow() const
    {
        if (m_hostUiLoader)
            return m_hostUiLoader->tree("com.ekr.configuration");
        return uiLoader.trees.isEmpty() ? nullptr : uiLoader.trees.last().data();
    }
    template <class W = QWidget> W* widget(const QString& name) const
    {
        W* found = dialogWindow() ? dialogWindow()->findChild<W*>(name) : nullptr;
        if (!found)
            qFatal("the dialog has no widget %s", qPrintable(name));
        return found;
    }

    // What the doubles saw: how often the component is connected to the
    // change signal of settings and to each reply of communication, then each
    // double's lifecycle calls.
    FakeLifecycleState* const doubles[6] = {&logger,        &settings,    &uiLoader,
                                            &communication, &fileWatcher, &messagebox};
    QString connections() const
    {
        QString counts = QString::number(settings.receiversOf(SIGNAL(SettingsUpdated())));
        for (const char* reply :
             {SIGNAL(LatestVersionResponse(int, QVariantMap)),
              SIGNAL(SignInResponse(int, QVariantMap)), SIGNAL(PoolIdResponse(int, QVariantMap)),
              SIGNAL(SignOutResponse(int, QVariantMap))})
            counts += QString::number(communication.receiversOf(reply));
        return counts;
    }
    QString calls()
    {
        QString all;
        for (FakeLifecycleState* service : doubles)
            all += "; " + service->lifecycleCalls.join(' ');
        return all;
    }

private:
    static constexpr const char* kNames[6] = {"EKLoggerInterface",      "EKSettingsInterface",
                                              "EKUiLoaderInterface",    "EKCommunicationInterface",
                                              "EKFileWatcherInterface", "EKMessagboxInterface"};
    // Destroyed in reverse: the plugin and the framework before the services,
    // which the component still talks to while it goes.
    std::unique_ptr<UiLoaderService> m_hostUiLoader;
    ctkPluginFrameworkFactory m_factory;
    QSharedPointer<ctkPluginFramework> m_framework = m_factory.getFramework();
    QSharedPointer<ctkPlugin> m_plugin;
};
