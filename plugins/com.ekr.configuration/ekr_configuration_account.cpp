// Following the account: sign-in, node pools and sign-out replies.

#include "ekr_configuration.h"

void EKConfiguration::TriggerSignInResponse(int nRet, QVariantMap mapData)
{
    Q_UNUSED(nRet)
    Q_UNUSED(mapData)
}

void EKConfiguration::TriggerPoolIdResponse(int nRet, QVariantMap mapData)
{
    Q_UNUSED(nRet)
    Q_UNUSED(mapData)
}

void EKConfiguration::TriggerSignOutResponse(int nRet, QVariantMap mapData)
{
    Q_UNUSED(nRet)
    Q_UNUSED(mapData)
}
