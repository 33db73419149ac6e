// The installed and the latest client version, and starting the updater.

#include "ekr_configuration.h"

namespace {
// The client's installation identifier: its uninstall subkey, the "sid" of
// the latest-version request and the updater's argument.
const char* const kProductId = "{5C1E0B7D-2A94-4F63-8D0E-B3A7196F42C8}";
} // namespace

QString EKConfiguration::GetCurrentVersion()
{
    return QStringLiteral("0.0.0");
}

bool EKConfiguration::Is64BitSystem()
{
    return false;
}

void EKConfiguration::GetLatestVersion()
{
    if (!m_pCommunication)
        return;
    // The server answers for the platform family, whatever is installed.
    QVariantHash request;
    request.insert(QStringLiteral("sid"), QString::fromLatin1(kProductId));
    request.insert(QStringLiteral("sys"), QStringLiteral("Win32"));
    request.insert(QStringLiteral("ver"), QStringLiteral("0.0.0"));
    m_pCommunication->RequestLatestVersion(QVariant(m_nCommunicationHandle), request);
}

void EKConfiguration::TriggerLatestVersionResponse(int nRet, QVariantMap mapData)
{
    Q_UNUSED(nRet)
    Q_UNUSED(mapData)
}

void EKConfiguration::CheckforUpdates() {}
