#include "settings_service.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QStandardPaths>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

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
        // QSettings locks the file while it writes. A client killed after
        // creating the lock file but before writing its owner into it leaves
        // a lock that Qt takes for abandoned only after 30 s, and every write
        // waits until then. A lock that no running process holds is removed
        // now instead; one that is held stays.
        QLockFile(m_filePath + QStringLiteral(".lock")).removeStaleLockFile();
        m_settings.reset(new QSettings(m_filePath, QSettings::IniFormat));
        if (m_settings->status() == QSettings::FormatError)
            qCWarning(lcSettings).noquote()
                << "The settings file" << m_filePath
                << "cannot be parsed; what could be read is kept, and the file is rewritten at "
                   "the next change";
        m_knownStamp = fileStamp();
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

SettingsService::FileStamp SettingsService::fileStamp() const
{
    FileStamp stamp;
#if defined(Q_OS_UNIX)
    // The inode tells an atomic replace apart even within one clock tick.
    struct stat status;
    if (::stat(QFile::encodeName(m_filePath).constData(), &status) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = status.st_size;
    stamp.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.fileId = quint64(status.st_ino);
#else
    const QFileInfo info(m_filePath);
    stamp.exists = info.exists();
    stamp.size = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
#endif
    return stamp;
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
    m_knownStamp = fileStamp();
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
    const FileStamp stamp = fileStamp();
    if (stamp == m_knownStamp || !stamp.exists)
        return; // our own write, or the file is being replaced
    // Someone else wrote: take their values (our unsynced writes stay on
    // top), and tell the client.
    store()->sync();
    m_knownStamp = fileStamp();
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
