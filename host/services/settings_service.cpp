#include "settings_service.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcSettings, "ekr.host.settings")

SettingsService::SettingsService(const QString& filePath, QObject* parent) : m_filePath(filePath)
{
    setParent(parent);
    if (m_filePath.isEmpty())
        m_filePath = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                     QStringLiteral("/ekr_client.ini");
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this,
            &SettingsService::fileMayHaveChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &SettingsService::fileMayHaveChanged);
}

SettingsService::~SettingsService()
{
    if (m_settings)
        sync();
}

QSettings* SettingsService::store()
{
    if (!m_settings) {
        QDir().mkpath(QFileInfo(m_filePath).absolutePath());
        m_settings.reset(new QSettings(m_filePath, QSettings::IniFormat));
        if (m_settings->status() == QSettings::FormatError)
            qCWarning(lcSettings).noquote()
                << "The settings file" << m_filePath
                << "cannot be parsed; what could be read is kept, and the file is rewritten at "
                   "the next change";
        m_knownDigest = fileDigest();
        watch();
    }
    return m_settings.data();
}

void SettingsService::watch()
{
    // The directory too: QSettings replaces the file when it writes, and
    // other writers may do the same.
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
    if (QFileInfo::exists(m_filePath) && !m_watcher.files().contains(m_filePath))
        m_watcher.addPath(m_filePath);
}

QByteArray SettingsService::fileDigest() const
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

int SettingsService::onInitialize()
{
    store();
    return 0;
}

void SettingsService::onStop()
{
    sync();
}

void SettingsService::onUninitialize()
{
    sync();
}

bool SettingsService::sync()
{
    m_bSyncScheduled = false;
    QSettings* settings = store();
    settings->sync();
    m_knownDigest = fileDigest();
    watch();
    if (settings->status() == QSettings::AccessError) {
        if (!m_bReportedWriteFailure)
            qCWarning(lcSettings).noquote()
                << "The settings file" << m_filePath
                << "cannot be written; changes are kept in memory and written once it can be";
        m_bReportedWriteFailure = true;
        return false;
    }
    m_bReportedWriteFailure = false;
    return true;
}

void SettingsService::syncPending()
{
    if (m_bSyncScheduled)
        sync();
}

void SettingsService::fileMayHaveChanged()
{
    watch();
    const QByteArray digest = fileDigest();
    if (digest == m_knownDigest || digest.isEmpty())
        return; // our own write, or the file is being replaced
    // Someone else wrote: take their values (our unsynced writes stay on
    // top), and tell the client.
    store()->sync();
    m_knownDigest = fileDigest();
    emit SettingsUpdated();
}

int SettingsService::GetValue(QVariant& value, const QVariant& handle, const QString& key)
{
    Q_UNUSED(handle)
    value = store()->value(key);
    return 0;
}

int SettingsService::SetValue(const QVariant& handle, const QString& key, const QVariant& value)
{
    Q_UNUSED(handle)
    store()->setValue(key, value);
    if (!m_bSyncScheduled) {
        m_bSyncScheduled = true;
        QMetaObject::invokeMethod(this, "syncPending", Qt::QueuedConnection);
    }
    return 0;
}

int SettingsService::GetGroupValues(QVariantHash& values, const QVariant& handle,
                                    const QString& group)
{
    Q_UNUSED(handle)
    QSettings* settings = store();
    settings->beginGroup(group);
    const QStringList keys = settings->childKeys();
    for (const QString& key : keys)
        values.insert(key, settings->value(key));
    settings->endGroup();
    return 0;
}
