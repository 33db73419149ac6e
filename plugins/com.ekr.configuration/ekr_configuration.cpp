// Construction, lifecycle and attachment to the host services.

#include "ekr_configuration.h"
#include "mp3_decoder_device.h"

#include <ctkPluginContext.h>

#include <QAudioOutput>
#include <QTextCodec>

#include <functional>

Q_LOGGING_CATEGORY(lcConfiguration, "ekr.configuration")

namespace {
const char* const kConfigurationId = "com.ekr.configuration";

ctkPluginContext* PluginContextFrom(const QVariantHash& params)
{
    const QVariant value = params.value(QStringLiteral("plugin_context"));
    if (!value.isValid() || !value.canConvert<void*>())
        return nullptr;
    return static_cast<ctkPluginContext*>(value.value<void*>());
}

// The service name under which the host registers an interface is its class
// name; the cast goes by the interface id.
template <class Service> const char* LookUpName();
#define EKR_LOOKUP_NAME(Interface)                                                                 \
    template <> const char* LookUpName<Interface>()                                                \
    {                                                                                              \
        return #Interface;                                                                         \
    }
EKR_LOOKUP_NAME(EKLoggerInterface)
EKR_LOOKUP_NAME(EKSettingsInterface)
EKR_LOOKUP_NAME(EKUiLoaderInterface)
EKR_LOOKUP_NAME(EKCommunicationInterface)
EKR_LOOKUP_NAME(EKFileWatcherInterface)
EKR_LOOKUP_NAME(EKMessagboxInterface)
#undef EKR_LOOKUP_NAME

// The service the host registered under name, or null. Checked first: stock
// CTK's getService throws for an invalid reference, and a missing service is
// to be reported as such.
QObject* ServiceObject(ctkPluginContext* context, const char* name)
{
    const ctkServiceReference reference = context->getServiceReference(QString::fromLatin1(name));
    return reference ? context->getService(reference) : nullptr;
}

// Reports a service that could not be attached. The communication,
// file-watcher and message-box failures are critical and carry the
// component's id in front, as the host's log filters expect.
template <class Service> int ModuleInvalid(bool critical = false)
{
    const QString id = QString::fromLatin1(qobject_interface_iid<Service*>());
    if (critical)
        qCCritical(lcConfiguration).noquote()
            << QObject::tr("[%1] Module %2 is invalid")
                   .arg(QString::fromLatin1(kConfigurationId), id);
    else
        qCDebug(lcConfiguration).noquote() << QObject::tr("Module %1 is invalid").arg(id);
    return -1;
}
} // namespace

EKConfiguration::EKConfiguration(QObject* parent) : EKConfigurationInterface(parent)
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("utf-8"));
}

EKConfiguration::~EKConfiguration()
{
    Uninitialize();
    // A reminder still sounding belongs to this component; it goes with it.
    delete m_pAudioOutput;
    delete m_pSoundStream;
}

int EKConfiguration::Initialize(const QVariantHash& params)
{
    if (m_bInitialized)
        return 0;
    m_pContext = PluginContextFrom(params);
    if (!m_pContext)
        return -1;
    m_hashParams = params;
    if (AttachPlugins() != 0)
        return -1;
    m_bInitialized = true;
    return 0;
}

int EKConfiguration::Uninitialize()
{
    DetachPlugins();
    Stop(QVariant(m_nState));
    m_bInitialized = false;
    return 0;
}

int EKConfiguration::Start(QVariant& handle, const QVariantHash& params)
{
    Q_UNUSED(params)
    if (!m_bInitialized)
        return -3;
    if (m_nState == -1) {
        m_nState = 1;
        InitUi();
        InitConnections();
        RetranslateUi();
    }
    handle = QVariant(m_nState);
    return 0;
}

int EKConfiguration::Stop(const QVariant& handle)
{
    if (!m_bInitialized)
        return -3;
    if (handle.toInt() != 1)
        return -4;
    m_nState = -1;
    return 0;
}

int EKConfiguration::Execute(const QVariant& handle, QVariant& argument)
{
    Q_UNUSED(argument)
    if (!m_bInitialized)
        return -3;
    return handle.toInt() == 1 ? 0 : -4;
}

int EKConfiguration::Query(const QVariant& handle)
{
    if (!m_bInitialized)
        return -3;
    return handle.toInt() == 1 ? 0 : -4;
}

