// The installed and the latest client version, and starting the updater.

#include "ekr_configuration.h"
#include "platform/ekr_platform.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

namespace {
// The client's installation identifier: its uninstall subkey, the "sid" of
// the latest-version request and the updater's argument.
const char* const kProductId = "{5C1E0B7D-2A94-4F63-8D0E-B3A7196F42C8}";
const char* const kUninstall64 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kUninstall32 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const int kSuccess = 200;

// "1.10.0" compares as 1100: the digits without their dots. Whatever does
// not read as a number counts as 0.
int VersionNumber(QString text)
{
    bool ok = false;
    const int number = text.remove(QLatin1Char('.')).toInt(&ok, 10);
    return ok ? number : 0;
}
} // namespace

bool EKConfiguration::Is64BitSystem()
{
    return ekr::platform::Is64BitSystem();
}

QString EKConfiguration::GetCurrentVersion()
{
    QString version = QStringLiteral("0.0.0");
    const std::unique_ptr<QSettings> uninstall = ekr::platform::OpenRegistryKey(
        QString::fromLatin1(Is64BitSystem() ? kUninstall64 : kUninstall32));
    const QStringList subkeys = uninstall->childGroups();
    for (const QString& subkey : subkeys) {
        if (subkey.contains(QLatin1String(kProductId), Qt::CaseInsensitive)) {
            uninstall->beginGroup(subkey);
            version = uninstall->value(QStringLiteral("DisplayVersion")).toString();
            uninstall->endGroup();
            break;
        }
    }
    return version;
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
    if (!IsDialogUsable())
        return;
    if (nRet != kSuccess) {
        m_pLblLatestVersionV->setText(m_strCurrentVersion);
        return;
    }
    m_strLatestVersion = mapData.value(QStringLiteral("ver")).toString();
    qCDebug(lcConfiguration).noquote() << m_strLatestVersion;
    m_pLblLatestVersionV->setText(m_strLatestVersion);
    m_pBtnUpdate->setEnabled(VersionNumber(m_strLatestVersion) >
                             VersionNumber(m_strCurrentVersion));
}

void EKConfiguration::CheckforUpdates()
{
    if (!m_pMessagebox)
        return;
    QVariantHash buttons;
    buttons.insert(QStringLiteral("btnMessageBox_1"), QObject::tr("Cancel"));
    buttons.insert(QStringLiteral("btnMessageBox_2"), QObject::tr("Ok"));
    QString clickedButton;

    qCDebug(lcConfiguration).noquote() << GetCurrentVersion();
    const QString program = ekr::platform::UpdaterProgram(QCoreApplication::applicationDirPath());
    const QStringList arguments{QStringLiteral("sid=%1").arg(QLatin1String(kProductId))};
    const QString skin = m_pUiLoader ? m_pUiLoader->GetCurrentSkin() : QString();

    m_pMessagebox->ShowMessage(clickedButton, 4, QString(), QString(),
                               QIcon(QStringLiteral(":/%1/main.png").arg(skin)),
                               QObject::tr("Are you sure to quit and update?"), buttons, false);
    if (clickedButton != QLatin1String("btnMessageBox_2"))
        return;
    // Started as a process of its own, without a shell, so that it can
    // replace the client once the client has ended.
    QProcess::startDetached(program, arguments, QFileInfo(program).absolutePath());
    QCoreApplication::exit(0);
}
