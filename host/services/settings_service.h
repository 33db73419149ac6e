#ifndef EKR_SETTINGS_SERVICE_H
#define EKR_SETTINGS_SERVICE_H

#include "EKSettingsInterface.h"
#include "host_service.h"

#include <QFileSystemWatcher>
#include <QPair>
#include <QScopedPointer>
#include <QSet>
#include <QSettings>
#include <QVector>

#include <memory>

// The client's persistent settings: one INI file in the client's
// configuration folder, keys stored under their exact strings.
//
// A write is visible to the next read at once (a value that the store holds
// already is not written again); a burst of writes becomes durable with one
// sync when control returns to the event loop (and at Stop and Uninitialize),
// or when saving is released if it is held. Every change that someone else
// makes to the file, whether the file watcher notices it or one of our own
// syncs merges it in, is announced with SettingsUpdated(), always from the
// event loop, never from inside SetValue or GetValue.
//
// A sync that fails keeps the values in memory, is reported with saveFailed()
// and is tried again at every later change and before the service goes away.
// A file that cannot be parsed is copied aside before it is rewritten.
class SettingsService : public HostService<EKSettingsInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKSettingsInterface)

public:
    // An empty path means the default: "ekr_client.ini" in the client's
    // configuration folder.
    explicit SettingsService(const QString& filePath = QString(), QObject* parent = nullptr);
    ~SettingsService() override;

    QString filePath() const { return m_filePath; }

    int GetValue(QVariant& value, const QVariant& handle, const QString& key) override;
    int SetValue(const QVariant& handle, const QString& key, const QVariant& value) override;
    int GetGroupValues(QVariantHash& values, const QVariant& handle, const QString& group) override;

    // Makes every write so far durable now; false when the file cannot be
    // written (the values stay in memory and are written at the next sync).
    bool sync();
    // While saving is held, writes stay in memory (and are read back at once)
    // without a sync of their own; releasing it schedules one for all of them.
    // A sync asked for, Stop, Uninitialize and another writer's change still
    // write at once. Releasing what is not held does nothing.
    void holdSaving();
    void releaseSaving();
    // Whether the file is watched for other writers' changes, as it is unless
    // turned off before Initialize. A start that ends on its own moments later
    // (taking pictures of its dialog) has nothing to follow, and a watch once
    // set makes the process wait for the kernel as it ends. Unwatched, other
    // writers' changes are still merged, and announced, at each sync.
    void setWatching(bool watching) { m_bWatching = watching; }
    // Whether values set here have not reached the file: its last sync failed.
    // Once the service is gone they are lost.
    bool hasUnsavedChanges() const { return !m_unsaved.isEmpty(); }

signals:
    // A sync could not write file; reason says why in a few words ("a folder
    // is in the way"). Emitted once until a sync succeeds again.
    void saveFailed(const QString& file, const QString& reason);

protected:
    int onInitialize() override;
    void onUninitialize() override;
    void onStop() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void syncPending();
    void fileMayHaveChanged();

private:
    // What the file looks like from outside: enough to tell another writer's
    // change from our own without reading the file.
    struct FileStamp
    {
        bool exists = false;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        quint64 fileId = 0;
        bool operator==(const FileStamp& other) const
        {
            return exists == other.exists && size == other.size && modifiedNs == other.modifiedNs &&
                   fileId == other.fileId;
        }
        bool operator!=(const FileStamp& other) const { return !(*this == other); }
    };
    // Every key with its value, in the order of QSettings::allKeys().
    using View = QVector<QPair<QString, QVariant>>;

    QSettings* store();
    void scheduleSync();
    void watch();
    FileStamp fileStamp() const;
    View currentView() const;
    bool othersChanged(const View& now) const;
    void announce();
    void letQSettingsSeeChange(const FileStamp& now);
    bool fileIsUnparsable();
    void keepUnparsableFile();
    QString problem() const;
    void saveBeforeLeaving();

    QString m_filePath;
    QScopedPointer<QSettings> m_settings;
    std::unique_ptr<QFileSystemWatcher> m_watcher; // made as the file is first watched
    FileStamp m_knownStamp;                        // the file as this service last wrote or read it
    View m_view;                                   // the values as the client was last told of them
    QSet<QString> m_setSinceView;                  // keys set here since m_view was taken
    QSet<QString> m_unsaved;                       // keys set here since the last sync that wrote
    FileStamp m_probedStamp;                       // the file whose parse m_bUnparsable tells
    FileStamp m_keptStamp;                         // the unparsable file last copied aside
    bool m_bUnparsable = false;
    bool m_bSyncScheduled = false;
    bool m_bSavingHeld = false;
    bool m_bWatching = true;
    bool m_bAnnouncementQueued = false;
    bool m_bReportedWriteFailure = false;
    bool m_bReportedLoss = false;
};

#endif
