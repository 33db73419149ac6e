#ifndef EKR_FILEWATCHER_SERVICE_H
#define EKR_FILEWATCHER_SERVICE_H

#include "EKFileWatcherInterface.h"
#include "host_service.h"

#include <QFileSystemWatcher>

// Watches the folders where the user drops scene files and reports changes.
class FileWatcherService : public HostService<EKFileWatcherInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKFileWatcherInterface)

public:
    explicit FileWatcherService(QObject* parent = nullptr);
    ~FileWatcherService() override;

    int SetWatchPaths(const QStringList& paths) override;
    int RestartWatching() override;

    QStringList watchPaths() const { return m_paths; }
    QStringList watchedNow() const { return m_watcher.directories() + m_watcher.files(); }

signals:
    // A watched folder changed: a scene file arrived or went.
    void FolderChanged(const QString& path);

protected:
    int onStart() override;
    void onStop() override;

private:
    void arm();

    QStringList m_paths;
    QFileSystemWatcher m_watcher;
};

#endif
