#ifndef EKCOMMUNICATIONINTERFACE_H
#define EKCOMMUNICATIONINTERFACE_H

#include "EKBaseInterface.h"

#include <QVariantHash>
#include <QVariantMap>

// Requests to the farm's server. Answers arrive later as signals carrying a
// result code (200 for success) and a payload.
class EKCommunicationInterface : public QObject, public EKBaseInterface
{
    Q_OBJECT

public:
    explicit EKCommunicationInterface(QObject* parent = nullptr) : QObject(parent) {}

    // data holds "username" and "token"; answered by PoolIdResponse.
    virtual int RequestPoolId(const QVariant& handle, const QVariantHash& data) = 0;
    // data holds "sid", "sys" and "ver"; answered by LatestVersionResponse.
    virtual int RequestLatestVersion(const QVariant& handle, const QVariantHash& data) = 0;

signals:
    void LatestVersionResponse(int nRet, QVariantMap mapData);
    void SignInResponse(int nRet, QVariantMap mapData);
    void PoolIdResponse(int nRet, QVariantMap mapData);
    void SignOutResponse(int nRet, QVariantMap mapData);
};

Q_DECLARE_INTERFACE(EKCommunicationInterface, "com.ekr.communication")

#endif
