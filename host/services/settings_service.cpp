#include "settings_service.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <utility>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#endif

Q_LOGGING_CATEGORY(lcSettings, "ekr.host.settings")

SettingsService::SettingsService(const QString& filePath, QObject* parent) : m_filePath(filePath)
{
    setParent(parent);
    if (m_filePath.isEmpty())
        m_filePath = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                     QStringLiteral("/ekr_client.ini");
}

SettingsService::~SettingsService()
{
    if (m_settings && hasUnsavedChanges())
        saveBeforeLeaving();
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
        // Stamped before it is read: a change in between is taken for another
        // writer's, which costs a look but loses nothing.
        m_knownStamp = m_probedStamp = fileStamp();
        m_settings.reset(new QSettings(m_filePath, QSettings::IniFormat));
        m_settings->installEventFilter(this);
        m_view = currentView(); // what the file held, to tell later which keys others changed
        const QSettings::Status status = m_settings->status();
        m_bUnparsable = status == QSettings::FormatError;
        if (m_bUnparsable)
            qCWarning(lcSettings).noquote()
                << "The settings file" << m_filePath
                << "cannot be parsed; what could be read is used, and the file is copied aside "
                   "before it is rewritten";
        else if (status == QSettings::AccessError)
            qCWarning(lcSettings).noquote()
                << QStringLiteral("The settings file %1 cannot be read: %2")
                       .arg(m_filePath, problem());
        // Watched from the event loop's next turn, so that a start reads its
        // settings and shows its window before it sets up the watch; a change
        // that another writer makes meanwhile shows in the file's stamp.
        if (m_bWatching)
            QMetaObject::invokeMethod(this, &SettingsService::fileMayHaveChanged,
                                      Qt::QueuedConnection);
    }
    return m_settings.data();
}

bool SettingsService::eventFilter(QObject*, QEvent* event)
{
    // Installed on m_settings alone. QSettings syncs by itself when the event
    // loop turns after a write. This store syncs only when it chooses to, so
    // that it sees what each sync merges in from other writers.
    return event->type() == QEvent::UpdateRequest;
}

void SettingsService::watch()
{
    if (!m_bWatching)
        return;
    // The directory too: QSettings replaces the file when it writes, and
    // other writers may do the same.
    if (!m_watcher) {
        m_watcher.reset(new QFileSystemWatcher);
        connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, this,
                &SettingsService::fileMayHaveChanged);
        connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, this,
                &SettingsService::fileMayHaveChanged);
    }
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
    const QFileInfo file(m_filePath);
    if (file.isReadable() && !m_watcher->files().contains(m_filePath))
        m_watcher->addPath(m_filePath); // an unreadable file cannot be watched
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

SettingsService::View SettingsService::currentView() const
{
    const QStringList keys = m_settings->allKeys();
    View view;
    view.reserve(keys.size());
    for (const QString& key : keys)
        view.append(qMakePair(key, m_settings->value(key)));
    return view;
}

bool SettingsService::othersChanged(const View& now) const
{
    // Both views are sorted by key: one pass. A key set here since m_view
    // holds our value in now, whatever another writer did with it.
    int was = 0, is = 0;
    while (was < m_view.size() || is < now.size()) {
        QString key;
        bool differs = true;
        if (is == now.size() || (was < m_view.size() && m_view[was].first < now[is].first)) {
            key = m_view[was++].first;
        } else if (was == m_view.size() || now[is].first < m_view[was].first) {
            key = now[is++].first;
        } else {
            key = now[is].first;
            differs = m_view[was++].second != now[is++].second;
        }
        if (differs && !m_setSinceView.contains(key))
            return true;
    }
    return false;
}

void SettingsService::announce()
{
    if (m_bAnnouncementQueued)
        return; // one announcement tells of all changes so far
    m_bAnnouncementQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this]() {
            m_bAnnouncementQueued = false;
            emit SettingsUpdated();
        },
        Qt::QueuedConnection);
}

void SettingsService::letQSettingsSeeChange(const FileStamp& now)
{
#if defined(Q_OS_UNIX)
    // QSettings tells a changed file by its size and its time in whole
    // milliseconds (whole seconds on some file systems). Another writer's
    // file of the same size stamped within the same tick looks unchanged to
    // it and would be overwritten unread; a later time makes it read the file.
    const qint64 nsPerMs = 1000000, nsPerSecond = 1000000000;
    if (now == m_knownStamp || !now.exists || !m_knownStamp.exists ||
        now.size != m_knownStamp.size ||
        now.modifiedNs / nsPerMs != m_knownStamp.modifiedNs / nsPerMs)
        return;
    const qint64 later = m_knownStamp.modifiedNs + nsPerSecond;
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {time_t(later / nsPerSecond), long(later % nsPerSecond)}};
    ::utimensat(AT_FDCWD, QFile::encodeName(m_filePath).constData(), times, 0);
#else
    Q_UNUSED(now)
#endif
}

bool SettingsService::fileIsUnparsable()
{
    const FileStamp stamp = fileStamp();
    if (stamp == m_probedStamp)
        return m_bUnparsable;
    m_probedStamp = stamp;
    m_bUnparsable = false;
    // Parsed from a private copy: a QSettings on the file itself would share
    // this store's unwritten values and write them.
    QFile file(m_filePath);
    QTemporaryFile copy;
    if (!stamp.exists || !file.open(QIODevice::ReadOnly) || !copy.open())
        return false;
    copy.write(file.readAll());
    copy.close();
    QSettings probe(copy.fileName(), QSettings::IniFormat);
    probe.allKeys(); // parses every section
    m_bUnparsable = probe.status() == QSettings::FormatError;
    return m_bUnparsable;
}

