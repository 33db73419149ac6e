#ifndef EKR_SETTINGS_SERVICE_H
#define EKR_SETTINGS_SERVICE_H

#include "EKSettingsInterface.h"
#include "host_service.h"

#include <QFileSystemWatcher>
#include <QScopedPointer>
#include <QSettings>

// The client's persistent settings: one INI file in the client's
// configuration folder, keys stored under their exact strings.
//
// A write is visible to the next read at once; a burst of writes becomes
// durable with one sync when control returns to the event loop (and at Stop
// and Uninitialize). A change that someone else makes to the file is picked up
// and announced with SettingsUpdated(), always from the event loop, never
// from inside SetValue.
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

protected:
    int onInitialize() override;
    void onUninitialize() override;
    void onStop() override;

private slots:
    void syncPending();
    void fileMayHaveChanged();

private:
    QSettings* store();
    void watch();
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
    };
    FileStamp fileStamp() const;

    QString m_filePath;
    QScopedPointer<QSettings> m_settings;
    QFileSystemWatcher m_watcher;
    FileStamp m_knownStamp; // the file as this service last wrote or read it
    bool m_bSyncScheduled = false;
    bool m_bReportedWriteFailure = false;
};

#endif
