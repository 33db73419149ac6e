#ifndef EKR_COMMUNICATION_SERVICE_H
#define EKR_COMMUNICATION_SERVICE_H

#include "EKCommunicationInterface.h"
#include "host_service.h"

// Stands in for the render farm's server.
class CommunicationService : public HostService<EKCommunicationInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKCommunicationInterface)

public:
    explicit CommunicationService(QObject* parent = nullptr);
    ~CommunicationService() override;

    int RequestPoolId(const QVariant& handle, const QVariantHash& data) override;
    int RequestLatestVersion(const QVariant& handle, const QVariantHash& data) override;
};

#endif