template <class Service> Service* EKConfiguration::LookUpService() const
{
    return qobject_cast<Service*>(ServiceObject(m_pContext, LookUpName<Service>()));
}

template <class Service>
bool EKConfiguration::AttachService(QPointer<Service>& reference, int& handle)
{
    reference = LookUpService<Service>();
    if (!reference || reference->Initialize(m_hashParams) != 0)
        return false;
    QVariant started;
    if (reference->Start(started, m_hashParams) != 0)
        return false;
    handle = started.toInt();
    return true;
}

template <class Signal, class Slot>
void EKConfiguration::ConnectService(
    const typename QtPrivate::FunctionPointer<Signal>::Object* sender, Signal signal, Slot slot)
{
    // Unique, so that attaching again after an Uninitialize never delivers a
    // reply twice.
    connect(sender, signal, this, slot,
            static_cast<Qt::ConnectionType>(Qt::AutoConnection | Qt::UniqueConnection));
}

int EKConfiguration::AttachPlugins()
{
    try {
        QObject* loggerObject = ServiceObject(m_pContext, LookUpName<EKLoggerInterface>());
        m_pLogger = qobject_cast<EKLoggerInterface*>(loggerObject);
        m_pLoggerObject = m_pLogger ? loggerObject : nullptr;
        if (!m_pLogger || m_pLogger->Initialize(m_hashParams) != 0)
            return ModuleInvalid<EKLoggerInterface>();

        if (!AttachService(m_pSettings, m_nSettingsHandle))
            return ModuleInvalid<EKSettingsInterface>();
        ConnectService(m_pSettings, &EKSettingsInterface::SettingsUpdated,
                       &EKConfiguration::UpdateSettings);

        if (!AttachService(m_pUiLoader, m_nUiLoaderHandle))
            return ModuleInvalid<EKUiLoaderInterface>();

        if (!AttachService(m_pCommunication, m_nCommunicationHandle))
            return ModuleInvalid<EKCommunicationInterface>(true);
        ConnectService(m_pCommunication, &EKCommunicationInterface::LatestVersionResponse,
                       &EKConfiguration::TriggerLatestVersionResponse);

        if (!AttachService(m_pFileWatcher, m_nFileWatcherHandle))
            return ModuleInvalid<EKFileWatcherInterface>(true);

        if (!AttachService(m_pMessagebox, m_nMessageboxHandle))
            return ModuleInvalid<EKMessagboxInterface>(true);
        // The account replies come from the communication service, but are
        // only wanted once every service the handlers use is attached.
        ConnectService(m_pCommunication, &EKCommunicationInterface::SignInResponse,
                       &EKConfiguration::TriggerSignInResponse);
        ConnectService(m_pCommunication, &EKCommunicationInterface::PoolIdResponse,
                       &EKConfiguration::TriggerPoolIdResponse);
        ConnectService(m_pCommunication, &EKCommunicationInterface::SignOutResponse,
                       &EKConfiguration::TriggerSignOutResponse);
    } catch (...) {
        return -1;
    }
    return 0;
}

void EKConfiguration::DetachPlugins()
{
    // A service that throws while being released must not take the client
    // down (this runs from the destructor too), nor keep the next step from
    // running.
    const auto release = [](const char* what, const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
            qCCritical(lcConfiguration).noquote()
                << QStringLiteral("[%1] %2 failed while being released")
                       .arg(QLatin1String(kConfigurationId), QLatin1String(what));
        }
    };
    // Both references are cleared once released, so that the Uninitialize of
    // the destructor does not release them a second time.
    if (EKSettingsInterface* settings = m_pSettings) {
        disconnect(settings, &EKSettingsInterface::SettingsUpdated, this,
                   &EKConfiguration::UpdateSettings);
        const int handle = m_nSettingsHandle;
        release("The settings service", [settings, handle] { settings->Stop(QVariant(handle)); });
        release("The settings service", [settings] { settings->Uninitialize(); });
    }
    m_pSettings = nullptr;
    if (EKLoggerInterface* logger = m_pLoggerObject ? m_pLogger : nullptr)
        release("The logger service", [logger] { logger->Uninitialize(); });
    m_pLogger = nullptr;
    m_pLoggerObject = nullptr;
}