void SettingsService::keepUnparsableFile()
{
    if (m_keptStamp == m_probedStamp)
        return; // kept already; writing it failed before
    const QString base =
        m_filePath + QStringLiteral(".corrupt-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString copy = base;
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = base + QLatin1Char('-') + QString::number(n);
    if (QFile::copy(m_filePath, copy)) {
        m_keptStamp = m_probedStamp;
        qCWarning(lcSettings).noquote()
            << "The settings file" << m_filePath << "cannot be parsed; it is kept as" << copy
            << "before it is rewritten";
    } else {
        qCWarning(lcSettings).noquote()
            << QStringLiteral("The settings file %1 cannot be parsed, nor copied to %2; what "
                              "could not be parsed is lost when it is rewritten")
                   .arg(m_filePath, copy);
    }
}

QString SettingsService::problem() const
{
    const QFileInfo file(m_filePath);
    if (file.isDir())
        return QStringLiteral("a folder is in the way");
    if (file.exists() && !file.isReadable())
        return QStringLiteral(
            "the file is not readable, and is left as it is rather than replaced by defaults");
    QFileInfo folder(file.absolutePath());
    while (!folder.exists() && !folder.isRoot())
        folder.setFile(folder.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("a file stands where its folder should be");
    if ((file.exists() && !file.isWritable()) || !folder.isWritable())
        return QStringLiteral("the file or its folder is not writable");
    const QStorageInfo volume(folder.absoluteFilePath());
    if (volume.isValid() && volume.bytesAvailable() == 0)
        return QStringLiteral("the disk is full");
    return QStringLiteral("the system refused to write it");
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
    saveBeforeLeaving();
}

void SettingsService::saveBeforeLeaving()
{
    if (sync() || m_bReportedLoss)
        return;
    m_bReportedLoss = true;
    QStringList keys = m_unsaved.values();
    keys.sort();
    qCWarning(lcSettings).noquote()
        << QStringLiteral("The settings file %1 cannot be written (%2); these changes are lost: %3")
               .arg(m_filePath, problem(), keys.join(QStringLiteral(", ")));
}

bool SettingsService::sync()
{
    m_bSyncScheduled = false;
    QSettings* settings = store();
    const bool writing = !m_unsaved.isEmpty();
    letQSettingsSeeChange(fileStamp());
    if (writing && fileIsUnparsable())
        keepUnparsableFile();
    settings->sync();
    // A QSettings keeps the first error it met in status() for good. After
    // one, a fresh QSettings on the same file tells: it shares the values the
    // first could not write, and tries them again as it opens.
    const bool written =
        settings->status() == QSettings::NoError ||
        QSettings(m_filePath, QSettings::IniFormat).status() != QSettings::AccessError;
    m_knownStamp = fileStamp();
    // The write may have replaced the file, which is then watched anew. A
    // store not watched yet is left to the watch that store() queued: a sync
    // as the client stops does not set one up only to close it again, which
    // makes the process wait for the kernel.
    if (m_watcher)
        watch();
    // Whatever the sync merged in from other writers is in the view now.
    const View now = currentView();
    if (othersChanged(now))
        announce();
    m_view = now;
    m_setSinceView.clear();
    if (!writing)
        return true;
    if (written) {
        m_unsaved.clear();
        m_probedStamp = m_knownStamp; // our own file, parsed by whoever reads it
        m_bUnparsable = false;
        if (m_bReportedWriteFailure)
            qCInfo(lcSettings).noquote() << "The settings file" << m_filePath << "is written again";
        m_bReportedWriteFailure = false;
        return true;
    }
    if (!m_bReportedWriteFailure) {
        m_bReportedWriteFailure = true;
        const QString reason = problem();
        qCWarning(lcSettings).noquote()
            << QStringLiteral("The settings file %1 cannot be written (%2); the changes are kept "
                              "in memory and written once it can be")
                   .arg(m_filePath, reason);
        emit saveFailed(m_filePath, reason);
    }
    return false;
}

void SettingsService::syncPending()
{
    if (m_bSyncScheduled)
        sync();
}

void SettingsService::scheduleSync()
{
    if (m_bSyncScheduled || m_bSavingHeld)
        return;
    m_bSyncScheduled = true;
    QMetaObject::invokeMethod(this, "syncPending", Qt::QueuedConnection);
}

void SettingsService::holdSaving()
{
    m_bSavingHeld = true;
}

void SettingsService::releaseSaving()
{
    if (!std::exchange(m_bSavingHeld, false))
        return;
    if (!m_unsaved.isEmpty())
        scheduleSync();
}

void SettingsService::fileMayHaveChanged()
{
    watch();
    const FileStamp stamp = fileStamp();
    if (stamp == m_knownStamp || !stamp.exists)
        return; // our own write, or the file is being replaced
    // Someone else wrote: take their values (our unsynced writes stay on
    // top and are written along); the sync tells the client if any changed.
    sync();
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
    QSettings* settings = store();
    // A value that the store holds already changes nothing and is not set
    // again: a start that confirms the account's defaults leaves the file as
    // it is, rather than rewriting it and waiting for the disk, and a change
    // that another client made meanwhile stands.
    if (settings->contains(key) ? settings->value(key) == value : !value.isValid())
        return 0;
    settings->setValue(key, value);
    // As QSettings names it in allKeys(): no empty sections.
    const QString stored = key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
    m_setSinceView.insert(stored);
    m_unsaved.insert(stored);
    m_bReportedLoss = false;
    scheduleSync();
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
