#include "communication_service.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCommunication, "ekr.host.communication")

CommunicationService::CommunicationService(QObject* parent)
{
    setParent(parent);
}

CommunicationService::~CommunicationService() = default;

int CommunicationService::RequestPoolId(const QVariant& handle, const QVariantHash& data)
{
    Q_UNUSED(handle)
    qCDebug(lcCommunication).noquote()
        << "Pool request for" << data.value(QStringLiteral("username")).toString();
    return 0;
}

int CommunicationService::RequestLatestVersion(const QVariant& handle, const QVariantHash& data)
{
    Q_UNUSED(handle)
    Q_UNUSED(data)
    qCDebug(lcCommunication) << "Latest-version request";
    return 0;
}
