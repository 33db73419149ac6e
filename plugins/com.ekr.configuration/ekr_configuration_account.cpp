// Following the account: sign-in, node pools and sign-out replies.

#include "ekr_configuration.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace {
namespace keys = ekr::keys;
const int kSuccess = 200;
// The shortest interval, in the unit of the account's checker, that the
// client lets an account keep.
const int kMinimumCheckInterval = 30000;
} // namespace

void EKConfiguration::TriggerSignInResponse(int nRet, QVariantMap mapData)
{
    if (nRet != kSuccess || !IsDialogUsable())
        return;
    m_strLoginName = mapData.value(QStringLiteral("loginname")).toString();
    m_strUserName = mapData.value(QStringLiteral("username")).toString();
    m_strToken =
        mapData.value(QStringLiteral("data")).toMap().value(QStringLiteral("token")).toString();

    // A new account renders one frame per subtask until the user says more.
    if (ReadSetting(AccountKey(keys::SubTask)).toInt() == 0) {
        WriteSetting(AccountKey(keys::SubTask), QVariant(int(1)));
        m_pSpbSubTask->setValue(1);
    }

    if (m_pCommunication) {
        QVariantHash request;
        request.insert(QStringLiteral("username"), m_strUserName);
        request.insert(QStringLiteral("token"), m_strToken);
        m_pCommunication->RequestPoolId(QVariant(m_nCommunicationHandle), request);
    }

    UpdateSettings();

    // Output goes next to the client when the stored folder is gone; the
    // folder itself is created by whoever writes into it.
    if (!QFileInfo::exists(m_strRenderOutputPath)) {
        m_strRenderOutputPath =
            QStringLiteral("%1/result").arg(QCoreApplication::applicationDirPath());
        WriteSetting(AccountKey(keys::RenderOutput), m_strRenderOutputPath);
    }
    m_pLneSavePath->setText(m_strRenderOutputPath);

    const QString monitorPath = ReadSetting(AccountKey(keys::MonitorPath)).toString();
    qCDebug(lcConfiguration).noquote() << monitorPath;
    if (!monitorPath.isEmpty()) {
        m_pLneMonitorPath->setText(monitorPath);
        if (m_pFileWatcher)
            m_pFileWatcher->SetWatchPaths(QStringList(monitorPath));
    }

    const QVariant interval = ReadSetting(AccountKey(keys::CheckInterval));
    const bool keepInterval =
        !interval.toString().isEmpty() && interval.toInt() > kMinimumCheckInterval;
    WriteSetting(AccountKey(keys::CheckInterval),
                 keepInterval ? interval.toString() : QString::number(kMinimumCheckInterval));

    UpdateSoftwareVersion();

    m_strCurrentVersion = GetCurrentVersion();
    m_pLblCurrentVersionV->setText(m_strCurrentVersion);
}

void EKConfiguration::TriggerPoolIdResponse(int nRet, QVariantMap mapData)
{
    if (nRet != kSuccess || !IsDialogUsable())
        return;
    const QVariantList pools = mapData.value(QStringLiteral("data")).toList();
    m_pCmbPool->clear();
    const QString storedPool = ReadSetting(AccountKey(keys::PoolId)).toString();

    // The stored pool wins wherever it stands; without it the last pool of
    // type 2, else the first.
    int chosen = 0;
    bool foundStored = false;
    for (const QVariant& element : pools) {
        const QVariantMap pool = element.toMap();
        const QString id = pool.value(QStringLiteral("pool_id")).toString();
        m_pCmbPool->addItem(pool.value(QStringLiteral("pool_name")).toString(), id);
        const int added = m_pCmbPool->count() - 1;
        if (id == storedPool) {
            chosen = added;
            foundStored = true;
        }
        if (pool.value(QStringLiteral("pool_type")).toInt() == 2 && !foundStored)
            chosen = added;
    }
    m_pCmbPool->setCurrentIndex(chosen);
    const QString chosenId = m_pCmbPool->itemData(chosen, Qt::UserRole).toString();
    if (chosenId != storedPool)
        WriteSetting(AccountKey(keys::PoolId), chosenId);
}

void EKConfiguration::TriggerSignOutResponse(int nRet, QVariantMap mapData)
{
    Q_UNUSED(nRet)
    Q_UNUSED(mapData)
    if (IsDialogUsable())
        m_pDialog->close();
}
