// The installed and the latest client version, and starting the updater.

#include "ekr_configuration.h"

QString EKConfiguration::GetCurrentVersion()
{
    return QStringLiteral("0.0.0");
}

bool EKConfiguration::Is64BitSystem()
{
    return false;
}

void EKConfiguration::GetLatestVersion() {}

void EKConfiguration::TriggerLatestVersionResponse(int nRet, QVariantMap mapData)
{
    Q_UNUSED(nRet)
    Q_UNUSED(mapData)
}

void EKConfiguration::CheckforUpdates() {}
