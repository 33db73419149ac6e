#ifndef EKR_FILEWATCHER_SERVICE_H
#define EKR_FILEWATCHER_SERVICE_H

#include "EKFileWatcherInterface.h"
#include "host_service.h"

#include <QFileSystemWatcher>

#include <memory>

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
    QStringList watchedNow() const
    {
        return m_watcher ? m_watcher->directories() + m_watcher->files() : QStringList();
    }

signals:
    // A watched folder changed: a scene file arrived or went.
    void FolderChanged(const QString& path);

protected:
    int onStart() override;
    void onStop() override;

private:
    void arm();

    QStringList m_paths;
    // Made with the first folder to watch: a watcher takes a kernel
    // notification instance, which most sessions never need.
    std::unique_ptr<QFileSystemWatcher> m_watcher;
};

#endif
